// The order facade against the real back end in the test's process. What
// the facade sends is read on the server's side of the wire (wiretaps on the
// operations); what the operator sees is read from the message log.
#include "CVasDesk.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "MBusiPublic.h"
#include "another_user.h"
#include "backend_world.h"
#include "busi_catalogue_service.h"
#include "gui_message.h"
#include "unknown_submissions.h"
#include "wait_box.h"
#include "zpd_client.h"
#include "sample_orders.h"
#include "scoped_env.h"
#include "test_store.h"
#include "wiretap.h"

using namespace MPublicDef;
using namespace MVasDesk;
using MBusiFeeMgntApp::SGetSoFeeIn;
using MBusiFeeMgntApp::SGetSoFeeOut;
using zp::store::Backend;
using zp::testing::BackendWorld;
using zp::testing::Fields;
using zp::testing::feeEntry;
using zp::testing::Sent;
using zp::testing::Wiretap;
using zpgui::GUIMessage;

namespace {

// Region 571, county 1: operators 11 (organisation 110) and 12. Subscriber
// 501 (plan 7, customer class 2) belongs elsewhere (region 573, county 7,
// organisation 730), so a request that takes the operator's place for the
// subscriber's, or the other way round, shows; it has nothing; 502 has Global Call with
// 55000001; 503 is stopped. Free numbers 55100000-55100019. Business 1302
// costs 500 fen, more for products 11, 12 and 61; 501 has products 12 and 61,
// which the orders below delete.
const char* kWorld = R"({
  "operators": [{"op_id": 11, "org_id": 110, "region_code": 571, "county_code": 1},
                {"op_id": 12, "org_id": 120, "region_code": 571, "county_code": 1}],
  "operator_rights": [{"op_id": 11, "ent_id": 51501}, {"op_id": 11, "ent_id": 51502}, {"op_id": 11, "ent_id": 51505},
                      {"op_id": 11, "ent_id": 51506}, {"op_id": 11, "ent_id": 51507}, {"op_id": 11, "ent_id": 51508},
                      {"op_id": 11, "ent_id": 49990}],
  "catalogue_items": [{"prod_id": 11, "busi_type": 101, "prod_name": "全球呼八折"},
                      {"prod_id": 12, "busi_type": 101, "prod_name": "全球呼保底"},
                      {"prod_id": 21, "busi_type": 102, "prod_name": "GPS减免"}],
  "customers": [{"cust_id": 1, "cust_name": "周明", "region_code": 571, "cust_class": 2}],
  "accounts": [{"acct_id": 2, "cust_id": 1, "acct_name": "周明"}],
  "users": [{"serv_id": 501, "phone_id": "13900000501", "password": "135790", "cust_id": 1, "acct_id": 2, "region_code": 573,
             "county_code": 7, "org_id": 730, "plan_id": 7},
            {"serv_id": 502, "phone_id": "13900000502", "cust_id": 1, "acct_id": 2, "region_code": 571},
            {"serv_id": 503, "phone_id": "13900000503", "cust_id": 1, "acct_id": 2, "region_code": 571, "user_sts": 0}],
  "user_services": [{"serv_id": 502, "busi_type": 101, "res_code": 1, "res_id": "55000001", "remark": "主号"}],
  "user_products": [{"serv_id": 501, "prod_id": 12, "busi_type": 101}, {"serv_id": 501, "prod_id": 61, "busi_type": 101}],
  "numbers": [{"res_id": "55000001", "region_code": 571, "sts": 3, "serv_id": 502}],
  "number_ranges": [{"first": "55100000", "count": 20, "region_code": 571}],
  "book_items": [{"item_id": 101, "name": "功能费"}, {"item_id": 102, "name": "卡费"}, {"item_id": 103, "name": "手续费"},
                 {"item_id": 201, "name": "预存话费", "prepay": 1}],
  "fee_flags": [{"busi_code": 1302, "flag": 1}],
  "fee_rules": [{"busi_code": 1302, "book_item_id": 103, "item_value": 500, "remark": "手续费"},
                {"busi_code": 1302, "prod_id": 11, "book_item_id": 101, "item_value": 1000},
                {"busi_code": 1302, "prod_id": 12, "book_item_id": 101, "item_value": 1500},
                {"busi_code": 1302, "prod_id": 61, "book_item_id": 102, "item_value": 300}]
})";

constexpr int kOpenGlobalCall = 1302, kOpenGps = 1304, kOpenGprs = 1070;

SResInfo number(const std::string& id) {
  SResInfo r;
  r.set_RES_CODE(1);
  r.set_RES_ID(id);
  r.set_RES_STS(1);
  return r;
}

GUIMessage notice(std::string text) { return {std::move(text), "提示", 64}; }

SSpromOper promotion(int busiType, int planId, int spromId, int serviceId) {
  SSpromOper p;
  p.set_ACT_TYPE(1);
  p.set_BUSI_TYPE(busiType);
  p.set_PLAN_ID(planId);
  p.set_SPROM_ID(spromId);
  p.set_SERVICE_ID(serviceId);
  return p;
}

SMscFuncOper product(int busiType, int planId, int prodId, int serviceId) {
  SMscFuncOper p;
  p.set_ACT_TYPE(3);  // the action plays no part in the price
  p.set_BUSI_TYPE(busiType);
  p.set_PLAN_ID(planId);
  p.set_PROD_ID(prodId);
  p.set_SERVICE_ID(serviceId);
  return p;
}

// A server that does the work and then answers its first `*times` keyed
// calls with a reply the counter cannot read: one of another call, one cut
// short after its frame's name, or none, its own writing having failed. The
// keys of the keyed calls it meets are noted.
enum class Garbled { anotherCall, cutShort, unwritten };

template <class In, class Out>
zpd_handler GarbledReplies(const zpd_operation& op, std::function<std::int32_t(const In&, Out&, CBSErrorMsg&)> service,
                           Garbled how, std::shared_ptr<int> times, std::shared_ptr<std::vector<std::string>> keys) {
  auto real = zpd_serve<In, Out>(op, std::move(service));
  return [&op, real, how, times, keys](zpb_stream& request, zpb_stream& reply) -> std::int32_t {
    const bool keyed = !zpd_dispatcher::current_key().empty();
    if (keyed) keys->emplace_back(zpd_dispatcher::current_key());
    const std::int32_t r = real(request, reply);
    if (!keyed || *times <= 0) return r;
    --*times;
    switch (how) {
      case Garbled::anotherCall:
        reply.open();
        reply.begin_stream(IVasDesk_check_so.replyFrame);
        zpb_write(reply, SCheckSoOut{});
        reply << CBSErrorMsg{};
        reply.end_stream();
        return r;
      case Garbled::cutShort:
        reply.open();
        reply.begin_stream(op.replyFrame);
        reply.end_stream();
        return r;
      case Garbled::unwritten:
        return ZPE_SRV_BAD_REPLY;
    }
    return r;
  };
}

class Facade : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    ZP_REQUIRE_BACKEND(GetParam());
    world = std::make_unique<BackendWorld>(GetParam(), kWorld);
    auto& d = *world->dispatcher;
    zp::backend::VasDeskConfig config;
    config.clock = [w = world.get()] { return w->clock; };
    service = std::make_shared<zp::backend::VasDeskService>(*world->db, config);
    catalogue = std::make_shared<zp::backend::BusiCatalogueService>(*world->db, config.clock);
    auto s = service;
    getInfo = std::make_unique<Wiretap<SFetchCtInfoIn, SGetInfoOut>>(
        d, IVasDesk_get_info, [s](auto& in, auto& out, auto& err) { return s->get_info(in, out, err); });
    checkSo = std::make_unique<Wiretap<SSoUserServiceIn, SCheckSoOut>>(
        d, IVasDesk_check_so, [s](auto& in, auto& out, auto& err) { return s->check_so(in, out, err); });
    submit = std::make_unique<Wiretap<SSoUserServiceIn, SSoUserServiceOut>>(
        d, IVasDesk_so_userService, [s](auto& in, auto& out, auto& err) { return s->so_userService(in, out, err); });
    signRes = std::make_unique<Wiretap<SDoSignResIn, SDoSignResOut>>(
        d, IVasDesk_do_signRes, [s](auto& in, auto& out, auto& err) { return s->do_signRes(in, out, err); });
    queryRes = std::make_unique<Wiretap<SQueryResListIn, SQueryResListOut>>(
        d, IVasDesk_query_resList, [s](auto& in, auto& out, auto& err) { return s->query_resList(in, out, err); });
    auto c = catalogue;
    soFee = std::make_unique<Wiretap<SGetSoFeeIn, SGetSoFeeOut>>(
        d, MBusiPublic::IBusiCatalogue_get_soFee, [c](auto& in, auto& out, auto& err) { return c->get_soFee(in, out, err); });
    ASSERT_TRUE(desk.Init(kOpenGlobalCall, 571, 1, 110, 11));
  }

  // The subscriber as the workspace loads it: identified, then pictured.
  void identify(long long servId, int busiType = 101) {
    SUserInfo u;
    u.set_SERV_ID(servId);
    desk.SetUserInfo(u);
    desk.SetBusiType(busiType);
    SGetInfoOut out;
    ASSERT_TRUE(desk.GetInfo(out)) << error().text2;
    desk.SetUserInfo(out.get_USERINFO());
    desk.SetCustInfo(out.get_CUSTINFO());
  }

  CBSErrorMsg error() const {
    CBSErrorMsg e;
    desk.GetErrorMsg(e);
    return e;
  }

  long long numberStatus(const std::string& id) {
    return world->count("SELECT sts FROM zp_res_number WHERE res_id = '" + id + "'");
  }

  std::unique_ptr<BackendWorld> world;
  std::shared_ptr<zp::backend::VasDeskService> service;
  std::shared_ptr<zp::backend::BusiCatalogueService> catalogue;
  std::unique_ptr<Wiretap<SFetchCtInfoIn, SGetInfoOut>> getInfo;
  std::unique_ptr<Wiretap<SSoUserServiceIn, SCheckSoOut>> checkSo;
  std::unique_ptr<Wiretap<SSoUserServiceIn, SSoUserServiceOut>> submit;
  std::unique_ptr<Wiretap<SDoSignResIn, SDoSignResOut>> signRes;
  std::unique_ptr<Wiretap<SQueryResListIn, SQueryResListOut>> queryRes;
  std::unique_ptr<Wiretap<SGetSoFeeIn, SGetSoFeeOut>> soFee;
  zpgui::MessageLog messages;
  CVasDesk desk;
};

