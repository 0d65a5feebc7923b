// Encode + decode of the records the module exchanges most, beside protobuf
// encoding the same fields: a fully set SUserInfo and a list of 50
// SMscFuncInfo. Texts hold Chinese where the counter's data does.
#include <benchmark/benchmark.h>

#include "MPublicDef.h"
#include "ratio_reporter.h"
#include "records.pb.h"
#include "zpb_record.h"

namespace {

constexpr zpb_name kFrame{"bench.Records.ParamOut"};
const CBSDateTime kWhen = CBSDateTime::make(2026, 12, 10, 9, 30, 0);

MPublicDef::SUserInfo fullUser() {
  MPublicDef::SUserInfo u;
  u.set_WARN_FEE(5000); u.set_VIP_FLAG(1); u.set_USER_VALUE(320); u.set_USER_TYPE(1); u.set_USER_STS(1);
  u.set_USER_EXT_FLAG("00010000"); u.set_STS_DATE(kWhen); u.set_SPHONE_ID("13957100002"); u.set_SIM_TYPE(2);
  u.set_SIM_ID("89860057100000000002"); u.set_SERV_ID(9000000002LL); u.set_SCP_AREA(571); u.set_REMARK("老客户,全球呼用户");
  u.set_REGION_CODE(571); u.set_PROMPT_TYPE(0); u.set_PROMPT_NBR("13957100099"); u.set_PROMPT_LAG(3); u.set_PLAN_ID(101);
  u.set_PHONE_ID("13957100002"); u.set_PASSWORD_FLAG(1); u.set_PROTECT_FLAG(0); u.set_PASSWORD("");
  u.set_OS_STS("00000000"); u.set_ORG_ID(5710101); u.set_AGENT_ID(0); u.set_LIMIT_FEE(20000); u.set_HLR_CODE(57101);
  u.set_CUST_ID(7000000002LL); u.set_CREDIT_CLASS(3); u.set_CREDIT(10000); u.set_CREATE_DATE(kWhen);
  u.set_COUNTY_CODE(1); u.set_BRAND(1); u.set_BILL_TYPE(0); u.set_ACCT_ID(8000000002LL); u.set_USER_PROPERTY(0);
  return u;
}

zpbench::UserInfo fullUserProto() {
  zpbench::UserInfo u;
  u.set_warn_fee(5000); u.set_vip_flag(1); u.set_user_value(320); u.set_user_type(1); u.set_user_sts(1);
  u.set_user_ext_flag("00010000"); u.set_sts_date(kWhen.packed()); u.set_sphone_id("13957100002"); u.set_sim_type(2);
  u.set_sim_id("89860057100000000002"); u.set_serv_id(9000000002LL); u.set_scp_area(571); u.set_remark("老客户,全球呼用户");
  u.set_region_code(571); u.set_prompt_type(0); u.set_prompt_nbr("13957100099"); u.set_prompt_lag(3); u.set_plan_id(101);
  u.set_phone_id("13957100002"); u.set_password_flag(1); u.set_protect_flag(0); u.set_password("");
  u.set_os_sts("00000000"); u.set_org_id(5710101); u.set_agent_id(0); u.set_limit_fee(20000); u.set_hlr_code(57101);
  u.set_cust_id(7000000002LL); u.set_credit_class(3); u.set_credit(10000); u.set_create_date(kWhen.packed());
  u.set_county_code(1); u.set_brand(1); u.set_bill_type(0); u.set_acct_id(8000000002LL); u.set_user_property(0);
  return u;
}

MPublicDef::SMscFuncInfoList products() {
  MPublicDef::SMscFuncInfoList list;
  for (int i = 0; i < 50; ++i) {
    MPublicDef::SMscFuncInfo p;
    p.set_BUSI_TYPE(104); p.set_EXPIRE_DATE(kWhen); p.set_PROD_ID(3100 + i); p.set_FUNC_PARAM("13957100099");
    p.set_FUNC_TYPE(1); p.set_OPER_TYPE(2); p.set_PROPERTY("1"); p.set_REMARK("呼叫转移"); p.set_SERV_ID(9000000002LL);
    p.set_VALID_DATE(kWhen); p.set_SERVICE_ID(1104); p.set_PLAN_ID(101); p.set_EXT_PROP1("A01"); p.set_EXT_PROP2("");
    p.set_EXT_PROP3(""); p.set_EXT_PROP4("");
    list.push_back(std::move(p));
  }
  return list;
}

zpbench::MscFuncInfoList productsProto() {
  zpbench::MscFuncInfoList list;
  for (int i = 0; i < 50; ++i) {
    zpbench::MscFuncInfo* p = list.add_items();
    p->set_busi_type(104); p->set_expire_date(kWhen.packed()); p->set_prod_id(3100 + i); p->set_func_param("13957100099");
    p->set_func_type(1); p->set_oper_type(2); p->set_property("1"); p->set_remark("呼叫转移"); p->set_serv_id(9000000002LL);
    p->set_valid_date(kWhen.packed()); p->set_service_id(1104); p->set_plan_id(101); p->set_ext_prop1("A01");
    p->set_ext_prop2(""); p->set_ext_prop3(""); p->set_ext_prop4("");
  }
  return list;
}

// One encode into a reused buffer and one decode of those bytes into a
// fresh value; protobuf below does the same (its buffer reused, its parse
// reading the encoded bytes in place).
template <class T>
void oursRoundTrip(benchmark::State& state, const T& value) {
  zpb_stream w;
  zpb_stream r;
  std::string spare;
  for (auto _ : state) {
    w.open(std::move(spare));
    w.begin_stream(kFrame);
    zpb_write(w, value);
    w.end_stream();
    r.open_for_reading(w.take_bytes());
    T back{};
    r.begin_stream(kFrame);
    zpb_read(r, back);
    if (!r.end_stream()) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(back);
    spare = r.take_bytes();
  }
}

template <class M>
void protoRoundTrip(benchmark::State& state, const M& value) {
  std::string buf;
  for (auto _ : state) {
    buf.clear();
    value.SerializeToString(&buf);
    M back;
    if (!back.ParseFromString(buf)) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(back);
  }
}

void BM_Ours_UserInfo(benchmark::State& s) { oursRoundTrip(s, fullUser()); }
void BM_Protobuf_UserInfo(benchmark::State& s) { protoRoundTrip(s, fullUserProto()); }
void BM_Ours_MscFuncInfoList50(benchmark::State& s) { oursRoundTrip(s, products()); }
void BM_Protobuf_MscFuncInfoList50(benchmark::State& s) { protoRoundTrip(s, productsProto()); }

BENCHMARK(BM_Ours_UserInfo);
BENCHMARK(BM_Protobuf_UserInfo);
BENCHMARK(BM_Ours_MscFuncInfoList50);
BENCHMARK(BM_Protobuf_MscFuncInfoList50);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nencode+decode, ours beside protobuf (same fields, same run):\n");
  reporter.ratio("SUserInfo, 36 fields", "BM_Ours_UserInfo", "BM_Protobuf_UserInfo", "<= 0.67");
  reporter.ratio("SMscFuncInfo list of 50", "BM_Ours_MscFuncInfoList50", "BM_Protobuf_MscFuncInfoList50", "<= 0.67");
  benchmark::Shutdown();
  return 0;
}
