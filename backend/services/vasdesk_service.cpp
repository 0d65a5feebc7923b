#include "vasdesk_service.h"

#include <soci/soci.h>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <string>
#include <vector>

#include "busi_public_service.h"
#include "busidata_service.h"
#include "business_codes.h"
#include "rows.h"
#include "invoice_lines.h"
#include "offer_scope.h"
#include "order_content_checks.h"
#include "order_lines.h"
#include "order_money.h"
#include "service_support.h"
#include "subscriber_records.h"

namespace zp::backend {
namespace {

using namespace MPublicDef;
using namespace MVasDesk;
using store::Database;
using store::Param;
using store::Row;

constexpr long long kForever = 20991231235959LL;
constexpr int kNumberFree = 1, kNumberReserved = 2, kNumberInUse = 3;
// What an added product's or promotion's line carries from the counter,
// which stores them so (FUNC_TYPE 1 would show a product as mandatory).
constexpr long long kOptionalProduct = 0;
constexpr long long kPromotionType = 0, kPromotionPayMode = 0;

// A reply kept under its call's key is the reply record in the wire encoding.
constexpr zpb_name kKeptReply{"zpserver.KeptReply"};
constexpr const char* kSubmitOperation = "so_userService";
constexpr const char* kSignResOperation = "do_signRes";

// A refusal is kept as well as a success: once a key has been answered, the
// answer is final, so a counter told "not stored" cannot see the same call
// stored afterwards by a copy of it still on its way.
template <class R>
std::string keptReply(std::int32_t result, const R& r, const CBSErrorMsg& err) {
  zpb_stream s;
  s.open();
  s.begin_stream(kKeptReply);
  s << result;
  zpb_write(s, r);
  s << err;
  s.end_stream();
  return zpb_to_hex(s.bytes());
}

template <class R>
bool readKeptReply(const std::string& text, std::int32_t& result, R& r, CBSErrorMsg& err) {
  std::string bytes;
  if (!zpb_from_hex(text, bytes)) return false;
  zpb_stream s;
  if (!s.open_for_reading(std::move(bytes)) || !s.begin_stream(kKeptReply)) return false;
  s >> result;
  zpb_read(s, r);
  s >> err;
  return !s.failed() && s.end_stream();
}

void acceptedTexts(CBSErrorMsg& err, long long soNbr) {
  err.code = 0;
  err.code2 = 0;
  err.text1 = "业务受理成功,业务流水号:" + std::to_string(soNbr);
  err.text2 = "受理成功";
}

// --- reading the subscriber ------------------------------------------------

SCustInfo custInfo(soci::session& sql, long long custId) {
  SCustInfo c;
  Row r;
  if (store::firstRow(sql,
                      "SELECT cust_id, cust_name, cust_type, cust_class, reg_type, reg_nbr, region_code, "
                      "county_code, org_id, link_phone, post_address, vip_flag, create_date FROM zp_customer "
                      "WHERE cust_id = :c",
                      "isiiisiiissii", {custId}, r)) {
    c.set_CUST_ID(r.i(0));
    c.set_CUST_NAME(r.s(1));
    c.set_CUST_TYPE(static_cast<std::int16_t>(r.i(2)));
    c.set_CUST_CLASS(static_cast<std::int16_t>(r.i(3)));
    c.set_REG_TYPE(static_cast<std::int16_t>(r.i(4)));
    c.set_REG_NBR(r.s(5));
    c.set_REGION_CODE(static_cast<std::int16_t>(r.i(6)));
    c.set_COUNTY_CODE(static_cast<std::int16_t>(r.i(7)));
    c.set_ORG_ID(static_cast<std::int32_t>(r.i(8)));
    c.set_LINK_PHONE(r.s(9));
    c.set_POST_ADDRESS(r.s(10));
    c.set_VIP_FLAG(static_cast<std::int16_t>(r.i(11)));
    c.set_CREATE_DATE(CBSDateTime(r.i(12)));
  }
  return c;
}

SAcctInfo acctInfo(soci::session& sql, long long acctId) {
  SAcctInfo a;
  Row r;
  if (store::firstRow(sql,
                      "SELECT acct_id, cust_id, acct_name, acct_type, pay_type, region_code, county_code, org_id, "
                      "sts, create_date FROM zp_account WHERE acct_id = :a",
                      "iisiiiiiii", {acctId}, r)) {
    a.set_ACCT_ID(r.i(0));
    a.set_CUST_ID(r.i(1));
    a.set_ACCT_NAME(r.s(2));
    a.set_ACCT_TYPE(static_cast<std::int16_t>(r.i(3)));
    a.set_PAY_TYPE(static_cast<std::int16_t>(r.i(4)));
    a.set_REGION_CODE(static_cast<std::int16_t>(r.i(5)));
    a.set_COUNTY_CODE(static_cast<std::int16_t>(r.i(6)));
    a.set_ORG_ID(static_cast<std::int32_t>(r.i(7)));
    a.set_STS(static_cast<std::int16_t>(r.i(8)));
    a.set_CREATE_DATE(CBSDateTime(r.i(9)));
  }
  return a;
}

SUserServiceInfoList serviceList(soci::session& sql, long long servId, int busiType, int regionCode) {
  SUserServiceInfoList list;
  store::forEachRow(sql,
                    "SELECT busi_type, service_id, res_code, res_id, sts, sts_date, valid_date, expire_date, remark "
                    "FROM zp_user_service WHERE serv_id = :s AND busi_type = :b",
                    "iiisiiiis", {servId, static_cast<long long>(busiType)}, [&](const Row& r) {
                      SUserServiceInfo s;
                      s.set_SERV_ID(servId);
                      s.set_REGION_CODE(static_cast<std::int16_t>(regionCode));
                      s.set_BUSI_TYPE(static_cast<std::int32_t>(r.i(0)));
                      s.set_SERVICE_ID(static_cast<std::int32_t>(r.i(1)));
                      s.set_RES_CODE(static_cast<std::int32_t>(r.i(2)));
                      s.set_RES_ID(r.s(3));
                      s.set_STS(static_cast<std::int16_t>(r.i(4)));
                      s.set_STS_DATE(CBSDateTime(r.i(5)));
                      s.set_VALID_DATE(CBSDateTime(r.i(6)));
                      s.set_EXPIRE_DATE(CBSDateTime(r.i(7)));
                      s.set_REMARK(r.s(8));
                      list.push_back(std::move(s));
                    });
  return list;
}

// The system parameter every counter reads for the ring-back services.
std::string ringBackServices(soci::session& sql) {
  Row r;
  if (!store::firstRow(sql, "SELECT para_value FROM zp_sys_para WHERE para_name = 'MscCrbt' AND region_code = 0", "s",
                       {}, r))
    return {};
  return r.s(0);
}

// The subscriber's products that belong to an order of busiType: those of
// the type and those its scope takes in (Global Call's forwarding services,
// GPRS's, the ring-back services), by the rule the counter's product frame
// applies, so that a cancellation deletes exactly what the counter showed.
SMscFuncInfoList productList(soci::session& sql, long long servId, int busiType) {
  SMscFuncInfoList list;
  const std::string ringBack = ringBackServices(sql);
  store::forEachRow(sql,
                    "SELECT prod_id, busi_type, func_param, func_type, service_id, plan_id, valid_date, expire_date, "
                    "remark FROM zp_user_product WHERE serv_id = :s ORDER BY prod_id",
                    "iisiiiiis", {servId}, [&](const Row& r) {
                      const int type = static_cast<int>(r.i(1));
                      const int service = static_cast<int>(r.i(4));
                      if (!offers::InOrderScope(busiType, type, service, ringBack)) return;
                      SMscFuncInfo p;
                      p.set_SERV_ID(servId);
                      p.set_PROD_ID(static_cast<std::int32_t>(r.i(0)));
                      p.set_BUSI_TYPE(type);
                      p.set_FUNC_PARAM(r.s(2));
                      p.set_FUNC_TYPE(static_cast<std::int16_t>(r.i(3)));
                      p.set_SERVICE_ID(service);
                      p.set_PLAN_ID(static_cast<std::int32_t>(r.i(5)));
                      p.set_VALID_DATE(CBSDateTime(r.i(6)));
                      p.set_EXPIRE_DATE(CBSDateTime(r.i(7)));
                      p.set_REMARK(r.s(8));
                      list.push_back(std::move(p));
                    });
  return list;
}

SSpromInfoList promotionList(soci::session& sql, long long servId, int busiType, int regionCode) {
  SSpromInfoList list;
  store::forEachRow(sql,
                    "SELECT sprom_id, busi_type, plan_id, sprom_type, sprom_para, sprom_prior, pay_mode, service_id, "
                    "subscr_param, create_date, valid_date, expire_date, remark FROM zp_user_promotion "
                    "WHERE serv_id = :s AND busi_type = :b ORDER BY sprom_id",
                    "iiiisiiisiiis", {servId, static_cast<long long>(busiType)}, [&](const Row& r) {
                      SSpromInfo p;
                      p.set_SERV_ID(servId);
                      p.set_REGION_CODE(static_cast<std::int16_t>(regionCode));
                      p.set_SPROM_ID(static_cast<std::int32_t>(r.i(0)));
                      p.set_BUSI_TYPE(static_cast<std::int32_t>(r.i(1)));
                      p.set_PLAN_ID(static_cast<std::int32_t>(r.i(2)));
                      p.set_SPROM_TYPE(static_cast<std::int32_t>(r.i(3)));
                      p.set_SPROM_PARA(r.s(4));
                      p.set_SPROM_PRIOR(static_cast<std::int16_t>(r.i(5)));
                      p.set_PAY_MODE(static_cast<std::int16_t>(r.i(6)));
                      p.set_SERVICE_ID(static_cast<std::int32_t>(r.i(7)));
                      p.set_SUBSCR_PARAM(r.s(8));
                      p.set_CREATE_DATE(CBSDateTime(r.i(9)));
                      p.set_VALID_DATE(CBSDateTime(r.i(10)));
                      p.set_EXPIRE_DATE(CBSDateTime(r.i(11)));
                      p.set_REMARK(r.s(12));
                      list.push_back(std::move(p));
                    });
  return list;
}

SDepositInfoList depositList(soci::session& sql, long long servId, int regionCode) {
  SDepositInfoList list;
  store::forEachRow(sql,
                    "SELECT assure_item, assure_type, busi_type, deposit, remark, valid_date, expire_date "
                    "FROM zp_user_deposit WHERE serv_id = :s",
                    "iiiisii", {servId}, [&](const Row& r) {
                      SDepositInfo d;
                      d.set_SERV_ID(servId);
                      d.set_REGION_CODE(static_cast<std::int16_t>(regionCode));
                      d.set_ASSURE_ITEM(static_cast<std::int32_t>(r.i(0)));
                      d.set_ASSURE_TYPE(static_cast<std::int32_t>(r.i(1)));
                      d.set_BUSI_TYPE(static_cast<std::int32_t>(r.i(2)));
                      d.set_DEPOSIT(r.i(3));
                      d.set_REMARK(r.s(4));
                      d.set_VALID_DATE(CBSDateTime(r.i(5)));
                      d.set_EXPIRE_DATE(CBSDateTime(r.i(6)));
                      list.push_back(std::move(d));
                    });
  return list;
}

SEqptInfoList equipmentList(soci::session& sql, long long servId) {
  SEqptInfoList list;
  store::forEachRow(sql,
                    "SELECT eqpt_id, busi_type, eqpt_sn, res_code, eqpt_count, create_date, remark "
                    "FROM zp_user_equipment WHERE serv_id = :s",
                    "sisiiis", {servId}, [&](const Row& r) {
                      SEqptInfo e;
                      e.set_SERV_ID(servId);
                      e.set_EQPT_ID(r.s(0));
                      e.set_BUSI_TYPE(static_cast<std::int32_t>(r.i(1)));
                      e.set_EQPT_SN(r.s(2));
                      e.set_RES_CODE(static_cast<std::int32_t>(r.i(3)));
                      e.set_EQPT_COUNT(static_cast<std::int32_t>(r.i(4)));
                      e.set_CREATE_DATE(CBSDateTime(r.i(5)));
                      e.set_REMARK(r.s(6));
                      list.push_back(std::move(e));
                    });
  return list;
}

// The detail record's field names of a business type, in descriptor order.
std::vector<std::string> detailFields(int busiType) {
  std::vector<std::string> names;
  if (busiType == kGps) {
    for (const zpb_field_desc& f : SGpsInfo::kFieldTable) names.push_back(f.name);
  } else if (busiType == kRingBack) {
    for (const zpb_field_desc& f : SUserCrbtsInfo::kFieldTable) names.push_back(f.name);
  }
  return names;
}

// The subscriber's details of a GPS or ring-back service as the text table
// the module converts field by field; an empty table when there is none.
SSpecilDataInfo specialData(soci::session& sql, long long servId, int busiType) {
  SSpecilDataInfo t;
  t.set_BUSI_TYPE(static_cast<std::int16_t>(busiType));
  const std::vector<std::string> names = detailFields(busiType);
  std::map<std::string, std::string> values;
  store::forEachRow(sql, "SELECT field_name, field_value FROM zp_special_data WHERE serv_id = :s AND busi_type = :b",
                    "ss", {servId, static_cast<long long>(busiType)},
                    [&](const Row& r) { values[r.s(0)] = r.s(1); });
  SFieldList fields;
  SDataInfoList rows;
  if (!values.empty()) {
    SFieldValueList cells;
    for (const std::string& n : names) {
      SField f;
      f.set_FIELD_NAME(n);
      fields.push_back(f);
      SFieldValue v;
      const auto it = values.find(n);
      v.set_FIELD_VALUE(it == values.end() ? std::string() : it->second);
      cells.push_back(v);
    }
    SDataInfo row;
    row.set_FIELDVALUELIST(cells);
    rows.push_back(row);
  }
  t.set_FIELDLIST(fields);
  t.set_DATAINFOLIST(rows);
  return t;
}

// --- the order check --------------------------------------------------------

const char* operationName(Operation op) {
  return op == Operation::open ? "开通" : op == Operation::cancel ? "取消" : "变更";
}

struct OrderContext {
  Business business{};
  SUserInfo user;
  bool userFound = false;
  bool hasService = false;
  std::string currentNumber;  // Global Call: the number the subscriber has now
  std::string reservedNumber;  // Global Call: the number the order opens with
};

// The right an operation of a business asks of the operator; 0 for the
// businesses whose operations need none (ring-back tone, the GPRS access
// point) and for a change, which the counter offers to everyone.
long long rightFor(const Business& b) {
  struct Entities {
    int busiType;
    long long open, cancel;
  };
  static constexpr Entities kRights[] = {{kGlobalCall, 51501, 51502}, {kGps, 51507, 51508}, {5, 51505, 51506}};
  for (const Entities& e : kRights)
    if (e.busiType == b.busiType)
      return b.operation == Operation::open ? e.open : b.operation == Operation::cancel ? e.cancel : 0;
  return 0;
}
// Serving a subscriber of another region.
constexpr long long kRemoteRight = 49990;
// Accepting a business that requires the service password without it.
constexpr long long kPasswordWaiver = 49992;
constexpr long long kPasswordRequired = 2;  // zp_busi_verify_type.verify_type
constexpr long long kPasswordChecked = 2;   // the order's VERIFY_MODE
// A password checked at the counter vouches for the orders of this long.
constexpr long long kPasswordCheckLasts = 30 * 60;
// The fee item the fee calculation books a fixed reduction of the order on.
constexpr long long kReductionItem = 27000003;

// The value of one field of the details' first row; empty when the field
// is not there.
std::string detailValue(const SSpecilDataInfo& sd, const char* name) {
  const SFieldList& names = sd.get_FIELDLIST();
  const SFieldValueList& cells = sd.get_DATAINFOLIST()[0].get_FIELDVALUELIST();
  for (std::size_t i = 0; i < names.size() && i < cells.size(); ++i)
    if (names[i].get_FIELD_NAME() == name) return cells[i].get_FIELD_VALUE();
  return {};
}

// The provider of a GPS service is one the lists give as in service, the
// song of a ring-back service one of the subscriber's region: the lists
// the counter chooses from. A detail that names none is left as it is.
void checkProviderAndSong(soci::session& sql, const Business& business, const SUserInfo& user,
                          const SSpecilDataInfo& sd, std::vector<Finding>& found) {
  Row r;
  if (business.busiType == kGps) {
    const std::string sp = detailValue(sd, "SP_ID");
    long long spId = 0;
    const bool number = !sp.empty() && std::all_of(sp.begin(), sp.end(), [](unsigned char c) { return std::isdigit(c); }) &&
                        sp.size() <= 9;
    if (number) spId = std::stoll(sp);
    if (sp.empty() || (number && spId == 0)) return;
    if (!number || !store::firstRow(sql, "SELECT sp_id FROM zp_sp_info WHERE sp_id = :p AND sts = :s", "i",
                                    {spId, static_cast<long long>(kSpValid)}, r))
      found.push_back({10, "GPS服务商[" + sp + "]不存在或已停用,请重新选择服务商"});
  } else {
    const std::string song = detailValue(sd, "SONG_ID");
    if (song.empty()) return;
    if (!store::firstRow(sql, "SELECT song_id FROM zp_crbt_song WHERE region_code = :r AND song_id = :s", "s",
                         {static_cast<long long>(user.get_REGION_CODE()), song}, r))
      found.push_back({10, "铃声[" + song + "]不是用户所在地区[" + std::to_string(user.get_REGION_CODE()) +
                               "]的铃声,请重新选择铃声"});
  }
}

std::vector<Finding> checkOrder(soci::session& sql, Database& db, const SSoUserServiceIn& in, long long now,
                                bool submitting, int maxBackDateDays, OrderContext& ctx) {
  std::vector<Finding> found;
  const auto business = businessOf(in.get_BUSI_CODE());
  if (!business) {
    found.push_back({1, "业务代码[" + std::to_string(in.get_BUSI_CODE()) + "]不属于新业务受理,不能受理"});
    return found;
  }
  ctx.business = *business;
  const SSoInfo& so = in.get_SOINFO();
  const std::string lock = submitting ? db.rowLock() : "";
  ctx.userFound = so.get_SERV_ID() != 0 && findUser(sql, so.get_SERV_ID(), lock, ctx.user);
  if (!ctx.userFound) {
    found.push_back({2, "用户[" + std::to_string(so.get_SERV_ID()) + "]不存在,不能受理"});
    return found;
  }
  if (ctx.user.get_USER_STS() != 1)
    found.push_back({3, "用户[" + ctx.user.get_PHONE_ID() + "]已停机,不能受理新业务"});

  // The operator is the one signed in for this call, never what the order
  // says: its operator fields must be his, and he must hold the rights the
  // counter asked for.
  const Caller* me = currentCaller();
  if (!me) {
    found.push_back({12, "请求没有营业员登录会话,不能受理;请先登录"});
    return found;
  }
  const long long opId = me->opId;
  if (has(so, SSoInfo::kIdx_OP_ID) && so.get_OP_ID() != opId)
    found.push_back({12, "订单的营业员[" + std::to_string(so.get_OP_ID()) + "]不是登录的营业员[" +
                             std::to_string(opId) + "],不能受理"});
  const auto disagree = [&](const auto& r, int regionIdx, int countyIdx, int orgIdx) {
    return (has(r, regionIdx) && r.get_SO_REGION_CODE() != me->regionCode) ||
           (has(r, countyIdx) && r.get_SO_COUNTY_CODE() != me->countyCode) ||
           (has(r, orgIdx) && r.get_SO_ORG_ID() != me->orgId);
  };
  bool feesDisagree = false;
  for (const SSoFee& fee : in.get_SOFEELIST())
    feesDisagree |= disagree(fee, SSoFee::kIdx_SO_REGION_CODE, SSoFee::kIdx_SO_COUNTY_CODE, SSoFee::kIdx_SO_ORG_ID) ||
                    (has(fee, SSoFee::kIdx_OP_ID) && fee.get_OP_ID() != opId);
  if (disagree(so, SSoInfo::kIdx_SO_REGION_CODE, SSoInfo::kIdx_SO_COUNTY_CODE, SSoInfo::kIdx_SO_ORG_ID) || feesDisagree)
    found.push_back({12, "订单的受理地区、县市、部门或营业员与登录的营业员[" + std::to_string(opId) +
                             "]的资料不符,不能受理"});
  const auto holds = [&](long long entity) {
    Row r;
    return store::firstRow(sql,
                           "SELECT op_id FROM zp_operator_right WHERE op_id = :o AND ent_id = :e AND priv_id = 10",
                           "i", {opId, entity}, r);
  };
  if (const long long right = rightFor(*business); right != 0 && !holds(right))
    found.push_back({13, "营业员[" + std::to_string(opId) + "]没有" + operationName(business->operation) +
                             "该业务的权限,不能受理"});
  if (ctx.user.get_REGION_CODE() != me->regionCode && !holds(kRemoteRight))
    found.push_back({13, "营业员[" + std::to_string(opId) + "]没有受理外地用户业务的权限,不能受理"});

  // The service password: an order that says it was checked, or one of a
  // business that requires it from an operator who may not waive it, must
  // come from a session that checked this subscriber's password lately.
  {
    Row v;
    const bool required = store::firstRow(sql, "SELECT verify_type FROM zp_busi_verify_type WHERE busi_code = :b", "i",
                                          {static_cast<long long>(business->busiCode)}, v) &&
                          v.i(0) == kPasswordRequired;
    const bool claimed = so.get_VERIFY_MODE() == kPasswordChecked;
    if (claimed || (required && !holds(kPasswordWaiver))) {
      const bool checked =
          store::firstRow(sql, "SELECT verified_at FROM zp_session_password WHERE session_id = :s AND serv_id = :v",
                          "i", {me->sessionId, static_cast<long long>(so.get_SERV_ID())}, v) &&
          v.i(0) >= now - kPasswordCheckLasts;
      if (!checked)
        found.push_back({16, "本次登录没有校验过用户[" + ctx.user.get_PHONE_ID() +
                                 "]的服务密码,该业务必须校验服务密码;请重新查询并输入服务密码后再受理"});
    }
  }

  // The handling agent must not be on the black list, his number compared
  // as the list keeps it (as the counter's look-up compares it).
  if (has(in, SSoUserServiceIn::kIdx_OPERATORMAN)) {
    const SOperator& agent = in.get_OPERATORMAN();
    const std::string number = normalisedDocumentNumber(agent.get_REG_NBR());
    Row b;
    if (!number.empty() &&
        store::firstRow(sql, "SELECT list_type FROM zp_black_list WHERE reg_type = :t AND reg_nbr = :n", "i",
                        {static_cast<long long>(agent.get_REG_TYPE()), number}, b) &&
        b.i(0) == 1)
      found.push_back({14, "经办人证件[" + agent.get_REG_NBR() + "]在黑名单中,不能受理"});
  }

  const SUserServiceOperList& opers = in.get_USERSERVICEOPERLIST();
  if (opers.size() != 1 || opers[0].get_BUSI_TYPE() != business->busiType ||
      opers[0].get_ACT_TYPE() != business->actType()) {
    found.push_back({4, "业务操作与业务代码[" + std::to_string(business->busiCode) + "]不符:应为业务类型[" +
                            std::to_string(business->busiType) + "]的一条" + operationName(business->operation) +
                            "操作"});
  }

  Row r;
  ctx.hasService = store::firstRow(sql, "SELECT res_id FROM zp_user_service WHERE serv_id = :s AND busi_type = :b",
                                   "s", {so.get_SERV_ID(), static_cast<long long>(business->busiType)}, r);
  if (ctx.hasService) ctx.currentNumber = r.s(0);
  if (business->operation == Operation::open && ctx.hasService)
    found.push_back({5, "用户已开通该业务,不能重复开通"});
  if (business->operation == Operation::cancel && !ctx.hasService)
    found.push_back({6, "用户未开通该业务,不能取消"});
  if (business->operation == Operation::change && !ctx.hasService)
    found.push_back({7, "用户未开通该业务,不能变更"});

  if (business->busiType == kGlobalCall && business->operation == Operation::open) {
    const SResSignList& signs = in.get_RESSIGNLIST();
    if (signs.empty()) {
      found.push_back({8, "开通全球呼必须先选择并预占一个全球呼号码"});
    } else {
      const std::string& number = signs[0].get_RES_ID();
      Row n;
      const bool held =
          store::firstRow(sql, "SELECT sts, op_id, lease_until FROM zp_res_number WHERE res_id = :r" + lock, "iii",
                          {number}, n) &&
          n.i(0) == kNumberReserved && n.i(1) == opId && n.i(2) >= now;
      if (!held)
        found.push_back({8, "全球呼号码[" + number + "]没有被本营业员预占,或预占已过期,请重新选号"});
      else if (!opers.empty() && has(opers[0], SUserServiceOper::kIdx_RES_ID) && opers[0].get_RES_ID() != number)
        found.push_back({8, "业务操作的号码[" + opers[0].get_RES_ID() + "]与预占号码[" + number + "]不一致"});
      else
        ctx.reservedNumber = number;
    }
  }

  if (so.get_AFTER_FLAG() != 0 && so.get_AFTER_FLAG() != 1)
    found.push_back({9, "补单标志[" + std::to_string(so.get_AFTER_FLAG()) + "]无效,应为0(正常受理)或1(事后补单)"});
  if (so.get_AFTER_FLAG() == 1) {
    const CBSDateTime after = so.get_AFTER_DATE();
    const CBSDateTime today = dateTimeAt(now);
    // The window is counted in whole days: the earliest day allowed is
    // allowed all day long, whatever the time of the check.
    const CBSDateTime earliest = dateTimeAt(now - static_cast<long long>(maxBackDateDays) * 24 * 3600);
    const CBSDateTime earliestDay = CBSDateTime::make(earliest.year(), earliest.month(), earliest.day());
    if (after.isZero())
      found.push_back({9, "事后补单必须给出补单日期"});
    else if (after > today)
      found.push_back({9, "补单日期[" + after.toString("%Y-%M-%D") + "]不能晚于当前日期"});
    else if (after < earliestDay)
      found.push_back({9, "补单日期[" + after.toString("%Y-%M-%D") + "]早于允许的补单期限(" +
                              std::to_string(maxBackDateDays) + "天),不能受理"});
  }

  // Promotion lines belong to the order's own business: an added one is a
  // promotion the catalogue offers for it, a cancelled or changed one is one
  // the subscriber has for it. Another business's promotions are not this
  // order's to touch.
  for (const SSpromOper& p : in.get_SPROMOPERLIST()) {
    Row r;
    const long long prom = p.get_SPROM_ID();
    const long long type = business->busiType;
    if (p.get_ACT_TYPE() == 1) {
      if (!store::firstRow(sql,
                           "SELECT prod_id FROM zp_catalogue_item WHERE prod_id = :p AND is_prom = 1 AND busi_type = :b",
                           "i", {prom, type}, r))
        found.push_back({15, "促销[" + std::to_string(prom) + "]不是本业务可办理的促销,不能受理"});
      // The subscriber's promotion is filed under the type its line gives.
      else if (p.get_BUSI_TYPE() != type)
        found.push_back({15, "促销[" + std::to_string(prom) + "]的业务类型[" + std::to_string(p.get_BUSI_TYPE()) +
                                 "]与本业务[" + std::to_string(type) + "]不符,不能受理"});
    } else if (!store::firstRow(sql,
                                "SELECT sprom_id FROM zp_user_promotion WHERE serv_id = :s AND sprom_id = :p AND "
                                "busi_type = :b",
                                "i", {static_cast<long long>(so.get_SERV_ID()), prom, type}, r)) {
      found.push_back({15, "用户没有本业务的促销[" + std::to_string(prom) + "],不能取消或变更"});
    }
  }

  // Every fee entry must be bookable by the money rule, or the order and its
  // invoice could not say the same amount.
  // The item must be one the catalogue knows, and only a discount item or
  // the reduction item may take money off the order.
  for (const SSoFee& fee : in.get_SOFEELIST()) {
    const long long item = fee.get_BOOK_ITEM_ID();
    Row r;
    if (!zpmoney::EntryAgrees(fee)) {
      found.push_back({11, "费用科目[" + std::to_string(item) + "]的合计金额与单价、数量和优惠不符,请重新计算费用"});
    } else if (!store::firstRow(sql, "SELECT item_id FROM zp_book_item WHERE item_id = :i", "i", {item}, r)) {
      found.push_back({11, "费用科目[" + std::to_string(item) + "]不存在,请重新计算费用"});
    } else if (*zpmoney::EntryAmount(fee) < 0 && item != kReductionItem &&
               !store::firstRow(sql, "SELECT disc_item FROM zp_acc_item_rel WHERE disc_item = :i", "i", {item}, r)) {
      found.push_back({11, "费用科目[" + std::to_string(item) + "]不是优惠科目,金额不能为负,请重新计算费用"});
    }
  }
  if (!zpmoney::OrderAmount(in.get_SOFEELIST()))
    found.push_back({11, "订单费用合计超出范围,请重新计算费用"});

  if (submitting && business->operation == Operation::open &&
      (business->busiType == kGps || business->busiType == kRingBack)) {
    const SSpecilDataInfo& sd = in.get_SPECILDATAINFO();
    const bool shaped = sd.get_BUSI_TYPE() == business->busiType && !sd.get_DATAINFOLIST().empty() &&
                        sd.get_DATAINFOLIST()[0].get_FIELDVALUELIST().size() == sd.get_FIELDLIST().size();
    if (!shaped)
      found.push_back({10, business->busiType == kGps ? "开通GPS业务必须填写GPS业务资料" : "开通彩铃业务必须选择铃声"});
    else
      checkProviderAndSong(sql, *business, ctx.user, sd, found);
  }

  // What the order holds: its subscriber by the rule chain, its products,
  // promotions and fees, judged from the store rather than from the request.
  checkOrderContent(sql, in, OrderFacts{*business, ctx.user, opId, me->regionCode, now, submitting}, found);
  return found;
}

std::string joined(const std::vector<Finding>& found) {
  std::string text;
  for (const Finding& f : found) text += f.text + "\n";
  return text;
}

// --- applying an order ------------------------------------------------------

void storeLine(soci::session& sql, long long soNbr, int& lineNo, const char* kind, long long actType, long long itemId,
               const std::string& itemText, long long amount, const std::string& record) {
  store::execute(sql,
                 "INSERT INTO zp_order_line (so_nbr, line_no, kind, act_type, item_id, item_text, amount, record) "
                 "VALUES (:n, :l, :k, :a, :i, :t, :m, :r)",
                 {soNbr, static_cast<long long>(++lineNo), std::string(kind), actType, itemId, itemText, amount, record});
}

// The order's GPS or ring-back operation becomes the subscriber's details:
// every field the detail record knows, with the dates of today.
void storeSpecialData(soci::session& sql, long long servId, int busiType, const SSpecilDataInfo& sd,
                      const CBSDateTime& today) {
  store::execute(sql, "DELETE FROM zp_special_data WHERE serv_id = :s AND busi_type = :b",
                 {servId, static_cast<long long>(busiType)});
  const std::vector<std::string> known = detailFields(busiType);
  std::map<std::string, std::string> values;
  const SFieldList& names = sd.get_FIELDLIST();
  const SFieldValueList& cells = sd.get_DATAINFOLIST()[0].get_FIELDVALUELIST();
  for (std::size_t i = 0; i < names.size() && i < cells.size(); ++i) values[names[i].get_FIELD_NAME()] = cells[i].get_FIELD_VALUE();
  const std::string now = today.toString(CBSDateTime::kDefaultFormat);
  values["STS"] = "1";
  values["SERV_ID"] = std::to_string(servId);
  values["BUSI_TYPE"] = std::to_string(busiType);
  for (const char* date : {"CREATE_DATE", "STS_DATE", "VALID_DATE"}) values[date] = now;
  values["EXPIRE_DATE"] = CBSDateTime(kForever).toString(CBSDateTime::kDefaultFormat);
  for (const std::string& name : known) {
    const auto it = values.find(name);
    if (it == values.end()) continue;
    store::execute(sql,
                   "INSERT INTO zp_special_data (serv_id, busi_type, field_name, field_value) VALUES (:s, :b, :n, :v)",
                   {servId, static_cast<long long>(busiType), name, it->second});
  }
}

void releaseNumber(soci::session& sql, const std::string& number) {
  store::execute(sql,
                 "UPDATE zp_res_number SET sts = 1, op_id = 0, org_id = 0, agent_id = 0, sign_time = 0, "
                 "lease_until = 0, serv_id = 0 WHERE res_id = :r",
                 {number});
}

}  // namespace

VasDeskService::VasDeskService(store::Database& db, VasDeskConfig config) : db_(db), config_(std::move(config)) {}

long long VasDeskService::now() const {
  return config_.clock ? config_.clock() : static_cast<long long>(std::time(nullptr));
}

void VasDeskService::transactKeyed(bool keyed, const std::function<void(soci::session&, bool again)>& fn) {
  try {
    db_.transact(Database::Intent::write, [&](soci::session& sql) { fn(sql, false); });
  } catch (const std::exception&) {
    // A key already kept, by an earlier call or by another server or worker
    // meanwhile, fails this one's keeping and rolls its work back: once
    // more, looking for the kept reply first.
    if (!keyed) throw;
    db_.transact(Database::Intent::write, [&](soci::session& sql) { fn(sql, true); });
  }
}

void VasDeskService::pruneCallKeysIfDue(soci::session& sql, long long at) {
  long long last = lastPrune_.load();
  if (last != LLONG_MIN && at - last < config_.callKeys.pruneEvery.count()) return;
  if (!lastPrune_.compare_exchange_strong(last, at)) return;  // another worker prunes
  pruneCallKeys(sql, at - config_.callKeys.retention.count());
}

std::int32_t VasDeskService::get_info(const SFetchCtInfoIn& sIn, SGetInfoOut& sOut, CBSErrorMsg& err) {
  if (const std::int32_t r = refuseUnlessCaller(err, "查询新业务信息", currentCaller(), sIn.get_OP_ID(),
                                                has(sIn, SFetchCtInfoIn::kIdx_OP_ID)))
    return r;
  if (!has(sIn, SFetchCtInfoIn::kIdx_SERV_ID) || sIn.get_SERV_ID() == 0)
    return refuse(err, kRefusedRequest, "查询新业务信息", "请求中缺少用户标识SERV_ID");
  const auto business = businessOf(sIn.get_BUSI_CODE());
  if (!business)
    return refuse(err, kRefusedBusiCode, "查询新业务信息",
                  "业务代码[" + std::to_string(sIn.get_BUSI_CODE()) + "]不属于新业务受理");
  bool found = false;
  try {
    db_.transact(Database::Intent::read, [&](soci::session& sql) {
      SUserInfo user;
      found = findUser(sql, sIn.get_SERV_ID(), "", user);
      if (!found) return;
      const long long servId = user.get_SERV_ID();
      const int region = user.get_REGION_CODE();
      sOut.set_USERINFO(user);
      sOut.set_CUSTINFO(custInfo(sql, user.get_CUST_ID()));
      sOut.set_ACCTINFO(acctInfo(sql, user.get_ACCT_ID()));
      sOut.set_USERSERVICEINFOLIST(serviceList(sql, servId, business->busiType, region));
      sOut.set_MSCFUNCINFOLIST(productList(sql, servId, business->busiType));
      sOut.set_SPROMINFOLIST(promotionList(sql, servId, business->busiType, region));
      sOut.set_DEPOSITINFOLIST(depositList(sql, servId, region));
      sOut.set_EQPTINFOLIST(equipmentList(sql, servId));
      if (business->busiType == kGps || business->busiType == kRingBack)
        sOut.set_SPECILDATAINFO(specialData(sql, servId, business->busiType));
    });
  } catch (const std::exception& e) {
    return refuse(err, kRefusedStore, "查询新业务信息", std::string("数据库访问失败:") + e.what());
  }
  if (!found)
    return refuse(err, kRefusedUnknownUser, "查询新业务信息",
                  "用户资料不存在[SERV_ID=" + std::to_string(sIn.get_SERV_ID()) + "]");
  return 0;
}

std::int32_t VasDeskService::check_so(const SSoUserServiceIn& sIn, SCheckSoOut& sOut, CBSErrorMsg& err) {
  std::vector<Finding> found;
  try {
    db_.transact(Database::Intent::read, [&](soci::session& sql) {
      OrderContext ctx;
      found = checkOrder(sql, db_, sIn, now(), false, config_.maxBackDateDays, ctx);
    });
  } catch (const std::exception& e) {
    return refuse(err, kRefusedStore, "订单检查", std::string("数据库访问失败:") + e.what());
  }
  SCheckOutList list;
  for (const Finding& f : found) {
    SCheckOut c;
    c.set_CHECKOUT(f.code);
    c.set_CHECKDESC(f.text);
    list.push_back(c);
  }
  sOut.set_VALID_COUNT(static_cast<std::int32_t>(found.size()));
  sOut.set_CHECKDATALIST(list);
  return 0;
}

std::int32_t VasDeskService::so_userService(const SSoUserServiceIn& sIn, SSoUserServiceOut& sOut, CBSErrorMsg& err) {
  const Caller* me = currentCaller();  // checkOrder refuses an order without one
  if (const std::string why = unfitCallKey(); !why.empty())
    return refuse(err, kRefusedRequest, "业务受理",
                  why + ",无法防止重复受理,业务没有受理;请重新提交,仍不成功请联系系统管理员");
  // A submission asked again under its key is answered with the reply it was
  // given, whatever the order it carries would be found now (its number is
  // in use, by this very order).
  const std::string key = me ? std::string(currentCallKey()) : std::string();
  const long long at = now();
  const CBSDateTime today = dateTimeAt(at);
  std::vector<Finding> found;
  SSoResultInfo result;
  STiketInfoList tickets;
  std::string kept;
  try {
    transactKeyed(!key.empty(), [&](soci::session& sql, bool again) {
      found.clear();
      result = {};
      tickets.clear();
      kept.clear();
      if (!key.empty()) {
        pruneCallKeysIfDue(sql, at);
        if (again && findKeptReply(sql, me->opId, kSubmitOperation, key, kept)) return;
      }
      OrderContext ctx;
      found = checkOrder(sql, db_, sIn, at, true, config_.maxBackDateDays, ctx);
      if (!found.empty()) {
        if (!key.empty()) {
          CBSErrorMsg refused;
          refuse(refused, kRefusedOrder, "订单检查不通过,业务没有受理", joined(found));
          keepReply(sql, me->opId, kSubmitOperation, key, at, 0,
                    keptReply(kRefusedOrder, SSoUserServiceOut{}, refused));
        }
        return;  // nothing else written
      }
      const SSoInfo& so = sIn.get_SOINFO();
      const SUserInfo& user = ctx.user;
      const long long servId = user.get_SERV_ID();
      const int busiType = ctx.business.busiType;
      const long long soNbr = store::nextSequence(sql, "so_nbr");
      int lineNo = 0;

      // The service itself.
      const SUserServiceOper& oper = sIn.get_USERSERVICEOPERLIST()[0];
      storeLine(sql, soNbr, lineNo, "service", oper.get_ACT_TYPE(), busiType, oper.get_RES_ID(), 0, lineRecordHex(oper));
      switch (ctx.business.operation) {
        case Operation::open: {
          const std::string number = busiType == kGlobalCall ? ctx.reservedNumber : oper.get_RES_ID();
          store::execute(sql,
                         "INSERT INTO zp_user_service (serv_id, busi_type, service_id, res_code, res_id, sts, "
                         "sts_date, valid_date, expire_date, remark, so_nbr) VALUES (:s, :b, :v, :c, :r, 1, :d, :d2, "
                         ":e, :m, :n)",
                         {servId, static_cast<long long>(busiType), static_cast<long long>(oper.get_SERVICE_ID()),
                          static_cast<long long>(oper.get_RES_CODE()), number, today.packed(), today.packed(),
                          kForever, oper.get_REMARK(), soNbr});
          if (busiType == kGlobalCall)
            store::execute(sql, "UPDATE zp_res_number SET sts = 3, serv_id = :s, lease_until = 0 WHERE res_id = :r",
                           {servId, number});
          break;
        }
        case Operation::cancel:
          store::execute(sql, "DELETE FROM zp_user_service WHERE serv_id = :s AND busi_type = :b",
                         {servId, static_cast<long long>(busiType)});
          store::execute(sql, "DELETE FROM zp_special_data WHERE serv_id = :s AND busi_type = :b",
                         {servId, static_cast<long long>(busiType)});
          if (busiType == kGlobalCall && !ctx.currentNumber.empty()) releaseNumber(sql, ctx.currentNumber);
          break;
        case Operation::change:
          store::execute(sql,
                         "UPDATE zp_user_service SET remark = :m, sts_date = :d, so_nbr = :n "
                         "WHERE serv_id = :s AND busi_type = :b",
                         {oper.get_REMARK(), today.packed(), soNbr, servId, static_cast<long long>(busiType)});
          break;
      }

      // An added product or promotion is stored as the catalogue gives it,
      // as the counter builds its line, whatever the line says: its service
      // from the catalogue (it decides the business a product belongs to),
      // an added product optional (only the plan makes one mandatory, and
      // the counter never adds one as such), a promotion of no type and pay
      // mode, under the subscriber's plan where the business's promotions
      // come with the plan and under none otherwise.
      const auto catalogueService = [&](long long item) {
        Row c;
        return store::firstRow(sql, "SELECT service_id FROM zp_catalogue_item WHERE prod_id = :p", "i", {item}, c)
                   ? c.i(0)
                   : 0LL;
      };
      for (const SMscFuncOper& p : sIn.get_MSCFUNCOPERLIST()) {
        storeLine(sql, soNbr, lineNo, "product", p.get_ACT_TYPE(), p.get_PROD_ID(), p.get_FUNC_PARAM(), 0,
                  lineRecordHex(p));
        const long long prod = p.get_PROD_ID();
        if (p.get_ACT_TYPE() == 1) {
          store::execute(sql, "DELETE FROM zp_user_product WHERE serv_id = :s AND prod_id = :p", {servId, prod});
          store::execute(sql,
                         "INSERT INTO zp_user_product (serv_id, prod_id, busi_type, func_param, func_type, service_id, "
                         "plan_id, valid_date, expire_date, remark, so_nbr) VALUES (:s, :p, :b, :f, :t, :v, :l, :d, "
                         ":e, :m, :n)",
                         {servId, prod, static_cast<long long>(p.get_BUSI_TYPE()), p.get_FUNC_PARAM(),
                          kOptionalProduct, catalogueService(prod), static_cast<long long>(user.get_PLAN_ID()),
                          today.packed(), kForever, p.get_REMARK(), soNbr});
        } else if (p.get_ACT_TYPE() == 3) {
          store::execute(sql, "DELETE FROM zp_user_product WHERE serv_id = :s AND prod_id = :p", {servId, prod});
        } else {
          store::execute(sql,
                         "UPDATE zp_user_product SET func_param = :f, remark = :m, so_nbr = :n "
                         "WHERE serv_id = :s AND prod_id = :p",
                         {p.get_FUNC_PARAM(), p.get_REMARK(), soNbr, servId, prod});
        }
      }

      Row planType;
      const long long promotionPlan =
          store::firstRow(sql, "SELECT type FROM zp_busi_type WHERE busi_type = :b", "i",
                          {static_cast<long long>(busiType)}, planType) &&
                  planType.i(0) == 1
              ? static_cast<long long>(user.get_PLAN_ID())
              : 0LL;
      for (const SSpromOper& p : sIn.get_SPROMOPERLIST()) {
        storeLine(sql, soNbr, lineNo, "promotion", p.get_ACT_TYPE(), p.get_SPROM_ID(), p.get_SPROM_PARA(), 0,
                  lineRecordHex(p));
        const long long prom = p.get_SPROM_ID();
        if (p.get_ACT_TYPE() == 1) {
          const long long valid = p.get_VALID_DATE().isZero() ? today.packed() : p.get_VALID_DATE().packed();
          const long long expire = p.get_EXPIRE_DATE().isZero() ? kForever : p.get_EXPIRE_DATE().packed();
          store::execute(sql, "DELETE FROM zp_user_promotion WHERE serv_id = :s AND sprom_id = :p", {servId, prom});
          store::execute(sql,
                         "INSERT INTO zp_user_promotion (serv_id, sprom_id, busi_type, plan_id, sprom_type, "
                         "sprom_para, sprom_prior, pay_mode, service_id, subscr_param, create_date, valid_date, "
                         "expire_date, remark, so_nbr) VALUES (:s, :p, :b, :l, :t, :a, :r, :y, :v, :sp, :c, :d, :e, "
                         ":m, :n)",
                         {servId, prom, static_cast<long long>(p.get_BUSI_TYPE()), promotionPlan,
                          kPromotionType, p.get_SPROM_PARA(), static_cast<long long>(p.get_SPROM_PRIOR()),
                          kPromotionPayMode, catalogueService(prom), p.get_PROPERTY(), today.packed(), valid, expire,
                          p.get_REMARK(), soNbr});
        } else if (p.get_ACT_TYPE() == 3) {
          if (p.get_EXPIRE_DATE().isZero())
            store::execute(sql, "DELETE FROM zp_user_promotion WHERE serv_id = :s AND sprom_id = :p", {servId, prom});
          else  // ends at the date the order gives (the next billing cycle)
            store::execute(sql,
                           "UPDATE zp_user_promotion SET expire_date = :e, so_nbr = :n WHERE serv_id = :s AND "
                           "sprom_id = :p",
                           {p.get_EXPIRE_DATE().packed(), soNbr, servId, prom});
        } else {
          store::execute(sql,
                         "UPDATE zp_user_promotion SET sprom_para = :a, remark = :m, so_nbr = :n "
                         "WHERE serv_id = :s AND sprom_id = :p",
                         {p.get_SPROM_PARA(), p.get_REMARK(), soNbr, servId, prom});
        }
      }

      if (has(sIn, SSoUserServiceIn::kIdx_SPECILDATAINFO) && sIn.get_SPECILDATAINFO().get_BUSI_TYPE() > 0) {
        const SSpecilDataInfo& sd = sIn.get_SPECILDATAINFO();
        storeLine(sql, soNbr, lineNo, "special", oper.get_ACT_TYPE(), sd.get_BUSI_TYPE(), "", 0, lineRecordHex(sd));
        if (ctx.business.operation == Operation::open && (busiType == kGps || busiType == kRingBack))
          storeSpecialData(sql, servId, busiType, sd, today);
      }

      // The order books each entry's amount by the money rule, and the
      // invoice's lines are those same amounts: what was collected is what
      // is booked is what is invoiced.
      for (const SSoFee& fee : sIn.get_SOFEELIST())
        storeLine(sql, soNbr, lineNo, "fee", fee.get_OPER_TYPE(), fee.get_BOOK_ITEM_ID(), fee.get_REMARK(),
                  *zpmoney::EntryAmount(fee), lineRecordHex(fee));
      tickets = invoiceLinesOf(sql, sIn.get_SOFEELIST());
      for (const SResSign& r : sIn.get_RESSIGNLIST())
        storeLine(sql, soNbr, lineNo, "reservation", 1, r.get_RES_CODE(), r.get_RES_ID(), 0, lineRecordHex(r));
      if (has(sIn, SSoUserServiceIn::kIdx_OPERATORMAN)) {
        const SOperator& agent = sIn.get_OPERATORMAN();
        storeLine(sql, soNbr, lineNo, "agent", 0, agent.get_REG_TYPE(), agent.get_SO_MAN(), 0, lineRecordHex(agent));
      }

      store::execute(sql,
                     "INSERT INTO zp_order (so_nbr, busi_code, serv_id, cust_id, acct_id, op_id, region_code, "
                     "county_code, org_id, so_region_code, so_county_code, so_org_id, so_date, after_flag, "
                     "after_date, verify_mode, line_count, print_count) VALUES (:n, :b, :s, :c, :a, :o, :r, :k, "
                     ":g, :sr, :sk, :sg, :d, :f, :ad, :v, :l, 0)",
                     {soNbr, static_cast<long long>(ctx.business.busiCode), servId, user.get_CUST_ID(),
                      user.get_ACCT_ID(), me->opId,
                      static_cast<long long>(user.get_REGION_CODE()), static_cast<long long>(user.get_COUNTY_CODE()),
                      static_cast<long long>(user.get_ORG_ID()), me->regionCode, me->countyCode, me->orgId,
                      today.packed(), static_cast<long long>(so.get_AFTER_FLAG()),
                      so.get_AFTER_FLAG() == 1 ? so.get_AFTER_DATE().packed() : 0LL,
                      static_cast<long long>(so.get_VERIFY_MODE()), static_cast<long long>(lineNo)});

      result.set_SO_NBR(soNbr);
      result.set_SERV_ID(servId);
      result.set_CUST_ID(user.get_CUST_ID());
      result.set_ACCT_ID(user.get_ACCT_ID());
      result.set_SO_DATE(today);
      result.set_SUBSO_NBR(0);
      result.set_NEED_PRINT(1);
      result.set_RESULT(0);
      result.set_ERROR_MSG("");
      if (!key.empty()) {
        SSoUserServiceOut reply;
        reply.set_SORESULTINFO(result);
        reply.set_TIKETINFOLIST(tickets);
        CBSErrorMsg accepted;
        acceptedTexts(accepted, soNbr);
        keepReply(sql, me->opId, kSubmitOperation, key, at, soNbr, keptReply(0, reply, accepted));
      }
    });
  } catch (const std::exception& e) {
    return refuse(err, kRefusedStore, "业务受理", std::string("数据库访问失败,业务没有受理:") + e.what());
  }
  if (!kept.empty()) {
    std::int32_t r = 0;
    if (!readKeptReply(kept, r, sOut, err))
      return refuse(err, kRefusedStore, "业务受理", "已受理业务的结果无法读取,请查询业务流水");
    return r;
  }
  if (!found.empty()) return refuse(err, kRefusedOrder, "订单检查不通过,业务没有受理", joined(found));
  sOut.set_SORESULTINFO(result);
  sOut.set_TIKETINFOLIST(tickets);
  acceptedTexts(err, result.get_SO_NBR());
  return 0;
}

std::int32_t VasDeskService::do_signRes(const SDoSignResIn& sIn, SDoSignResOut& sOut, CBSErrorMsg& err) {
  const std::string& number = sIn.get_RES_ID();
  if (number.empty()) return refuse(err, kRefusedRequest, "号码预占", "请求中缺少号码RES_ID");
  const int act = sIn.get_ACT_TYPE();
  if (act != 1 && act != 2)
    return refuse(err, kRefusedRequest, "号码预占", "预占操作类型[" + std::to_string(act) + "]无效,应为1预占或2释放");
  const long long at = now();
  const CBSDateTime signTime = dateTimeAt(at);
  const Caller* me = currentCaller();
  if (const std::int32_t r = refuseUnlessCaller(err, "号码预占", me, sIn.get_OP_ID(), has(sIn, SDoSignResIn::kIdx_OP_ID)))
    return r;
  if (const std::string why = unfitCallKey(); !why.empty())
    return refuse(err, kRefusedRequest, "号码预占",
                  why + ",无法防止重复操作,号码没有预占或释放;请重新操作,仍不成功请联系系统管理员");
  const long long op = me->opId;
  const std::string key(currentCallKey());
  std::string refusal;
  SResSign sign;
  std::string kept;
  try {
    transactKeyed(!key.empty(), [&](soci::session& sql, bool again) {
      refusal.clear();
      sign = {};
      kept.clear();
      if (!key.empty()) {
        pruneCallKeysIfDue(sql, at);
        if (again && findKeptReply(sql, op, kSignResOperation, key, kept)) return;
      }
      // The work; a refusal returns from it early.
      [&] {
      long long changed;
      long long opRegion = 0;
      if (act == 1) {
        // The pool is the operator's region as the store knows him, never
        // what the request says; the row lock keeps his count honest when
        // two of his requests race.
        Row o;
        if (!store::firstRow(sql, std::string("SELECT region_code FROM zp_operator WHERE op_id = :o") + db_.rowLock(), "i", {op},
                             o)) {
          refusal = "营业员[" + std::to_string(op) + "]不存在,不能预占号码";
          return;
        }
        opRegion = o.i(0);
        Row held;
        store::firstRow(sql,
                        "SELECT COUNT(*) FROM zp_res_number WHERE sts = 2 AND op_id = :o AND lease_until >= :now "
                        "AND res_id <> :r",
                        "i", {op, at, number}, held);
        if (held.i(0) >= config_.maxHeldNumbers) {
          refusal = "本营业员已预占" + std::to_string(held.i(0)) + "个号码,已达上限" +
                    std::to_string(config_.maxHeldNumbers) + "个,请先使用或释放已预占的号码";
          return;
        }
        // One conditional update: of two counters racing for a number, one wins.
        changed = store::execute(
            sql,
            "UPDATE zp_res_number SET sts = 2, op_id = :o, org_id = :g, agent_id = :a, sign_time = :t, "
            "lease_until = :u WHERE res_id = :r AND region_code = :rg AND (sts = 1 OR (sts = 2 AND (lease_until < :now "
            "OR op_id = :o2)))",
            {op, me->orgId, static_cast<long long>(sIn.get_AGENT_ID()),
             signTime.packed(), at + config_.reservationLease.count(), number, opRegion, at, op});
      } else {
        changed = store::execute(sql,
                                 "UPDATE zp_res_number SET sts = 1, op_id = 0, org_id = 0, agent_id = 0, sign_time = 0, "
                                 "lease_until = 0 WHERE res_id = :r AND sts = 2 AND op_id = :o",
                                 {number, op});
      }
      Row r;
      const bool exists = store::firstRow(sql,
                                          "SELECT res_code, region_code, county_code, org_id, op_id, agent_id, sts, "
                                          "sign_time, lease_until FROM zp_res_number WHERE res_id = :r",
                                          "iiiiiiiii", {number}, r);
      if (changed == 1) {
        sign.set_RES_ID(number);
        sign.set_RES_CODE(static_cast<std::int32_t>(r.i(0)));
        sign.set_REGION_CODE(static_cast<std::int16_t>(r.i(1)));
        sign.set_COUNTY_CODE(static_cast<std::int16_t>(r.i(2)));
        sign.set_ORG_ID(static_cast<std::int32_t>(act == 1 ? r.i(3) : me->orgId));
        sign.set_OP_ID(static_cast<std::int32_t>(op));
        sign.set_AGENT_ID(static_cast<std::int32_t>(act == 1 ? r.i(5) : sIn.get_AGENT_ID()));
        sign.set_STS(static_cast<std::int16_t>(r.i(6)));
        sign.set_SIGN_TIME(act == 1 ? CBSDateTime(r.i(7)) : signTime);
        if (!key.empty()) {
          SDoSignResOut reply;
          reply.set_RESSIGN(sign);
          keepReply(sql, op, kSignResOperation, key, at, 0, keptReply(0, reply, CBSErrorMsg{}));
        }
        return;
      }
      if (!exists)
        refusal = "号码[" + number + "]不在号码资源中";
      else if (act == 1 && r.i(1) != opRegion)
        refusal = "号码[" + number + "]不属于本地区,不能预占";
      else if (act == 1 && r.i(6) == kNumberInUse)
        refusal = "号码[" + number + "]已被使用,请重新选号";
      else if (act == 1)
        refusal = "号码[" + number + "]已被其他营业员预占,请重新选号";
      else
        refusal = "号码[" + number + "]不是本营业员预占的号码,不能释放";
      }();
      if (!refusal.empty() && !key.empty()) {
        CBSErrorMsg refused;
        refuse(refused, kRefusedNumber, act == 1 ? "号码预占" : "号码释放", refusal);
        keepReply(sql, op, kSignResOperation, key, at, 0, keptReply(kRefusedNumber, SDoSignResOut{}, refused));
      }
    });
  } catch (const std::exception& e) {
    return refuse(err, kRefusedStore, act == 1 ? "号码预占" : "号码释放", std::string("数据库访问失败:") + e.what());
  }
  if (!kept.empty()) {
    std::int32_t r = 0;
    if (!readKeptReply(kept, r, sOut, err))
      return refuse(err, kRefusedStore, "号码预占", "已完成的预占结果无法读取,请重新查询");
    return r;
  }
  if (!refusal.empty()) return refuse(err, kRefusedNumber, act == 1 ? "号码预占" : "号码释放", refusal);
  sOut.set_RESSIGN(sign);
  return 0;
}

std::int32_t VasDeskService::query_resList(const SQueryResListIn& sIn, SQueryResListOut& sOut, CBSErrorMsg& err) {
  const int max = sIn.get_MAX_NUM();
  if (max <= 0) return refuse(err, kRefusedRequest, "号码查询", "查询数量必须大于0");
  const int limit = std::min(max, config_.maxQueryNumbers);
  // The pool shown is the signed-in operator's region's, as for reserving.
  const Caller* me = currentCaller();
  if (const std::int32_t r = refuseUnlessCaller(err, "号码查询", me, sIn.get_OP_ID(), has(sIn, SQueryResListIn::kIdx_OP_ID)))
    return r;
  std::string where = "region_code = :r AND (sts = 1 OR (sts = 2 AND lease_until < :now))";
  std::vector<Param> params = {me->regionCode, now()};
  if (has(sIn, SQueryResListIn::kIdx_RES_TYPE) && sIn.get_RES_TYPE() != 0) {
    where += " AND res_type = :t";
    params.emplace_back(static_cast<long long>(sIn.get_RES_TYPE()));
  }
  if (!sIn.get_START_NO().empty()) {
    where += " AND res_id >= :a";
    params.emplace_back(sIn.get_START_NO());
  }
  if (!sIn.get_END_NO().empty()) {
    where += " AND res_id <= :b";
    params.emplace_back(sIn.get_END_NO());
  }
  SResInfoList list;
  try {
    db_.transact(Database::Intent::read, [&](soci::session& sql) {
      store::forEachRow(sql,
                        "SELECT res_code, res_id FROM zp_res_number WHERE " + where + " ORDER BY res_id LIMIT " +
                            std::to_string(limit),
                        "is", params, [&](const Row& r) {
                          SResInfo n;
                          n.set_RES_CODE(static_cast<std::int32_t>(r.i(0)));
                          n.set_RES_ID(r.s(1));
                          n.set_RES_STS(kNumberFree);
                          list.push_back(std::move(n));
                        });
    });
  } catch (const std::exception& e) {
    return refuse(err, kRefusedStore, "号码查询", std::string("数据库访问失败:") + e.what());
  }
  sOut.set_RESINFOLIST(list);
  return 0;
}

}  // namespace zp::backend