TEST_P(Facade, InitBindsToTheBrokerAndKeepsTheOperatorContext) {
  int busiCode = 0, orgId = 0, opId = 0;
  short region = 0, county = 0;
  desk.GetInitParams(busiCode, region, county, orgId, opId);
  EXPECT_EQ(std::tie(busiCode, region, county, orgId, opId), std::make_tuple(1302, short{571}, short{1}, 110, 11));
  desk.SetBusiCode(1303);
  desk.GetInitParams(busiCode, region, county, orgId, opId);
  EXPECT_EQ(busiCode, 1303);

  zp::testing::ScopedEnv nowhere("ZP_BROKER_ZEPHYRON", "inproc:nobody-serves-this");
  CVasDesk unbound;
  EXPECT_FALSE(unbound.Init(1302, 571, 1, 110, 11));
  EXPECT_TRUE(messages.Shown().empty());  // the workspace gives up silently
}

TEST_P(Facade, GetInfoAsksForTheSubscribersServicesAndKeepsThemForTheServiceLine) {
  identify(502);
  const SFetchCtInfoIn& in = getInfo->Last();
  EXPECT_EQ(in.UsedMarker,
            Fields({SFetchCtInfoIn::kIdx_BUSI_CODE, SFetchCtInfoIn::kIdx_REGION_CODE, SFetchCtInfoIn::kIdx_COUNTY_CODE,
                    SFetchCtInfoIn::kIdx_ORG_ID, SFetchCtInfoIn::kIdx_OP_ID, SFetchCtInfoIn::kIdx_ISNORMAL,
                    SFetchCtInfoIn::kIdx_SERV_ID, SFetchCtInfoIn::kIdx_CUST_ID}));
  EXPECT_EQ(in.get_BUSI_CODE(), 1302);
  EXPECT_EQ(in.get_OP_ID(), 11);
  EXPECT_EQ(in.get_ISNORMAL(), 1);
  EXPECT_EQ(in.get_SERV_ID(), 502);

  // The picture is asked for in the subscriber's region, county and
  // organisation, not the operator's.
  SUserInfo elsewhere;
  elsewhere.set_SERV_ID(501);
  elsewhere.set_REGION_CODE(573);
  elsewhere.set_COUNTY_CODE(7);
  elsewhere.set_ORG_ID(730);
  desk.SetUserInfo(elsewhere);
  SGetInfoOut picture;
  ASSERT_TRUE(desk.GetInfo(picture)) << error().text2;
  EXPECT_EQ(std::make_tuple(getInfo->Last().get_REGION_CODE(), getInfo->Last().get_COUNTY_CODE(),
                            getInfo->Last().get_ORG_ID(), getInfo->Last().get_OP_ID()),
            std::make_tuple(short{573}, short{7}, 730, 11));
  identify(502);

  // A failed picture is the caller's to report, and leaves no services.
  world->fail(IVasDesk_get_info, {1003, 0, "查询新业务信息", "用户资料不存在"});
  SGetInfoOut out;
  EXPECT_FALSE(desk.GetInfo(out));
  EXPECT_EQ(error().text2, "用户资料不存在");
  EXPECT_TRUE(messages.Shown().empty());
  desk.AddUserServiceOper(1, "");
  world->dispatcher->clear_faults();
  desk.CheckSo(0, {}, 0);
  // Not the subscriber's 55000001 any more: the failed reply had no services.
  EXPECT_EQ(checkSo->Last().get_USERSERVICEOPERLIST().at(0).get_RES_ID(), "");
}

TEST_P(Facade, QueryResListSendsTheRangeAndFillsTheListOnlyOnSuccess) {
  SResInfoList found;
  ASSERT_TRUE(desk.QueryResList(5, "55100003", "55199999", found));
  ASSERT_EQ(found.size(), 5u);
  EXPECT_EQ(found.front().get_RES_ID(), "55100003");
  const SQueryResListIn& in = queryRes->Last();
  EXPECT_EQ(in.UsedMarker,
            Fields({SQueryResListIn::kIdx_BUSI_CODE, SQueryResListIn::kIdx_REGION_CODE,
                    SQueryResListIn::kIdx_COUNTY_CODE, SQueryResListIn::kIdx_ORG_ID, SQueryResListIn::kIdx_OP_ID,
                    SQueryResListIn::kIdx_BRAND, SQueryResListIn::kIdx_MAX_NUM, SQueryResListIn::kIdx_START_NO,
                    SQueryResListIn::kIdx_END_NO, SQueryResListIn::kIdx_RES_STS, SQueryResListIn::kIdx_RES_TYPE}));
  EXPECT_EQ(std::make_tuple(in.get_BUSI_CODE(), in.get_REGION_CODE(), in.get_COUNTY_CODE(), in.get_ORG_ID(),
                            in.get_OP_ID(), in.get_BRAND(), in.get_RES_STS(), in.get_RES_TYPE()),
            std::make_tuple(1302, short{571}, short{1}, 110, 11, 0, short{1}, 30));

  world->fail(IVasDesk_query_resList, {77, 0, "查询资源", "资源服务忙"});
  EXPECT_FALSE(desk.QueryResList(5, "55100000", "55199999", found));
  EXPECT_EQ(found.size(), 5u);  // as it was
  EXPECT_EQ(error(), (CBSErrorMsg{77, 0, "查询资源", "资源服务忙"}));
  EXPECT_TRUE(messages.Shown().empty());  // the number dialog reports it
}

TEST_P(Facade, UnsignResWithNothingHeldCallsNothing) {
  EXPECT_FALSE(desk.UnsignRes());
  EXPECT_EQ(signRes->Count(), 0u);
  EXPECT_TRUE(messages.Shown().empty());
}

TEST_P(Facade, SignResReservesAndGivesBackTheNumberHeldBefore) {
  ASSERT_TRUE(desk.SignRes(number("55100001")));
  const SDoSignResIn first = signRes->Last();
  EXPECT_EQ(first.UsedMarker,
            Fields({SDoSignResIn::kIdx_BUSI_CODE, SDoSignResIn::kIdx_REGION_CODE, SDoSignResIn::kIdx_COUNTY_CODE,
                    SDoSignResIn::kIdx_ORG_ID, SDoSignResIn::kIdx_OP_ID, SDoSignResIn::kIdx_AGENT_ID,
                    SDoSignResIn::kIdx_RES_CODE, SDoSignResIn::kIdx_RES_ID, SDoSignResIn::kIdx_ACT_TYPE}));
  EXPECT_EQ(std::make_tuple(first.get_BUSI_CODE(), first.get_REGION_CODE(), first.get_COUNTY_CODE(),
                            first.get_ORG_ID(), first.get_OP_ID(), first.get_AGENT_ID(), first.get_RES_CODE(),
                            first.get_RES_ID(), first.get_ACT_TYPE()),
            std::make_tuple(1302, short{571}, short{1}, 110, 11, 0, 1, std::string("55100001"), short{1}));
  EXPECT_EQ(numberStatus("55100001"), 2);

  ASSERT_TRUE(desk.SignRes(number("55100002")));
  ASSERT_EQ(signRes->Count(), 3u);
  const SDoSignResIn& release = signRes->Seen()[1];
  EXPECT_EQ(release.get_ACT_TYPE(), 2);
  EXPECT_EQ(release.get_RES_ID(), "55100001");
  EXPECT_EQ(release.get_OP_ID(), 11);  // from the reservation the server returned
  EXPECT_EQ(release.get_ORG_ID(), 110);
  EXPECT_EQ(signRes->Last().get_ACT_TYPE(), 1);
  EXPECT_EQ(numberStatus("55100001"), 1);
  EXPECT_EQ(numberStatus("55100002"), 2);
  EXPECT_TRUE(messages.Shown().empty());
}

