#include "busi_print_service.h"

#include <soci/soci.h>

#include "invoice_lines.h"
#include "order_lines.h"
#include "order_money.h"
#include "rows.h"
#include "service_support.h"
#include "sessions.h"

namespace zp::backend {
namespace {

using namespace MBusiPublic;
using store::Row;

constexpr std::size_t kInvoiceItemLines = 6;

void add(SPrintFieldList& list, const char* name, const std::string& value) {
  SPrintField f;
  f.set_NAME(name);
  f.set_VALUE(value);
  list.push_back(std::move(f));
}

std::string yuan(long long fen) {
  const bool negative = fen < 0;
  const unsigned long long m = negative ? 0ULL - static_cast<unsigned long long>(fen) : static_cast<unsigned long long>(fen);
  std::string cents = std::to_string(m % 100);
  if (cents.size() < 2) cents.insert(0, 1, '0');
  return (negative ? "-" : "") + std::to_string(m / 100) + "." + cents;
}

const char* businessName(int busiCode) {
  switch (busiCode) {
    case 1302: return "全球呼开通";
    case 1303: return "全球呼取消";
    case 1304: return "GPS开通";
    case 1305: return "GPS取消";
    case 1070: return "GPRS开通";
    case 1071: return "GPRS取消";
    case 1073: return "GPRS变更";
    case 1324: return "彩铃开通";
    case 1325: return "彩铃取消";
    case 1076: return "GPRS接入点开通";
    case 1077: return "GPRS接入点取消";
    case 1078: return "GPRS接入点变更";
    default: return "新业务受理";
  }
}

const char* documentName(int regType) {
  switch (regType) {
    case 1: return "身份证";
    case 2: return "营业执照";
    case 3: return "护照";
    case 4: return "军官证";
    default: return "其他证件";
  }
}

// The stored order: who took it where, what and when, its subscriber's
// number and customer; false when there is none. The papers say these as
// the order was stored, whatever the counter's copy of them says.
struct StoredOrder {
  long long opId = 0, orgId = 0, regionCode = 0;
  int busiCode = 0, verifyMode = 0;
  CBSDateTime soDate;
  std::string phoneId;
  std::string custName, custRegNbr, custLinkPhone;
  int custRegType = 0;
};
bool storedOrder(soci::session& sql, long long soNbr, StoredOrder& o) {
  Row r;
  if (!store::firstRow(sql,
                       "SELECT o.op_id, o.so_org_id, o.so_region_code, o.busi_code, o.verify_mode, o.so_date, "
                       "COALESCE(u.phone_id, ''), COALESCE(c.cust_name, ''), COALESCE(c.reg_type, 0), "
                       "COALESCE(c.reg_nbr, ''), COALESCE(c.link_phone, '') FROM zp_order o "
                       "LEFT JOIN zp_user u ON u.serv_id = o.serv_id LEFT JOIN zp_customer c ON c.cust_id = o.cust_id "
                       "WHERE o.so_nbr = :n",
                       "iiiiiississ", {soNbr}, r))
    return false;
  o.opId = r.i(0);
  o.orgId = r.i(1);
  o.regionCode = r.i(2);
  o.busiCode = static_cast<int>(r.i(3));
  o.verifyMode = static_cast<int>(r.i(4));
  o.soDate = CBSDateTime(r.i(5));
  o.phoneId = r.s(6);
  o.custName = r.s(7);
  o.custRegType = static_cast<int>(r.i(8));
  o.custRegNbr = r.s(9);
  o.custLinkPhone = r.s(10);
  return true;
}

// The agent the order was taken with, as its agent line keeps him; none
// (empty) when the order had no agent.
MPublicDef::SOperator storedAgent(soci::session& sql, long long soNbr) {
  MPublicDef::SOperator agent;
  Row r;
  if (store::firstRow(sql, "SELECT record FROM zp_order_line WHERE so_nbr = :n AND kind = 'agent' ORDER BY line_no",
                      "s", {soNbr}, r))
    readLineRecordHex(r.s(0), agent);
  return agent;
}

// An order's papers are printed, and its invoice counted, in the region
// that took it: another region's operator neither reads its customer and
// fees nor moves its print count. Its clerks among themselves may (a
// colleague prints the invoice again).
std::int32_t refuseOtherRegion(CBSErrorMsg& err, const char* what, long long soNbr, const char* act) {
  return refuse(err, kPrintOtherRegion, what,
                "业务流水号[" + std::to_string(soNbr) + "]不是本地区受理的业务,不能" + act + ";请到受理该业务的地区办理");
}

std::string operatorText(soci::session& sql, long long opId) {
  Row r;
  if (store::firstRow(sql, "SELECT op_name FROM zp_operator WHERE op_id = :o", "s", {opId}, r))
    return std::to_string(opId) + " " + r.s(0);
  return std::to_string(opId);
}

}  // namespace

std::string upperCaseAmount(long long fen) {
  static const char* const kDigit[] = {"零", "壹", "贰", "叁", "肆", "伍", "陆", "柒", "捌", "玖"};
  static const char* const kUnit[] = {"", "拾", "佰", "仟"};
  static const char* const kSection[] = {"", "万", "亿", "万亿"};
  std::string out = fen < 0 ? "负" : "";
  const unsigned long long m = fen < 0 ? 0ULL - static_cast<unsigned long long>(fen) : static_cast<unsigned long long>(fen);
  unsigned long long yuanPart = m / 100;
  const int jiao = static_cast<int>(m / 10 % 10), fenPart = static_cast<int>(m % 10);
  std::string integer;
  if (yuanPart == 0) {
    integer = "零";
  } else {
    // Four digits a section, from the lowest; zeros inside a number read once.
    std::vector<std::string> sections;
    while (yuanPart > 0) {
      sections.push_back(std::to_string(yuanPart % 10000));
      yuanPart /= 10000;
    }
    bool zeroPending = false;
    for (std::size_t s = sections.size(); s-- > 0;) {
      const unsigned value = static_cast<unsigned>(std::stoul(sections[s]));
      if (value == 0) {
        zeroPending = !integer.empty();
        continue;
      }
      if (!integer.empty() && (zeroPending || value < 1000)) integer += "零";
      zeroPending = false;
      bool innerZero = false;
      bool started = false;
      for (int d = 3; d >= 0; --d) {
        unsigned p = 1;
        for (int k = 0; k < d; ++k) p *= 10;
        const unsigned digit = value / p % 10;
        if (digit == 0) {
          innerZero = started;
          continue;
        }
        if (innerZero) integer += "零";
        innerZero = false;
        started = true;
        integer += kDigit[digit];
        integer += kUnit[d];
      }
      integer += kSection[s < 4 ? s : 3];
    }
  }
  out += integer + "元";
  if (jiao == 0 && fenPart == 0) return out + "整";
  if (jiao != 0) out += std::string(kDigit[jiao]) + "角";
  else if (integer != "零") out += "零";
  if (fenPart != 0) out += std::string(kDigit[fenPart]) + "分";
  return out;
}

std::int32_t BusiPrintService::get_soVoucher(const SPrintVoucherIn& sIn, SPrintFieldList& listOut, CBSErrorMsg& err) {
  static const char* const kWhat = "取受理回执打印数据";
  const Caller* me = currentCaller();
  const MPublicDef::SSoInfo& so = sIn.get_SOINFO();
  if (const std::int32_t r =
          refuseUnlessCaller(err, kWhat, me, so.get_OP_ID(), has(so, MPublicDef::SSoInfo::kIdx_OP_ID)))
    return r;
  const MPublicDef::SSoResultInfo& result = sIn.get_SORESULT();
  if (!has(result, MPublicDef::SSoResultInfo::kIdx_SO_NBR) || result.get_SO_NBR() == 0)
    return refuse(err, kPrintRequest, kWhat, "请求中缺少业务流水号SO_NBR");
  SPrintFieldList fields;
  bool found = false, ours = false;
  try {
    db_.transact(store::Database::Intent::read, [&](soci::session& sql) {
      StoredOrder order;
      found = storedOrder(sql, result.get_SO_NBR(), order);
      ours = found && order.regionCode == me->regionCode;
      if (!ours) return;
      // The customer and the agent are the order's: its subscriber's
      // customer and the agent line it was stored with.
      const MPublicDef::SOperator agent = storedAgent(sql, result.get_SO_NBR());
      add(fields, "soNbr", std::to_string(result.get_SO_NBR()));
      add(fields, "soDate", order.soDate.toString("%Y/%M/%D %H:%N:%S"));
      add(fields, "custName", order.custName);
      add(fields, "custNum", order.phoneId);
      add(fields, "regType", documentName(order.custRegType));
      add(fields, "regNum", order.custRegNbr);
      add(fields, "assurer", agent.get_SO_MAN());
      add(fields, "assureLinkPhone", agent.get_LINK_PHONE());
      add(fields, "assureRegType", agent.get_REG_TYPE() ? documentName(agent.get_REG_TYPE()) : "");
      add(fields, "assureRegNum", agent.get_REG_NBR());
      // Said by password only where the order was taken on a password its
      // session checked.
      add(fields, "busiSoMode", order.verifyMode == 2 ? "密码" : "证件");
      add(fields, "busiSoMode2", order.verifyMode == 2 ? "凭服务密码受理" : "凭有效证件受理");
      add(fields, "busiName", businessName(order.busiCode));
      add(fields, "busiMemo", sIn.get_MEMO());
      add(fields, "soOpId", operatorText(sql, order.opId));
      add(fields, "soOrgId", std::to_string(order.orgId));
    });
  } catch (const std::exception& e) {
    return storeFailed(err, kPrintStore, kWhat, e);
  }
  if (!found) return refuse(err, kPrintNoOrder, kWhat, "业务流水号[" + std::to_string(result.get_SO_NBR()) + "]不存在");
  if (!ours) return refuseOtherRegion(err, kWhat, result.get_SO_NBR(), "打印");
  listOut.insert(listOut.end(), fields.begin(), fields.end());
  return 0;
}

std::int32_t BusiPrintService::get_soInvoice(const SPrintInvoiceIn& sIn, SPrintFieldList& listOut, CBSErrorMsg& err) {
  const Caller* me = currentCaller();
  if (const std::int32_t r = refuseUnlessCaller(err, "取发票打印数据", me, sIn.get_OP_ID(),
                                                has(sIn, SPrintInvoiceIn::kIdx_OP_ID)))
    return r;
  static const char* const kWhat = "取发票打印数据";
  const MPublicDef::SSoResultInfo& result = sIn.get_SORESULT();
  if (!has(result, MPublicDef::SSoResultInfo::kIdx_SO_NBR) || result.get_SO_NBR() == 0)
    return refuse(err, kPrintRequest, kWhat, "请求中缺少业务流水号SO_NBR");
  SPrintFieldList fields;
  bool found = false, ours = false;
  try {
    db_.transact(store::Database::Intent::read, [&](soci::session& sql) {
      StoredOrder order;
      found = storedOrder(sql, result.get_SO_NBR(), order);
      ours = found && order.regionCode == me->regionCode;
      if (!ours) return;
      const std::string day = order.soDate.toString("%Y/%M/%D");
      add(fields, "date", day);
      add(fields, "phoneId", order.phoneId);
      add(fields, "soNbr", std::to_string(result.get_SO_NBR()));
      add(fields, "payName", order.custName);
      add(fields, "linkPhone", order.custLinkPhone);
      // Six item lines on the form; more are summed into the last, so the
      // total is the order's whatever the number of lines.
      // The lines are the stored order's, not what the counter sends: the
      // invoice asks what the order booked.
      const MPublicDef::STiketInfoList lines = storedInvoiceLines(sql, result.get_SO_NBR());
      const long long total = zpmoney::InvoiceTotal(lines);
      int i = 0;
      for (const zpmoney::PaperLine& line : zpmoney::PaperLinesOf(lines, kInvoiceItemLines)) {
        ++i;
        add(fields, ("feeItemName" + std::to_string(i)).c_str(), line.name);
        add(fields, ("feeValue" + std::to_string(i)).c_str(), yuan(line.amount));
      }
      // The fee boxes under the lines split the total: prepayments go to
      // their own box, the rest is the new business's fee.
      const long long prepaid = storedPrepayTotal(sql, result.get_SO_NBR());
      add(fields, "newBusiFee", yuan(total - prepaid));
      if (prepaid != 0) add(fields, "prepayFee", yuan(prepaid));
      add(fields, "totalFeeLower", yuan(total));
      add(fields, "totalFeeUpper", upperCaseAmount(total));
      add(fields, "ticketer", std::to_string(me->opId));
      add(fields, "soOper", std::to_string(order.opId));
      add(fields, "operDate", day);
      add(fields, "remark", sIn.get_REMARK());
    });
  } catch (const std::exception& e) {
    return storeFailed(err, kPrintStore, kWhat, e);
  }
  if (!found) return refuse(err, kPrintNoOrder, kWhat, "业务流水号[" + std::to_string(result.get_SO_NBR()) + "]不存在");
  if (!ours) return refuseOtherRegion(err, kWhat, result.get_SO_NBR(), "打印");
  listOut.insert(listOut.end(), fields.begin(), fields.end());
  return 0;
}

std::int32_t BusiPrintService::set_soPrint(const MPublicDef::SSoInfo& sIn, SSoPrintOut& sOut, CBSErrorMsg& err) {
  static const char* const kWhat = "发票打印次数回写";
  const Caller* me = currentCaller();
  if (const std::int32_t r =
          refuseUnlessCaller(err, kWhat, me, sIn.get_OP_ID(), has(sIn, MPublicDef::SSoInfo::kIdx_OP_ID)))
    return r;
  if (sIn.get_SO_NBR() == 0) return refuse(err, kPrintRequest, kWhat, "请求中缺少业务流水号SO_NBR");
  long long count = -1;
  bool found = false;
  try {
    db_.transact(store::Database::Intent::write, [&](soci::session& sql) {
      if (store::execute(sql,
                         "UPDATE zp_order SET print_count = print_count + 1 WHERE so_nbr = :n AND so_region_code = :r",
                         {static_cast<long long>(sIn.get_SO_NBR()), me->regionCode}) != 1) {
        StoredOrder order;
        found = storedOrder(sql, sIn.get_SO_NBR(), order);
        return;
      }
      found = true;
      Row r;
      store::firstRow(sql, "SELECT print_count FROM zp_order WHERE so_nbr = :n", "i",
                      {static_cast<long long>(sIn.get_SO_NBR())}, r);
      count = r.i(0);
    });
  } catch (const std::exception& e) {
    return storeFailed(err, kPrintStore, kWhat, e);
  }
  if (!found) return refuse(err, kPrintNoOrder, kWhat, "业务流水号[" + std::to_string(sIn.get_SO_NBR()) + "]不存在");
  if (count < 0) return refuseOtherRegion(err, kWhat, sIn.get_SO_NBR(), "回写其发票打印次数");
  sOut.set_SO_NBR(sIn.get_SO_NBR());
  sOut.set_PRINT_COUNT(static_cast<std::int32_t>(count));
  return 0;
}

}  // namespace zp::backend
