// The print data of a submitted order: the back end prepares the fields of
// the receipt and the invoice, the library puts them into the paper's table.
#include "cbusinesspublic.h"
#include "zpd_library.h"

namespace {

// The table holds this order's record alone, with every field, or stays as
// it was. An earlier order's record never rides along onto this paper.
bool fillTable(const MBusiPublic::SPrintFieldList& fields, zp::report::RecordTable& table, zpd_library_call& call) {
  zp::report::RecordTable filled = table;
  if (!filled.isOpen()) filled.open();
  filled.clear();
  filled.append();
  std::string why;
  for (const MBusiPublic::SPrintField& f : fields)
    if (!filled.set(f.get_NAME(), f.get_VALUE(), &why)) return call.fail(ZPE_CLN_MARSHAL_OUT, "打印数据不能放入报表: " + why);
  table = std::move(filled);
  return true;
}

}  // namespace

bool CBusinessPublic::PrintDataGetSoVoucher(int busiCode, int verifyMode, const std::string& phoneId,
                                            const MPublicDef::SSoInfo& soInfo, const MPublicDef::SSoResultInfo& result,
                                            const MPublicDef::SCustInfo& cust, const MPublicDef::SOperator& agent,
                                            const std::string& memo, zp::report::RecordTable& table) {
  zpd_library_call call(error_, "取受理回执打印数据");
  return call.run([&] {
    MBusiPublic::SPrintVoucherIn in;
    in.set_BUSI_CODE(busiCode);
    in.set_VERIFY_MODE(verifyMode);
    in.set_PHONE_ID(phoneId);
    in.set_SOINFO(soInfo);
    in.set_SORESULT(result);
    in.set_CUSTINFO(cust);
    in.set_AGENT(agent);
    in.set_MEMO(memo);
    MBusiPublic::SPrintFieldList fields;
    if (!call.finish(zpd_invoke(client_, MBusiPublic::IBusiPrint_get_soVoucher, in, fields, error_, nullptr)))
      return false;
    return fillTable(fields, table, call);
  });
}

bool CBusinessPublic::PrintDataGetSoInvoice(const std::string& phoneId, const MPublicDef::SCustInfo& cust,
                                            const MPublicDef::SSoResultInfo& result,
                                            const MPublicDef::STiketInfoList& tickets, const std::string& remark,
                                            int opId, zp::report::RecordTable& table) {
  zpd_library_call call(error_, "取发票打印数据");
  return call.run([&] {
    MBusiPublic::SPrintInvoiceIn in;
    in.set_PHONE_ID(phoneId);
    in.set_CUSTINFO(cust);
    in.set_SORESULT(result);
    in.set_TIKETINFOLIST(tickets);
    in.set_REMARK(remark);
    in.set_OP_ID(opId);
    MBusiPublic::SPrintFieldList fields;
    if (!call.finish(zpd_invoke(client_, MBusiPublic::IBusiPrint_get_soInvoice, in, fields, error_, nullptr)))
      return false;
    return fillTable(fields, table, call);
  });
}

bool CBusinessPublic::SetSoPrint(const MPublicDef::SSoInfo& header, int& count, int, const std::string&,
                                 const std::string&) {
  zpd_library_call call(error_, "发票打印次数回写");
  return call.run([&] {
    MBusiPublic::SSoPrintOut out;
    if (!call.finish(zpd_invoke(client_, MBusiPublic::IBusiPrint_set_soPrint, header, out, error_, nullptr)))
      return false;
    count = out.get_PRINT_COUNT();
    return true;
  });
}