TEST_P(Facade, AFailedReservationLeavesNoNumberHeld) {
  ASSERT_TRUE(desk.SignRes(number("55100001")));
  EXPECT_FALSE(desk.SignRes(number("55000001")));  // in use by 502
  const CBSErrorMsg e = error();
  ASSERT_NE(e.text1, e.text2);
  EXPECT_EQ(messages.Shown(), std::vector<GUIMessage>{notice("预占号码[55000001]失败!\n错误[" + e.text2 + "]\n[" +
                                                             e.text1 + "]\n请稍后再试!")});
  EXPECT_EQ(numberStatus("55100001"), 1);  // the old one went back first
  const std::size_t calls = signRes->Count();
  EXPECT_FALSE(desk.UnsignRes());
  EXPECT_EQ(signRes->Count(), calls);
}

TEST_P(Facade, AFailedReleaseStillForgetsTheNumberAndNamesIt) {
  ASSERT_TRUE(desk.SignRes(number("55100007")));
  world->fail(IVasDesk_do_signRes, {9, 0, "释放出错", "号码服务不可用"});
  EXPECT_FALSE(desk.UnsignRes());
  EXPECT_EQ(messages.Shown(),
            std::vector<GUIMessage>{notice("释放号码[55100007]失败!\n错误[号码服务不可用]\n[释放出错]\n请稍后再试!")});
  world->dispatcher->clear_faults();
  const std::size_t calls = signRes->Count();
  EXPECT_FALSE(desk.UnsignRes());
  EXPECT_EQ(signRes->Count(), calls);
  EXPECT_EQ(numberStatus("55100007"), 2);  // still the back end's until its lease ends
}

// The service line of each case, as check_so received it.
TEST_P(Facade, TheServiceLineCarriesTheGlobalCallNumberOnlyForGlobalCall) {
  const struct {
    const char* name;
    long long servId;
    int busiType;
    const char* reserve;  // number to reserve first, or null
    bool numberSent;
    const char* resId;
  } cases[] = {
      {"101, the subscriber's own number", 502, 101, "55100004", true, "55000001"},
      {"101, nothing held", 501, 101, nullptr, true, ""},
      {"101, a number held", 501, 101, "55100005", true, "55100005"},
      {"GPS, a number held", 501, 102, "55100008", false, ""},
      {"GPRS, a number held", 501, 5, "55100006", false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    desk.Reset();
    identify(c.servId, c.busiType);
    if (c.reserve) ASSERT_TRUE(desk.SignRes(number(c.reserve)));
    desk.AddUserServiceOper(1, "柜台开通");
    desk.CheckSo(0, {}, 0);
    const SUserServiceOperList& lines = checkSo->Last().get_USERSERVICEOPERLIST();
    ASSERT_EQ(lines.size(), 1u);
    const SUserServiceOper& line = lines[0];
    std::uint64_t expected = Fields({SUserServiceOper::kIdx_ACT_TYPE, SUserServiceOper::kIdx_BUSI_TYPE,
                                     SUserServiceOper::kIdx_SERV_ID, SUserServiceOper::kIdx_REGION_CODE,
                                     SUserServiceOper::kIdx_SERV_PARAM, SUserServiceOper::kIdx_SPROM_ID,
                                     SUserServiceOper::kIdx_REMARK});
    if (c.numberSent) expected |= Fields({SUserServiceOper::kIdx_RES_CODE, SUserServiceOper::kIdx_RES_ID});
    EXPECT_EQ(line.UsedMarker, expected);
    EXPECT_EQ(line.get_RES_ID(), c.resId);
    EXPECT_EQ(line.get_RES_CODE(), c.numberSent && *c.resId ? 1 : 0);
    EXPECT_EQ(std::make_tuple(line.get_ACT_TYPE(), line.get_BUSI_TYPE(), line.get_SERV_ID(), line.get_REGION_CODE(),
                              line.get_SERV_PARAM(), line.get_SPROM_ID(), line.get_REMARK()),
              std::make_tuple(short{1}, c.busiType, c.servId, short(c.servId == 501 ? 573 : 571), std::string(" "), 0,
                              std::string("柜台开通")))
        << "the subscriber's region";
    // Only a Global Call order carries the reservation.
    const SResSignList& signs = checkSo->Last().get_RESSIGNLIST();
    EXPECT_EQ(signs.size(), c.busiType == 101 && c.reserve ? 1u : 0u);
    if (!signs.empty()) EXPECT_EQ(signs[0].get_RES_ID(), c.reserve);
  }
}

TEST_P(Facade, CheckSoSendsTheHeaderFieldByFieldAndTheDateOnlyForABackDatedOrder) {
  identify(501, 5);
  desk.SetBusiCode(kOpenGprs);
  desk.AddUserServiceOper(1, "");
  const CBSDateTime date = CBSDateTime::make(2026, 12, 1);
  using S = SSoInfo;
  const std::uint64_t header =
      Fields({S::kIdx_BUSI_CODE, S::kIdx_SO_NBR, S::kIdx_SO_MODE, S::kIdx_SO_CAUSE, S::kIdx_ISNORMAL,
              S::kIdx_AFTER_FLAG, S::kIdx_SERV_ID, S::kIdx_RSERV_ID, S::kIdx_CUST_ID, S::kIdx_ACCT_ID,
              S::kIdx_GROUP_ID, S::kIdx_OP_ID, S::kIdx_REGION_CODE, S::kIdx_COUNTY_CODE, S::kIdx_ORG_ID,
              S::kIdx_SO_REGION_CODE, S::kIdx_SO_COUNTY_CODE, S::kIdx_SO_ORG_ID, S::kIdx_PAY_TYPE, S::kIdx_BANK_ID,
              S::kIdx_EXT_HOLDS, S::kIdx_EXT_HOLDS1, S::kIdx_EXT_HOLDS2, S::kIdx_RSO_NBR, S::kIdx_MSO_NBR,
              S::kIdx_REMARK, S::kIdx_VERIFY_MODE});

  // The order says the service password was checked: it was, in this session.
  {
    MBusiPublic::IBusiPublic busi;
    ASSERT_EQ(busi.bind_zpBroker("ZEPHYRON"), 0);
    MBusiPublic::SCheckPasswordIn in;
    in.set_PHONE_ID("13900000501");
    in.set_PASSWORD("135790");
    MBusiPublic::SCheckPasswordOut out;
    CBSErrorMsg err;
    ASSERT_EQ(busi.check_userPassword(in, out, err, nullptr), 0) << err.text2;
    ASSERT_EQ(out.get_RESULT(), 0);
  }
  ASSERT_EQ(desk.CheckSo(0, date, 2), 0) << (messages.Shown().empty() ? "" : messages.Shown()[0].text);
  const SSoInfo& so = checkSo->Last().get_SOINFO();
  EXPECT_EQ(so.UsedMarker, header);
  EXPECT_EQ(std::make_tuple(so.get_BUSI_CODE(), so.get_SO_MODE(), so.get_AFTER_FLAG(), so.get_SERV_ID(),
                            so.get_CUST_ID(), so.get_ACCT_ID(), so.get_OP_ID(), so.get_REGION_CODE(),
                            so.get_COUNTY_CODE(), so.get_ORG_ID(), so.get_VERIFY_MODE()),
            std::make_tuple(kOpenGprs, short{1}, short{0}, 501LL, 1LL, 2LL, 11, short{573}, short{7}, 730, short{2}))
      << "the subscriber's region, county and organisation";
  EXPECT_EQ(std::make_tuple(so.get_SO_REGION_CODE(), so.get_SO_COUNTY_CODE(), so.get_SO_ORG_ID()),
            std::make_tuple(short{571}, short{1}, 110))
      << "the operator's region, county and organisation";
  EXPECT_EQ(std::make_tuple(so.get_EXT_HOLDS(), so.get_EXT_HOLDS1(), so.get_EXT_HOLDS2(), so.get_REMARK()),
            std::make_tuple(std::string("1"), std::string("2"), std::string("3"), std::string()));
  SSoInfo kept;
  desk.GetSoInfo(kept);
  EXPECT_EQ(kept, so);

  ASSERT_EQ(desk.CheckSo(1, date, 0), 0);
  EXPECT_EQ(checkSo->Last().get_SOINFO().UsedMarker, header | Fields({S::kIdx_AFTER_DATE}));
  EXPECT_EQ(checkSo->Last().get_SOINFO().get_AFTER_DATE(), date);
  EXPECT_TRUE(messages.Shown().empty());
}

TEST_P(Facade, TheCheckCarriesNeitherSpecialDataNorFeesNorTheAgent) {
  identify(501, 102);
  desk.SetBusiCode(kOpenGps);
  desk.AddUserServiceOper(1, "");
  SSpecilDataInfo sd;
  sd.set_BUSI_TYPE(102);
  desk.SetSpecilDataInfo(sd);
  SSoFee fee;
  fee.set_BOOK_ITEM_ID(103);
  desk.SetSoFeeList({fee}, {});
  SOperator agent;
  agent.set_REG_TYPE(1);
  agent.set_REG_NBR("330102197003071231");
  desk.SetOperatorMan(agent);
  desk.SetSpromOperList({promotion(102, 7, 21, 1201)});
  ASSERT_EQ(desk.CheckSo(0, {}, 0), 0);
  using R = SSoUserServiceIn;
  EXPECT_EQ(checkSo->Last().UsedMarker,
            Fields({R::kIdx_BUSI_CODE, R::kIdx_SOINFO, R::kIdx_USERSERVICEOPERLIST, R::kIdx_SPROMOPERLIST}));
}

TEST_P(Facade, CheckFindingsAreShownOneALineAndAFailedCallShowsTheServersTextFirst) {
  // 503 is stopped and the order is dated tomorrow: two findings.
  identify(503, 5);
  desk.SetBusiCode(kOpenGprs);
  desk.AddUserServiceOper(1, "");
  const CBSDateTime tomorrow = CBSDateTime::make(2026, 12, 11);
  EXPECT_EQ(desk.CheckSo(1, tomorrow, 0), 6);
  ASSERT_EQ(messages.Shown().size(), 1u);
  EXPECT_EQ(messages.Shown()[0],
            notice("数据检查错误,\n[用户[13900000503]已停机,不能受理新业务\n补单日期[2026-12-11]不能晚于当前日期\n]"));

  world->fail(IVasDesk_check_so, {1001, 0, "订单检查", "数据库访问失败"});
  EXPECT_EQ(desk.CheckSo(0, {}, 0), 1);
  EXPECT_EQ(messages.Shown().back(), notice("对不起,\n[数据库访问失败!]\n[订单检查!]"));
  EXPECT_EQ(error(), (CBSErrorMsg{1001, 0, "订单检查", "数据库访问失败"}));
}

TEST_P(Facade, OnlyTheCountOfFindingsDecides) {
  // A reply that lists entries but counts none passes.
  Wiretap<SSoUserServiceIn, SCheckSoOut> lenient(*world->dispatcher, IVasDesk_check_so,
                                                 [](const SSoUserServiceIn&, SCheckSoOut& out, CBSErrorMsg&) {
                                                   SCheckOut entry;
                                                   entry.set_CHECKDESC("仅供参考");
                                                   out.set_VALID_COUNT(0);
                                                   out.set_CHECKDATALIST({entry, entry});
                                                   return 0;
                                                 });
  identify(501, 5);
  desk.AddUserServiceOper(1, "");
  EXPECT_EQ(desk.CheckSo(0, {}, 0), 0);
  EXPECT_TRUE(messages.Shown().empty());
}

TEST_P(Facade, CalcSoFeePricesPromotionsThenProductsUnderTheSubscribersPlan) {
  identify(501, 101);
  ASSERT_TRUE(desk.SignRes(number("55100003")));
  desk.AddUserServiceOper(1, "");
  desk.SetSpromOperList({promotion(101, 9, 11, 1101), promotion(101, 8, 12, 1102)});
  desk.SetMscFuncOperList({product(104, 99, 61, 1401)});
  ASSERT_EQ(desk.CheckSo(0, {}, 0), 0);
  ASSERT_EQ(desk.CalcSoFee(), 0) << error().text2;

  const SGetSoFeeIn& in = soFee->Last();
  EXPECT_EQ(in.UsedMarker, Fields({SGetSoFeeIn::kIdx_BUSIINFO, SGetSoFeeIn::kIdx_PRODUCTOPERLIST}));
  const auto& h = in.get_BUSIINFO();
  using H = MBusiFeeMgntApp::SFeeBusiInfo;
  EXPECT_EQ(h.UsedMarker, Fields({H::kIdx_BUSI_CODE, H::kIdx_REGION_CODE, H::kIdx_COUNTY_CODE, H::kIdx_ORG_ID,
                                  H::kIdx_SO_REGION_CODE, H::kIdx_SO_COUNTY_CODE, H::kIdx_SO_ORG_ID,
                                  H::kIdx_CUST_CLASS, H::kIdx_PLAN_ID, H::kIdx_ISNORMAL}));
  EXPECT_EQ(std::make_tuple(h.get_BUSI_CODE(), h.get_REGION_CODE(), h.get_COUNTY_CODE(), h.get_ORG_ID(),
                            h.get_SO_REGION_CODE(), h.get_SO_COUNTY_CODE(), h.get_SO_ORG_ID(), h.get_CUST_CLASS(),
                            h.get_PLAN_ID(), h.get_ISNORMAL()),
            std::make_tuple(1302, short{573}, short{7}, 730, short{571}, short{1}, 110, short{2}, 7, short{0}));
  const struct {
    int busiType, planId, prodId, serviceId;
  } expected[] = {{101, 9, 11, 1101}, {101, 8, 12, 1102}, {104, 7, 61, 1401}};
  const auto& ops = in.get_PRODUCTOPERLIST();
  ASSERT_EQ(ops.size(), std::size(expected));
  for (std::size_t i = 0; i < ops.size(); ++i) {
    EXPECT_EQ(std::make_tuple(ops[i].get_BUSI_TYPE(), ops[i].get_PLAN_ID(), ops[i].get_PROD_ID(),
                              ops[i].get_SERVICE_ID(), ops[i].get_OPER_TYPE()),
              std::make_tuple(expected[i].busiType, expected[i].planId, expected[i].prodId, expected[i].serviceId,
                              short{2}))
        << i;
  }
  SGetSoFeeOut out;
  desk.GetSoFeeOut(out);
  std::vector<long long> values;
  for (const SSoFee& f : out.get_SOFEELIST()) values.push_back(f.get_ITEM_VALUE());
  EXPECT_EQ(values, (std::vector<long long>{500, 1000, 1500, 300}));
  EXPECT_EQ(error(), CBSErrorMsg{});
}

TEST_P(Facade, CalcSoFeeWithoutPromotionsOrProductsSendsTheHeaderAlone) {
  identify(501, 101);
  ASSERT_TRUE(desk.SignRes(number("55100003")));
  desk.AddUserServiceOper(1, "");
  ASSERT_EQ(desk.CheckSo(0, {}, 0), 0);
  ASSERT_EQ(desk.CalcSoFee(), 0);
  EXPECT_EQ(soFee->Last().UsedMarker, Fields({SGetSoFeeIn::kIdx_BUSIINFO}));
}

TEST_P(Facade, AFailedFeeCalculationShowsTheFirstTextFirstAndEmptiesTheFees) {
  identify(501, 101);
  ASSERT_TRUE(desk.SignRes(number("55100003")));
  desk.AddUserServiceOper(1, "");
  ASSERT_EQ(desk.CheckSo(0, {}, 0), 0);
  ASSERT_EQ(desk.CalcSoFee(), 0);
  world->fail(MBusiPublic::IBusiCatalogue_get_soFee, {4712, 5, "计算业务费用", "计费服务暂不可用"});
  EXPECT_EQ(desk.CalcSoFee(), 1);
  EXPECT_EQ(messages.Shown(),
            (std::vector<GUIMessage>{{"计算受理费用失败,\n[计算业务费用]\n[计费服务暂不可用]", "异常", 16}}));
  EXPECT_EQ(error(), (CBSErrorMsg{4712, 5, "计算业务费用", "计费服务暂不可用"}));
  SGetSoFeeOut out;
  desk.GetSoFeeOut(out);
  EXPECT_TRUE(out.get_SOFEELIST().empty());
}

TEST_P(Facade, SubmitSoSendsTheWholeOrderAndEmptiesItsListsOnlyOnSuccess) {
  identify(501, 101);
  ASSERT_TRUE(desk.SignRes(number("55100009")));
  desk.AddUserServiceOper(1, "开通全球呼");
  desk.SetSpromOperList({promotion(101, 7, 11, 1101)});
  desk.SetMscFuncOperList({product(101, 7, 12, 1102)});
  SOperator agent;
  agent.set_REG_TYPE(1);
  agent.set_REG_NBR("330102197003071231");
  agent.set_SO_MAN("周明");
  desk.SetOperatorMan(agent);
  SSpecilDataInfo sd;
  sd.set_BUSI_TYPE(101);
  desk.SetSpecilDataInfo(sd);
  ASSERT_EQ(desk.CheckSo(0, {}, 0), 0) << (messages.Shown().empty() ? "" : messages.Shown()[0].text);
  // The fees as the server prices the order: the business, then the
  // promotion, then the product.
  SSoFee fee, promFee, prodFee;
  fee.set_BOOK_ITEM_ID(103);
  fee.set_ITEM_VALUE(500);
  promFee.set_BOOK_ITEM_ID(101);
  promFee.set_ITEM_VALUE(1000);
  prodFee.set_BOOK_ITEM_ID(101);
  prodFee.set_ITEM_VALUE(1500);
  SPrepayOper prepay;
  prepay.set_BOOK_ITEM_ID(201);
  prepay.set_AMOUNT(3000);
  desk.SetSoFeeList({fee, promFee, prodFee}, {prepay});

  // A refused submission keeps every list for the next try.
  world->fail(IVasDesk_so_userService, {1001, 0, "受理", "数据库忙"});
  SSoUserServiceOut out;
  EXPECT_TRUE(desk.SubmitSo(out));
  EXPECT_EQ(messages.Shown(), std::vector<GUIMessage>{notice("对不起,\n[数据库忙!]\n[受理!]")});
  world->dispatcher->clear_faults();

  EXPECT_FALSE(desk.SubmitSo(out)) << error().text2;
  const SSoUserServiceIn& in = submit->Last();
  using R = SSoUserServiceIn;
  EXPECT_EQ(in.UsedMarker, Fields({R::kIdx_BUSI_CODE, R::kIdx_SOINFO, R::kIdx_USERSERVICEOPERLIST,
                                   R::kIdx_MSCFUNCOPERLIST, R::kIdx_SPROMOPERLIST, R::kIdx_SOFEELIST,
                                   R::kIdx_SPECILDATAINFO, R::kIdx_RESSIGNLIST, R::kIdx_OPERATORMAN}));
  EXPECT_EQ(in.get_OPERATORMAN().get_SO_MAN(), "周明");
  EXPECT_EQ(in.get_RESSIGNLIST().at(0).get_RES_ID(), "55100009");
  EXPECT_EQ(in.get_SOFEELIST().at(0).get_ITEM_VALUE(), 500);
  SSoInfo so;
  desk.GetSoInfo(so);
  EXPECT_EQ(in.get_SOINFO(), so);  // as the check left it
  EXPECT_GT(out.get_SORESULTINFO().get_SO_NBR(), 0);
  EXPECT_EQ(numberStatus("55100009"), 3);
  EXPECT_EQ(world->count("SELECT count(*) FROM zp_order"), 1);

  // What the order was built from stays; its lists went with it.
  desk.CheckSo(0, {}, 0);
  EXPECT_EQ(checkSo->Last().UsedMarker,
            Fields({R::kIdx_BUSI_CODE, R::kIdx_SOINFO, R::kIdx_USERSERVICEOPERLIST, R::kIdx_RESSIGNLIST}));
}

// A Global Call order of subscriber 501 with a reserved number, checked and
// ready to submit.
void PrepareGlobalCallOrder(CVasDesk& desk, const std::string& number_) {
  ASSERT_TRUE(desk.SignRes(number(number_)));
  desk.AddUserServiceOper(1, "开通全球呼");
  desk.SetSpromOperList({promotion(101, 7, 11, 1101)});
  ASSERT_EQ(desk.CheckSo(0, {}, 0), 0);
  // The order's price: the business and the promotion.
  SSoFee fee, promFee;
  fee.set_BOOK_ITEM_ID(103);
  fee.set_ITEM_VALUE(500);
  promFee.set_BOOK_ITEM_ID(101);
  promFee.set_ITEM_VALUE(1000);
  desk.SetSoFeeList({fee, promFee}, {});
}

// The reply of a submission is lost after the server committed it: the
// facade asks again under the order's key, says so in the wait box, and gets
// the stored order's own reply; one order is stored and nothing is left in
// the counter's list of unknown outcomes.
TEST_P(Facade, ALostReplyIsAskedAgainUnderTheSameKeyAndAnsweredWithTheStoredOrder) {
  const zp::testing::ScopedEnv data("XDG_DATA_HOME", ::testing::TempDir() + zp::testing::uniqueName("data"));
  identify(501, 101);
  PrepareGlobalCallOrder(desk, "55100011");
  desk.SetConfirmRetries(3, std::chrono::milliseconds(0));
  zpgui::WaitBoxLog boxes;
  world->fail(IVasDesk_so_userService, zp::testing::lostReply(1));

  SSoUserServiceOut out;
  EXPECT_FALSE(desk.SubmitSo(out)) << error().text2;
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order"), 1);
  EXPECT_EQ(out.get_SORESULTINFO().get_SO_NBR(), world->count("SELECT so_nbr FROM zp_order"));
  EXPECT_EQ(error().text1, "业务受理成功,业务流水号:" + std::to_string(out.get_SORESULTINFO().get_SO_NBR()));
  EXPECT_EQ(submit->Count(), 2u);
  EXPECT_EQ(boxes.Events(), (std::vector<std::string>{"+提交结果未知，正在确认...", "-"}));
  EXPECT_TRUE(messages.Shown().empty());
  EXPECT_TRUE(UnknownSubmissions(11).List().empty());
  EXPECT_TRUE(desk.PendingSubmissionKey().empty());
}

// The operator stops asking: the submission is remembered as unknown, and
// the next submission of the same order goes under the same key, so the
// order stored by the first is what it gets, once. A key never served turns
// out "not stored" and stays so.
TEST_P(Facade, AnOutcomeLeftUnknownIsRememberedAndTheSameOrderIsNeverStoredTwice) {
  const zp::testing::ScopedEnv data("XDG_DATA_HOME", ::testing::TempDir() + zp::testing::uniqueName("data"));
  identify(501, 101);
  PrepareGlobalCallOrder(desk, "55100012");
  desk.SetConfirmRetries(2, std::chrono::milliseconds(0));
  world->fail(IVasDesk_so_userService, zp::testing::lostReply());
  messages.Answer(zpgui::kAnswerNo);  // stop asking

  SSoUserServiceOut out;
  EXPECT_TRUE(desk.SubmitSo(out));
  EXPECT_EQ(submit->Count(), 3u);  // the first sending and two tries
  ASSERT_EQ(messages.Shown().size(), 2u);
  EXPECT_EQ(messages.Shown()[0].flags, 36);
  EXPECT_NE(messages.Shown()[0].text.find("提交结果未知"), std::string::npos);
  EXPECT_NE(messages.Shown()[1].text.find("不要重复提交"), std::string::npos);
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order"), 1);  // committed, its replies lost
  const std::string key = desk.PendingSubmissionKey();
  ASSERT_FALSE(key.empty());
  const auto unknown = UnknownSubmissions(11).List();
  ASSERT_EQ(unknown.size(), 1u);
  EXPECT_EQ(unknown[0].key, key);
  EXPECT_EQ(unknown[0].phoneId, "13900000501");
  EXPECT_EQ(unknown[0].busiCode, kOpenGlobalCall);

  // Submitted again as it was (the check is left out: for this order it
  // would already find the number in use, by the order stored). The server
  // does not judge it anew: the number it holds would refuse it.
  world->dispatcher->clear_faults();
  desk.AddUserServiceOper(1, "开通全球呼");
  desk.SetSpromOperList({promotion(101, 7, 11, 1101)});
  desk.SetSoFeeList({feeEntry(103, 500), feeEntry(101, 1000)}, {});
  EXPECT_FALSE(desk.SubmitSo(out)) << error().text2;
  EXPECT_EQ(submit->Count(), 4u);
  EXPECT_EQ(out.get_SORESULTINFO().get_SO_NBR(), world->count("SELECT so_nbr FROM zp_order"));
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order"), 1);
  EXPECT_TRUE(UnknownSubmissions(11).List().empty());
  EXPECT_TRUE(desk.PendingSubmissionKey().empty());

  // What the server says of keys now, without sending an order.
  EXPECT_EQ(desk.ConfirmSubmission(key, out), CVasDesk::Outcome::stored);
  EXPECT_EQ(out.get_SORESULTINFO().get_SO_NBR(), world->count("SELECT so_nbr FROM zp_order"));
  const std::string never = zpd_new_call_key();
  EXPECT_EQ(desk.ConfirmSubmission(never, out), CVasDesk::Outcome::notStored);
  world->fail(IVasDesk_so_userService, zp::testing::lostReply());
  EXPECT_EQ(desk.ConfirmSubmission(never, out), CVasDesk::Outcome::unknown);
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order"), 1);
}

// The list cannot be written (its folder cannot be made): the operator is
// not sent to a list that will not hold the order, but told so, with what
// he must note down to have the outcome confirmed.
TEST_P(Facade, AnOutcomeThatCannotBeListedIsToldWithItsKey) {
  const std::string blocker = ::testing::TempDir() + zp::testing::uniqueName("file");
  std::ofstream(blocker) << "not a folder";
  const zp::testing::ScopedEnv data("XDG_DATA_HOME", blocker + "/data");
  identify(501, 101);
  PrepareGlobalCallOrder(desk, "55100013");
  desk.SetConfirmRetries(1, std::chrono::milliseconds(0));
  world->fail(IVasDesk_so_userService, zp::testing::lostReply());
  messages.Answer(zpgui::kAnswerNo);  // stop asking

  SSoUserServiceOut out;
  EXPECT_TRUE(desk.SubmitSo(out));
  const std::string key = desk.PendingSubmissionKey();
  ASSERT_FALSE(key.empty());
  EXPECT_TRUE(UnknownSubmissions(11).List().empty());
  ASSERT_EQ(messages.Shown().size(), 2u);
  const GUIMessage& told = messages.Shown()[1];
  EXPECT_EQ(told.flags, 16);
  EXPECT_NE(told.text.find("不要重复提交"), std::string::npos) << told.text;
  EXPECT_NE(told.text.find("无法记入[" + UnknownSubmissions(11).Path() + "]"), std::string::npos) << told.text;
  EXPECT_NE(told.text.find("号码13900000501 业务[1302] 标识" + key), std::string::npos) << told.text;
  EXPECT_EQ(told.text.find("请在\"结果未知的业务\"中确认结果后再处理"), std::string::npos) << told.text;
}

// An order changed after its outcome was left unknown is not sent under the
// earlier order's key, whose reply would stand for it: the facade asks what
// became of the earlier one first. Stored, the operator is told its number
// and nothing is sent, and it stays in the list of unknown outcomes for its
// papers; never stored, the changed order goes as a new one.
class ChangedAfterUnknown : public Facade {
 protected:
  void SetUp() override {
    Facade::SetUp();
    // The counter's list of unknown outcomes, of this test alone.
    data.emplace("XDG_DATA_HOME", ::testing::TempDir() + zp::testing::uniqueName("data"));
  }
  // Submits the Global Call order with the server's answers lost (after its
  // commit, or before the order is taken, on every try) and the operator
  // giving up; returns the key left pending.
  std::string leaveUnknown(bool stored) {
    identify(501, 101);
    PrepareGlobalCallOrder(desk, "55100013");
    desk.SetConfirmRetries(1, std::chrono::milliseconds(0));
    world->fail(IVasDesk_so_userService, stored ? zp::testing::lostReply() : zp::testing::lostRequest());
    messages.Answer(zpgui::kAnswerNo);
    SSoUserServiceOut out;
    EXPECT_TRUE(desk.SubmitSo(out));
    EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order"), stored ? 1 : 0);
    world->dispatcher->clear_faults();
    shownBefore = messages.Shown().size();
    return desk.PendingSubmissionKey();
  }
  long long storedFees() { return world->count("SELECT SUM(amount) FROM zp_order_line WHERE kind = 'fee'"); }
  // The order leaveUnknown submitted, asked again as it was.
  void prepareTheSameOrder() {
    desk.AddUserServiceOper(1, "开通全球呼");
    desk.SetSpromOperList({promotion(101, 7, 11, 1101)});
    desk.SetSoFeeList({feeEntry(103, 500), feeEntry(101, 1000)}, {});
  }

  std::optional<zp::testing::ScopedEnv> data;
  std::size_t shownBefore = 0;
};

TEST_P(ChangedAfterUnknown, TheOperatorIsToldTheEarlierOrderWasStoredAndNothingIsSent) {
  const std::string earlier = leaveUnknown(true);
  ASSERT_FALSE(earlier.empty());
  ASSERT_EQ(storedFees(), 1500);
  const std::size_t sent = submit->Count();
  // Asked again, the operator gives a discount on the promotion's fee.
  desk.AddUserServiceOper(1, "开通全球呼");
  desk.SetSoFeeList({feeEntry(103, 500), feeEntry(101, 900)}, {});
  SSoUserServiceOut out;
  EXPECT_TRUE(desk.SubmitSo(out));
  const std::string soNbr = std::to_string(world->count("SELECT so_nbr FROM zp_order"));
  ASSERT_EQ(messages.Shown().size(), shownBefore + 1) << ::testing::PrintToString(messages.Shown());
  EXPECT_EQ(messages.Shown().back().text, "此前结果未知的业务已经受理,业务流水号:" + soNbr +
                                              "。\n本次的业务内容与它不同,没有提交。"
                                              "请在\"结果未知的业务\"中打印它的回执和发票,核对已受理的业务后再处理!");
  EXPECT_EQ(messages.Shown().back().flags, 16);
  EXPECT_EQ(submit->Count(), sent + 1);  // the question alone, which carries no order
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order"), 1);
  EXPECT_EQ(storedFees(), 1500);  // the earlier order's, to the fen
  EXPECT_TRUE(desk.PendingSubmissionKey().empty());
  // The customer paid for the earlier order: it stays listed, with what its
  // receipt and invoice are printed from, until the list confirms it.
  const std::vector<UnknownSubmission> listed = UnknownSubmissions(11).List();
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].key, earlier);
  SubmissionPapers papers;
  ASSERT_TRUE(ReadPapersText(listed[0].papers, papers));
  EXPECT_EQ(papers.cust.get_CUST_ID(), world->count("SELECT cust_id FROM zp_user WHERE serv_id = 501"));
  EXPECT_EQ(papers.soInfo.get_BUSI_CODE(), kOpenGlobalCall);
  EXPECT_EQ(desk.ConfirmSubmission(earlier, out), CVasDesk::Outcome::stored);
  EXPECT_EQ(std::to_string(out.get_SORESULTINFO().get_SO_NBR()), soNbr);
  EXPECT_TRUE(UnknownSubmissions(11).List().empty());
}

// An order found stored whose line the list cannot let go (the list cannot
// be written) would be offered there for its receipt and invoice again: the
// operator is told, with the list and the key, so that the customer is not
// given a second invoice. Once the list can be written it lets go quietly.
TEST_P(ChangedAfterUnknown, AStoredOrderTheListCannotLetGoIsToldSoItsPapersAreNotPrintedTwice) {
  const std::string earlier = leaveUnknown(true);
  ASSERT_FALSE(earlier.empty());
  const std::string path = UnknownSubmissions(11).Path();
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  namespace fs = std::filesystem;
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  SSoUserServiceOut out;
  {
    const zp::testing::AsAnotherUser user(path);
    prepareTheSameOrder();
    EXPECT_FALSE(desk.SubmitSo(out)) << error().text2;
    ASSERT_EQ(messages.Shown().size(), shownBefore + 1) << ::testing::PrintToString(messages.Shown());
    EXPECT_EQ(messages.Shown().back().text, "业务已受理,但它在结果未知的业务记录[" + path + "]中的一行无法删除(标识" +
                                                earlier + ")。\n以后在\"结果未知的业务\"中确认它时,它的回执和发票已经"
                                                "打印过,请不要重复打印,并与系统管理员联系!");
    EXPECT_EQ(messages.Shown().back().flags, 16);
    EXPECT_EQ(out.get_SORESULTINFO().get_SO_NBR(), world->count("SELECT so_nbr FROM zp_order"));
    EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order"), 1);
    ASSERT_EQ(UnknownSubmissions(11).List().size(), 1u);
    // Confirmed from the list while it still cannot be written.
    bool leftListed = false;
    EXPECT_EQ(desk.ConfirmSubmission(earlier, out, false, &leftListed), CVasDesk::Outcome::stored);
    EXPECT_TRUE(leftListed);
  }
  fs::permissions(folder, fs::perms::owner_all);
  bool leftListed = true;
  EXPECT_EQ(desk.ConfirmSubmission(earlier, out, false, &leftListed), CVasDesk::Outcome::stored);
  EXPECT_FALSE(leftListed);
  EXPECT_TRUE(UnknownSubmissions(11).List().empty());
}

TEST_P(ChangedAfterUnknown, AChangedOrderWhoseEarlierOneNeverArrivedGoesAsANewOne) {
  const std::string earlier = leaveUnknown(false);
  ASSERT_FALSE(earlier.empty());
  // Asked again, without the promotion and its fee.
  desk.AddUserServiceOper(1, "开通全球呼");
  desk.SetSpromOperList({});
  desk.SetSoFeeList({feeEntry(103, 500)}, {});
  SSoUserServiceOut out;
  EXPECT_FALSE(desk.SubmitSo(out)) << error().text2;
  EXPECT_EQ(messages.Shown().size(), shownBefore) << ::testing::PrintToString(messages.Shown());
  EXPECT_EQ(out.get_SORESULTINFO().get_SO_NBR(), world->count("SELECT so_nbr FROM zp_order"));
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order"), 1);
  // Under a key of its own, so that it too is stored at most once.
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_call_key WHERE so_nbr = " +
                         std::to_string(out.get_SORESULTINFO().get_SO_NBR())),
            1);
  EXPECT_EQ(storedFees(), 500);
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order_line WHERE kind = 'promotion'"), 0);
  EXPECT_TRUE(desk.PendingSubmissionKey().empty());
  EXPECT_TRUE(UnknownSubmissions(11).List().empty());
  // The earlier key stays unserved: should its request still arrive, it is refused.
  EXPECT_EQ(desk.ConfirmSubmission(earlier, out), CVasDesk::Outcome::notStored);
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order"), 1);
}

// Answers that do not say what became of a key: the operator's sign-in has
// ended (the server's gate answers before any look-up), the reply kept for
// the key cannot be read (the order IS stored), the server fails. None may
// be taken for "not stored": the key stays pending and listed, nothing goes
// under a new key, and the clerk is told the outcome is still unknown.
// Once the server answers for the key, the same order gets the stored
// order's reply.
TEST_P(ChangedAfterUnknown, AnAnswerThatDoesNotJudgeTheKeyLeavesItUnknown) {
  const std::string key = leaveUnknown(true);
  ASSERT_FALSE(key.empty());
  const std::string soNbr = std::to_string(world->count("SELECT so_nbr FROM zp_order"));
  const std::string session = zpd_session();
  const long long keysKept = world->count("SELECT COUNT(*) FROM zp_call_key");  // the order's and its number's
  const auto exec = [this](const std::string& statement) {
    world->db->transact(zp::store::Database::Intent::write, [&](soci::session& sql) { sql << statement; });
  };
  const struct {
    const char* what;
    std::function<void()> spoil, mend;
  } cases[] = {
      {"the sign-in has ended", [] { zpd_set_session("a-session-the-server-never-opened"); },
       [&] { zpd_set_session(session); }},
      {"the kept reply cannot be read", [&] { exec("UPDATE zp_call_key SET reply = 'x' || reply"); },
       [&] { exec("UPDATE zp_call_key SET reply = substr(reply, 2)"); }},
      {"the server fails", [&] { world->fail(IVasDesk_so_userService, zpd_fault{ZPE_SRV_EXCEPTION}); },
       [&] { world->dispatcher->clear_faults(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.spoil();
    messages.Answer(zpgui::kAnswerNo);  // should the facade go on asking: stop
    SSoUserServiceOut out;
    EXPECT_EQ(desk.ConfirmSubmission(key, out), CVasDesk::Outcome::unknown);
    EXPECT_EQ(desk.PendingSubmissionKey(), key);
    // The same order again, and a changed one: neither is sent under a new key.
    for (const long long promFee : {1000, 900}) {
      const std::size_t shown = messages.Shown().size();
      desk.AddUserServiceOper(1, "开通全球呼");
      desk.SetSpromOperList({promotion(101, 7, 11, 1101)});
      desk.SetSoFeeList({feeEntry(103, 500), feeEntry(101, promFee)}, {});
      EXPECT_TRUE(desk.SubmitSo(out));
      EXPECT_EQ(desk.PendingSubmissionKey(), key);
      ASSERT_GT(messages.Shown().size(), shown);
      EXPECT_NE(messages.Shown().back().text.find("不要重复提交"), std::string::npos) << messages.Shown().back().text;
    }
    const std::vector<UnknownSubmission> listed = UnknownSubmissions(11).List();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].key, key);
    EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order"), 1);
    EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_call_key"), keysKept) << "nothing went under a key of its own";
    c.mend();
  }
  desk.AddUserServiceOper(1, "开通全球呼");
  desk.SetSpromOperList({promotion(101, 7, 11, 1101)});
  desk.SetSoFeeList({feeEntry(103, 500), feeEntry(101, 1000)}, {});
  SSoUserServiceOut out;
  EXPECT_FALSE(desk.SubmitSo(out)) << error().text2;
  EXPECT_EQ(std::to_string(out.get_SORESULTINFO().get_SO_NBR()), soNbr);
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order"), 1);
  EXPECT_TRUE(UnknownSubmissions(11).List().empty());
  EXPECT_TRUE(desk.PendingSubmissionKey().empty());
}

// A day on, the server has forgotten the keys it served: a key it does not
// know may be one whose order it stored. The counter never takes such a key
// for "not stored", nor sends even the same order under it again; within
// the day the same order still gets the stored order's own reply.
class UnknownADayOn : public ChangedAfterUnknown {
 protected:
  // The server's clock and the counter's move on together.
  void passHours(double hours) {
    const auto seconds = static_cast<long long>(hours * 3600);
    world->clock += seconds;
    const std::int64_t counterNow = std::chrono::duration_cast<std::chrono::microseconds>(
                                        std::chrono::system_clock::now().time_since_epoch())
                                        .count() +
                                    seconds * 1000000;
    desk.SetClock([counterNow] { return counterNow; });
  }
  // The order as it was first submitted.
  const std::string expired =
      "此前结果未知的业务已超过后台可以确认的期限(24小时),无法再确认它是否已经受理,本次没有提交。\n"
      "请重新查询该用户,核对其业务后再受理!";
};

TEST_P(UnknownADayOn, AForgottenKeyIsNotTakenForAnOrderNeverStored) {
  const std::string key = leaveUnknown(true);
  ASSERT_FALSE(key.empty());
  passHours(25);
  SSoUserServiceOut out;
  EXPECT_EQ(desk.ConfirmSubmission(key, out), CVasDesk::Outcome::expired);
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_call_key"), 1) << "the stored order's key was pruned, the probe's kept";
  EXPECT_TRUE(UnknownSubmissions(11).List().empty()) << "asking again cannot help";
  EXPECT_TRUE(desk.PendingSubmissionKey().empty());
  // A key made within the day and never served is still told apart.
  EXPECT_EQ(desk.ConfirmSubmission(zpd_new_call_key(), out), CVasDesk::Outcome::expired)
      << "made a day ago by the counter's clock";
  desk.SetClock({});
  EXPECT_EQ(desk.ConfirmSubmission(zpd_new_call_key(), out), CVasDesk::Outcome::notStored);
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order"), 1);
}

TEST_P(UnknownADayOn, TheSameOrderIsNotSentAgainUnderAForgottenKey) {
  ASSERT_FALSE(leaveUnknown(true).empty());
  passHours(25);
  const std::size_t sent = submit->Count();
  prepareTheSameOrder();
  SSoUserServiceOut out;
  EXPECT_TRUE(desk.SubmitSo(out));
  ASSERT_EQ(messages.Shown().size(), shownBefore + 1) << ::testing::PrintToString(messages.Shown());
  EXPECT_EQ(messages.Shown().back().text, expired);
  EXPECT_EQ(messages.Shown().back().flags, 16);
  EXPECT_EQ(submit->Count(), sent + 1);
  EXPECT_TRUE(submit->Last().get_USERSERVICEOPERLIST().empty()) << "the question carries no order";
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order"), 1);
  EXPECT_TRUE(desk.PendingSubmissionKey().empty());
}

TEST_P(UnknownADayOn, TheSameOrderWithinTheDayGetsTheStoredOrdersReply) {
  ASSERT_FALSE(leaveUnknown(true).empty());
  passHours(23.5);  // past the counter's margin, within the server's day
  prepareTheSameOrder();
  SSoUserServiceOut out;
  EXPECT_FALSE(desk.SubmitSo(out)) << error().text2;
  EXPECT_EQ(messages.Shown().size(), shownBefore) << ::testing::PrintToString(messages.Shown());
  EXPECT_EQ(out.get_SORESULTINFO().get_SO_NBR(), world->count("SELECT so_nbr FROM zp_order"));
  EXPECT_EQ(error().text1, "业务受理成功,业务流水号:" + std::to_string(out.get_SORESULTINFO().get_SO_NBR()));
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order"), 1);
  EXPECT_TRUE(desk.PendingSubmissionKey().empty());
}

// A reservation whose reply was lost is asked again under its key: the
// number is held once, by this counter, and the facade knows it.
TEST_P(Facade, ALostReservationReplyIsAskedAgainAndTheNumberHeldOnce) {
  identify(501, 101);
  desk.SetConfirmRetries(3, std::chrono::milliseconds(0));
  zpgui::WaitBoxLog boxes;
  world->fail(IVasDesk_do_signRes, zp::testing::lostReply(1));
  ASSERT_TRUE(desk.SignRes(number("55100013"))) << error().text2;
  EXPECT_EQ(signRes->Count(), 2u);
  EXPECT_EQ(boxes.Events(), (std::vector<std::string>{"+预占结果未知，正在确认...", "-"}));
  EXPECT_EQ(numberStatus("55100013"), 2);
  EXPECT_TRUE(desk.UnsignRes());  // the facade holds it, so it gives it back
  EXPECT_EQ(numberStatus("55100013"), 1);
}

// A reservation the server made and answered with a reply the counter
// cannot read is as good as one whose reply was lost: asked again under its
// key, the number is held once and the facade knows it, instead of telling
// the clerk it failed while the number stays reserved out of the pool.
TEST_P(Facade, AReservationAnsweredUnreadablyIsAskedAgainAndTheNumberHeldOnce) {
  identify(501, 101);
  desk.SetConfirmRetries(3, std::chrono::milliseconds(0));
  const struct {
    const char* what;
    Garbled how;
    const char* number;
  } cases[] = {{"a reply of another call", Garbled::anotherCall, "55100014"},
               {"a reply cut short", Garbled::cutShort, "55100015"},
               {"a reply the server could not write", Garbled::unwritten, "55100016"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto keys = std::make_shared<std::vector<std::string>>();
    auto s = service;
    world->dispatcher->add(
        IVasDesk_do_signRes.interfaceName, IVasDesk_do_signRes.serviceCode,
        GarbledReplies<SDoSignResIn, SDoSignResOut>(
            IVasDesk_do_signRes, [s](auto& in, auto& out, auto& err) { return s->do_signRes(in, out, err); }, c.how,
            std::make_shared<int>(1), keys));
    ASSERT_TRUE(desk.SignRes(number(c.number))) << error().text2;
    ASSERT_EQ(keys->size(), 2u);
    EXPECT_EQ(keys->at(0), keys->at(1)) << "asked again under the same key";
    EXPECT_EQ(numberStatus(c.number), 2);
    EXPECT_TRUE(messages.Shown().empty()) << messages.Shown().front().text;
  }
  EXPECT_TRUE(desk.UnsignRes());  // the facade holds the last one, so it gives it back
  EXPECT_EQ(numberStatus("55100016"), 1);
  EXPECT_EQ(numberStatus("55100014"), 1) << "given back when the next was reserved";
}

// The same for a submission: the order stored, its reply cut short, the
// facade asks again under the order's key and reports the stored order,
// never a failure that would have the clerk submit it a second time.
TEST_P(Facade, ASubmissionAnsweredUnreadablyIsAskedAgainUnderItsKey) {
  const zp::testing::ScopedEnv data("XDG_DATA_HOME", ::testing::TempDir() + zp::testing::uniqueName("data"));
  identify(501, 101);
  PrepareGlobalCallOrder(desk, "55100011");
  desk.SetConfirmRetries(3, std::chrono::milliseconds(0));
  auto keys = std::make_shared<std::vector<std::string>>();
  auto s = service;
  world->dispatcher->add(
      IVasDesk_so_userService.interfaceName, IVasDesk_so_userService.serviceCode,
      GarbledReplies<SSoUserServiceIn, SSoUserServiceOut>(
          IVasDesk_so_userService, [s](auto& in, auto& out, auto& err) { return s->so_userService(in, out, err); },
          Garbled::cutShort, std::make_shared<int>(1), keys));

  SSoUserServiceOut out;
  EXPECT_FALSE(desk.SubmitSo(out)) << error().text2;
  ASSERT_EQ(keys->size(), 2u);
  EXPECT_EQ(keys->at(0), keys->at(1));
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order"), 1);
  EXPECT_EQ(out.get_SORESULTINFO().get_SO_NBR(), world->count("SELECT so_nbr FROM zp_order"));
  EXPECT_TRUE(messages.Shown().empty()) << messages.Shown().front().text;
  EXPECT_TRUE(UnknownSubmissions(11).List().empty());
  EXPECT_TRUE(desk.PendingSubmissionKey().empty());
}

// A first sending refused outright did nothing: the clerk is told why, as a
// failure, and no outcome is left pending, nor sent to the list of unknown
// outcomes (which would not hold it); once the server serves again, the
// order goes and is stored once.
TEST_P(Facade, ASubmissionRefusedOutrightIsAFailureNotAnUnknownOutcome) {
  const zp::testing::ScopedEnv data("XDG_DATA_HOME", ::testing::TempDir() + zp::testing::uniqueName("data"));
  identify(501, 101);
  PrepareGlobalCallOrder(desk, "55100011");
  const std::string session = zpd_session();
  const std::string served = std::string(std::getenv("ZP_BROKER_ZEPHYRON")).substr(std::string("inproc:").size());
  // What happened, and what the clerk is to do.
  const struct {
    const char* what;
    const char* told;
    const char* advice;
    std::function<void()> spoil, mend;
  } cases[] = {
      {"the server is busy", "繁忙或正在停止[ZPE_SRV_BUSY,-9978]", "请稍后再试",
       [&] { world->fail(IVasDesk_so_userService, zpd_fault{ZPE_SRV_BUSY}); },
       [&] { world->dispatcher->clear_faults(); }},
      {"the server cannot be reached", "ZPE_CONNECT", "请确认后台服务已启动", [&] { world->registration.reset(); },
       [&] { world->registration = std::make_unique<zpd_inproc_registration>(served, world->dispatcher); }},
      {"the sign-in has ended", "营业员登录已结束或无效", "请重新登录",
       [] { zpd_set_session("a-session-the-server-never-opened"); }, [&] { zpd_set_session(session); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.spoil();
    const std::size_t shown = messages.Shown().size();
    SSoUserServiceOut out;
    EXPECT_TRUE(desk.SubmitSo(out));
    c.mend();
    ASSERT_EQ(messages.Shown().size(), shown + 1);
    const GUIMessage& told = messages.Shown().back();
    EXPECT_EQ(told.text.rfind("对不起,\n[", 0), 0u) << told.text;
    EXPECT_NE(told.text.find(c.told), std::string::npos) << told.text;
    EXPECT_NE(told.text.find(c.advice), std::string::npos) << told.text;
    EXPECT_TRUE(desk.PendingSubmissionKey().empty());
    EXPECT_TRUE(UnknownSubmissions(11).List().empty());
    EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order"), 0);
  }
  SSoUserServiceOut out;
  EXPECT_FALSE(desk.SubmitSo(out)) << error().text2;
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order"), 1);
  EXPECT_EQ(out.get_SORESULTINFO().get_SO_NBR(), world->count("SELECT so_nbr FROM zp_order"));
}

// A silent server: every try of a submission whose reply was lost waits out
// the call's deadline, and the window does not answer while the tries run.
// The operator is asked whether to go on as soon as the tries have taken as
// long as one call may, not after all of them.
TEST_P(Facade, TriesThatWaitOutTheirDeadlineHandBackToTheOperatorSoon) {
  const zp::testing::ScopedEnv data("XDG_DATA_HOME", ::testing::TempDir() + zp::testing::uniqueName("data"));
  const zp::testing::ScopedEnv deadline("ZP_CALL_TIMEOUT_MS", "300");
  CVasDesk slow;  // its client takes the deadline when it is made
  ASSERT_TRUE(slow.Init(kOpenGlobalCall, 571, 1, 110, 11));
  SUserInfo user;
  user.set_SERV_ID(501);
  slow.SetUserInfo(user);
  slow.SetBusiType(101);
  SGetInfoOut info;
  ASSERT_TRUE(slow.GetInfo(info));
  slow.SetUserInfo(info.get_USERINFO());
  slow.SetCustInfo(info.get_CUSTINFO());
  PrepareGlobalCallOrder(slow, "55100017");
  slow.SetConfirmRetries(5, std::chrono::milliseconds(0));
  // Each try is answered only once the deadline has passed, as a connection
  // that gave up waiting reports it.
  auto tries = std::make_shared<int>(0);
  world->dispatcher->add(IVasDesk_so_userService.interfaceName, IVasDesk_so_userService.serviceCode,
                         [tries](zpb_stream&, zpb_stream&) -> std::int32_t {
                           ++*tries;
                           std::this_thread::sleep_for(std::chrono::milliseconds(350));
                           return ZPE_TIMEOUT;
                         });
  messages.Answer(zpgui::kAnswerNo);

  SSoUserServiceOut out;
  EXPECT_TRUE(slow.SubmitSo(out));
  EXPECT_EQ(*tries, 2) << "the first sending and one try, then the question";
  ASSERT_EQ(messages.Shown().size(), 2u) << ::testing::PrintToString(messages.Shown());
  EXPECT_EQ(messages.Shown()[0].flags, 36);
  EXPECT_NE(messages.Shown()[0].text.find("提交结果未知"), std::string::npos) << messages.Shown()[0].text;
  EXPECT_NE(messages.Shown()[1].text.find("不要重复提交"), std::string::npos) << messages.Shown()[1].text;
  EXPECT_EQ(UnknownSubmissions(11).List().size(), 1u);
}

TEST_P(Facade, SubmitSoLeavesOutAnEmptyFeeListAndAnAgentWithoutIdentity) {
  desk.SetBusiCode(kOpenGprs);
  const struct {
    const char* name;
    long long servId;
    short regType;
    const char* regNbr;
  } agents[] = {{"no identity type", 501, 0, "330102197003071231"}, {"no identity number", 502, 1, ""}};
  for (const auto& a : agents) {
    SCOPED_TRACE(a.name);
    identify(a.servId, 5);
    desk.AddUserServiceOper(1, "");
    SOperator agent;
    agent.set_REG_TYPE(a.regType);
    agent.set_REG_NBR(a.regNbr);
    agent.set_SO_MAN("周明");
    desk.SetOperatorMan(agent);
    desk.SetSoFeeList({}, {});
    ASSERT_EQ(desk.CheckSo(0, {}, 0), 0);
    SSoUserServiceOut out;
    EXPECT_FALSE(desk.SubmitSo(out)) << error().text2;
    using R = SSoUserServiceIn;
    EXPECT_EQ(submit->Last().UsedMarker, Fields({R::kIdx_BUSI_CODE, R::kIdx_SOINFO, R::kIdx_USERSERVICEOPERLIST}));
  }
}

TEST_P(Facade, ResetForgetsAReservedNumberWithoutGivingItBack) {
  identify(501, 101);
  ASSERT_TRUE(desk.SignRes(number("55100011")));
  desk.SetSpromOperList({promotion(101, 7, 11, 1101)});
  desk.Reset();
  EXPECT_EQ(numberStatus("55100011"), 2);
  const std::size_t calls = signRes->Count();
  EXPECT_FALSE(desk.UnsignRes());
  EXPECT_EQ(signRes->Count(), calls);

  // The subscriber and the context survive; the order does not.
  desk.AddUserServiceOper(1, "");
  desk.CheckSo(0, {}, 0);
  const SSoUserServiceIn& in = checkSo->Last();
  using R = SSoUserServiceIn;
  EXPECT_EQ(in.UsedMarker, Fields({R::kIdx_BUSI_CODE, R::kIdx_SOINFO, R::kIdx_USERSERVICEOPERLIST}));
  EXPECT_EQ(in.get_SOINFO().get_SERV_ID(), 501);
  EXPECT_EQ(in.get_USERSERVICEOPERLIST().at(0).get_RES_ID(), "");
}

INSTANTIATE_TEST_SUITE_P(Backends, ChangedAfterUnknown, ::testing::Values(Backend::sqlite, Backend::postgresql),
                         [](const auto& info) { return std::string(zp::testing::backendName(info.param)); });
INSTANTIATE_TEST_SUITE_P(Backends, UnknownADayOn, ::testing::Values(Backend::sqlite, Backend::postgresql),
                         [](const auto& info) { return std::string(zp::testing::backendName(info.param)); });
INSTANTIATE_TEST_SUITE_P(Backends, Facade, ::testing::Values(Backend::sqlite, Backend::postgresql),
                         [](const auto& info) { return std::string(zp::testing::backendName(info.param)); });

}  // namespace
