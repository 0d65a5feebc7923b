#include "vasdesk_service.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <map>
#include <mutex>
#include <random>
#include <thread>

#include "backend_world.h"
#include "fixtures.h"

using namespace MPublicDef;
using namespace MVasDesk;
using zp::store::Backend;
using zp::testing::BackendWorld;

namespace {

// Region 571: operators 11 and 12; subscriber 501 has nothing, 502 has
// Global Call with 55000001 and GPS with details, 503 is stopped.
// Region 572: operator 21 and its own numbers.
const char* kWorld = R"({
  "operators": [{"op_id": 11, "org_id": 110, "region_code": 571, "county_code": 1},
                {"op_id": 12, "org_id": 120, "region_code": 571, "county_code": 1},
                {"op_id": 21, "org_id": 210, "region_code": 572, "county_code": 1}],
  "operator_rights": [{"op_id": 11, "ent_id": 51501}, {"op_id": 11, "ent_id": 51502}, {"op_id": 11, "ent_id": 51505},
                      {"op_id": 11, "ent_id": 51506}, {"op_id": 11, "ent_id": 51507}, {"op_id": 11, "ent_id": 51508},
                      {"op_id": 12, "ent_id": 51501}, {"op_id": 12, "ent_id": 51502}],
  "catalogue_items": [{"prod_id": 31, "busi_type": 101, "prod_name": "全球呼月租", "subscr_param": "1"},
                      {"prod_id": 32, "busi_type": 5, "prod_name": "GPRS包月"}],
  "priv_entities": [{"ent_id": 4301, "ent_name": "[3@1000]", "priv_class": 43},
                    {"ent_id": 4302, "ent_name": "减免 [3@5000]", "priv_class": 43, "node_id": 7},
                    {"ent_id": 4101, "ent_name": "[1@5000]", "priv_class": 41}],
  "customers": [{"cust_id": 1, "cust_name": "周明", "region_code": 571, "cust_class": 2}],
  "accounts": [{"acct_id": 2, "cust_id": 1, "acct_name": "周明"}],
  "book_items": [{"item_id": 100, "name": "全球呼开户费"}, {"item_id": 101, "name": "月功能费"},
                 {"item_id": 301, "name": "开户费优惠"}],
  "acc_item_rels": [{"fee_item": 100, "disc_item": 301}],
  "users": [{"serv_id": 501, "phone_id": "13900000501", "cust_id": 1, "acct_id": 2, "region_code": 571, "plan_id": 7},
            {"serv_id": 502, "phone_id": "13900000502", "cust_id": 1, "acct_id": 2, "region_code": 571},
            {"serv_id": 503, "phone_id": "13900000503", "cust_id": 1, "acct_id": 2, "region_code": 571, "user_sts": 0}],
  "user_services": [{"serv_id": 502, "busi_type": 101, "res_code": 1, "res_id": "55000001", "remark": "主号"},
                    {"serv_id": 502, "busi_type": 102, "remark": "定位"}],
  "user_promotions": [{"serv_id": 502, "sprom_id": 9, "busi_type": 101, "sprom_para": "5000"},
                      {"serv_id": 502, "sprom_id": 8, "busi_type": 5}],
  "special_data": [{"serv_id": 502, "busi_type": 102, "field_name": "SP_ID", "field_value": "3"},
                   {"serv_id": 502, "busi_type": 102, "field_name": "CARD_NO", "field_value": "浙A·1"}],
  "service_providers": [{"sp_id": 5, "sp_name": "天途定位"}, {"sp_id": 6, "sp_name": "停用定位", "sts": 2}],
  "crbt_songs": [{"region_code": 571, "song_id": "A01", "song_name": "生日快乐"},
                 {"region_code": 572, "song_id": "B01", "song_name": "外地铃声"}],
  "numbers": [{"res_id": "55000001", "region_code": 571, "sts": 3, "serv_id": 502}],
  "number_ranges": [{"first": "55100000", "count": 150, "region_code": 571},
                    {"first": "56100000", "count": 10, "region_code": 572}]
})";

class VasDesk : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    ZP_REQUIRE_BACKEND(GetParam());
    world = std::make_unique<BackendWorld>(GetParam(), kWorld);
    ASSERT_EQ(client.bind_zpBroker("ZEPHYRON"), 0);
  }

  SGetInfoOut info(long long servId, int busiCode, std::int32_t* result = nullptr) {
    SFetchCtInfoIn in;
    in.set_BUSI_CODE(busiCode);
    in.set_SERV_ID(servId);
    SGetInfoOut out;
    CBSErrorMsg err;
    const std::int32_t r = client.get_info(in, out, err, nullptr);
    if (result) *result = r;
    return out;
  }

  std::int32_t sign(const std::string& number, int opId, short act, CBSErrorMsg& err, SResSign* got = nullptr,
                    short region = 571) {
    world->signIn(opId);  // the counter of that operator asks
    SDoSignResIn in;
    in.set_BUSI_CODE(1302);
    in.set_REGION_CODE(region);
    in.set_COUNTY_CODE(1);
    in.set_ORG_ID(opId * 10);
    in.set_OP_ID(opId);
    in.set_AGENT_ID(0);
    in.set_RES_CODE(1);
    in.set_RES_ID(number);
    in.set_ACT_TYPE(act);
    SDoSignResOut out;
    const std::int32_t r = client.do_signRes(in, out, err, nullptr);
    if (got) *got = out.get_RESSIGN();
    return r;
  }

  std::vector<std::string> freeNumbers(const std::string& start, const std::string& end, int max, short region = 571) {
    world->signIn(11);
    SQueryResListIn in;
    in.set_BUSI_CODE(1302);
    in.set_REGION_CODE(region);
    in.set_OP_ID(11);
    in.set_RES_TYPE(30);
    in.set_MAX_NUM(max);
    in.set_START_NO(start);
    in.set_END_NO(end);
    in.set_RES_STS(1);
    SQueryResListOut out;
    CBSErrorMsg err;
    EXPECT_EQ(client.query_resList(in, out, err, nullptr), 0) << err.text2;
    std::vector<std::string> ids;
    for (const SResInfo& r : out.get_RESINFOLIST()) ids.push_back(r.get_RES_ID());
    return ids;
  }

  // An order as the counter builds it: header, one service line, and for
  // Global Call the reservation.
  SSoUserServiceIn order(int busiCode, int busiType, short actType, long long servId, int opId,
                         const std::string& number = "") {
    world->signIn(opId);  // built and sent by that operator's counter
    SSoInfo so;
    so.set_BUSI_CODE(busiCode);
    so.set_SO_NBR(0);
    so.set_AFTER_FLAG(0);
    so.set_SERV_ID(servId);
    so.set_OP_ID(opId);
    so.set_SO_REGION_CODE(571);
    so.set_SO_COUNTY_CODE(1);
    so.set_SO_ORG_ID(opId * 10);
    SUserServiceOper oper;
    oper.set_ACT_TYPE(actType);
    oper.set_BUSI_TYPE(busiType);
    oper.set_SERV_ID(servId);
    oper.set_SERV_PARAM(" ");
    oper.set_REMARK("柜台受理");
    if (busiType == 101) {
      oper.set_RES_CODE(1);
      oper.set_RES_ID(number);
    }
    SSoUserServiceIn in;
    in.set_BUSI_CODE(busiCode);
    in.set_SOINFO(so);
    in.set_USERSERVICEOPERLIST({oper});
    if (!number.empty()) {
      SResSign s;
      s.set_RES_ID(number);
      s.set_RES_CODE(1);
      s.set_OP_ID(opId);
      in.set_RESSIGNLIST({s});
    }
    return in;
  }

  std::vector<std::string> findings(const SSoUserServiceIn& in) {
    SCheckSoOut out;
    CBSErrorMsg err;
    EXPECT_EQ(client.check_so(in, out, err, nullptr), 0) << err.text2;
    std::vector<std::string> texts;
    for (const SCheckOut& c : out.get_CHECKDATALIST()) texts.push_back(c.get_CHECKDESC());
    EXPECT_EQ(out.get_VALID_COUNT(), static_cast<int>(texts.size()));
    return texts;
  }

  std::unique_ptr<BackendWorld> world;
  IVasDesk client;
};

bool mentions(const std::vector<std::string>& texts, const std::string& part) {
  return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return t.find(part) != std::string::npos; });
}

}  // namespace

TEST_P(VasDesk, GetInfoReturnsTheSubscribersPictureForTheBusiness) {
  const SGetInfoOut gc = info(502, 1302);
  ASSERT_EQ(gc.get_USERSERVICEINFOLIST().size(), 1u);
  EXPECT_EQ(gc.get_USERSERVICEINFOLIST()[0].get_RES_ID(), "55000001");
  EXPECT_EQ(gc.get_USERSERVICEINFOLIST()[0].get_REMARK(), "主号");
  EXPECT_EQ(gc.get_USERINFO().get_PHONE_ID(), "13900000502");
  EXPECT_EQ(gc.get_CUSTINFO().get_CUST_NAME(), "周明");
  EXPECT_EQ(gc.get_CUSTINFO().get_CUST_CLASS(), 2);
  EXPECT_EQ(gc.get_ACCTINFO().get_ACCT_ID(), 2);
  ASSERT_EQ(gc.get_SPROMINFOLIST().size(), 1u);  // only the promotions of Global Call
  EXPECT_EQ(gc.get_SPROMINFOLIST()[0].get_SPROM_ID(), 9);
  EXPECT_FALSE(gc.UsedMarker & (1ull << SGetInfoOut::kIdx_SPECILDATAINFO));

  // GPS carries its details as a text table with the detail record's columns.
  const SGetInfoOut gps = info(502, 1305);
  const SSpecilDataInfo& t = gps.get_SPECILDATAINFO();
  EXPECT_EQ(t.get_BUSI_TYPE(), 102);
  ASSERT_EQ(t.get_FIELDLIST().size(), static_cast<std::size_t>(SGpsInfo::kFieldCount));
  for (int i = 0; i < SGpsInfo::kFieldCount; ++i)
    EXPECT_EQ(t.get_FIELDLIST()[i].get_FIELD_NAME(), SGpsInfo::kFieldTable[i].name);
  ASSERT_EQ(t.get_DATAINFOLIST().size(), 1u);
  const auto& cells = t.get_DATAINFOLIST()[0].get_FIELDVALUELIST();
  EXPECT_EQ(cells[SGpsInfo::kIdx_CARD_NO].get_FIELD_VALUE(), "浙A·1");
  EXPECT_EQ(cells[SGpsInfo::kIdx_SP_ID].get_FIELD_VALUE(), "3");
  EXPECT_EQ(cells[SGpsInfo::kIdx_REMARK].get_FIELD_VALUE(), "");

  // A subscriber without the business: no service, an empty table.
  const SGetInfoOut none = info(501, 1304);
  EXPECT_TRUE(none.get_USERSERVICEINFOLIST().empty());
  EXPECT_TRUE(none.get_SPECILDATAINFO().get_DATAINFOLIST().empty());
}

TEST_P(VasDesk, GetInfoRefusalsCarryBothTexts) {
  struct Case {
    long long servId;
    int busiCode;
    const char* says;
  };
  const Case cases[] = {{999, 1302, "不存在"}, {501, 4711, "4711"}, {0, 1302, "SERV_ID"}};
  for (const Case& c : cases) {
    SFetchCtInfoIn in;
    in.set_BUSI_CODE(c.busiCode);
    if (c.servId) in.set_SERV_ID(c.servId);
    SGetInfoOut out;
    CBSErrorMsg err;
    EXPECT_NE(client.get_info(in, out, err, nullptr), 0);
    EXPECT_NE(err.text1, "no error");
    EXPECT_NE(err.text2.find(c.says), std::string::npos) << err.text2;
  }
}

TEST_P(VasDesk, CheckFindsEveryReasonAnOrderCannotStand) {
  CBSErrorMsg err;
  ASSERT_EQ(sign("55100003", 12, 1, err), 0);  // held by another operator
  SSoUserServiceIn future = order(1071, 5, 3, 502, 11);
  SSoInfo so = future.get_SOINFO();
  so.set_AFTER_FLAG(1);
  so.set_AFTER_DATE(CBSDateTime::make(2026, 12, 11));
  future.set_SOINFO(so);
  SSoUserServiceIn wrongLine = order(1302, 102, 1, 501, 11);
  SSoUserServiceIn twoLines = order(1070, 5, 1, 501, 11);
  twoLines.set_USERSERVICEOPERLIST({twoLines.get_USERSERVICEOPERLIST()[0], twoLines.get_USERSERVICEOPERLIST()[0]});

  struct Case {
    const char* what;
    SSoUserServiceIn order;
    const char* says;
  };
  const Case cases[] = {
      {"unknown subscriber", order(1070, 5, 1, 999, 11), "不存在"},
      {"stopped subscriber", order(1070, 5, 1, 503, 11), "停机"},
      {"opens what it has", order(1304, 102, 1, 502, 11), "重复开通"},
      {"cancels what it lacks", order(1071, 5, 3, 501, 11), "不能取消"},
      {"changes what it lacks", order(1073, 5, 2, 501, 11), "不能变更"},
      {"Global Call without a number", order(1302, 101, 1, 501, 11), "预占"},
      {"number of another operator", order(1302, 101, 1, 501, 11, "55100003"), "55100003"},
      {"date in the future", future, "补单日期"},
      {"line of another business", wrongLine, "不符"},
      {"two lines", twoLines, "不符"},
      {"unknown business code", order(4711, 5, 1, 501, 11), "4711"},
  };
  for (const Case& c : cases) EXPECT_TRUE(mentions(findings(c.order), c.says)) << c.what;

  ASSERT_EQ(sign("55100004", 11, 1, err), 0);
  EXPECT_TRUE(findings(order(1302, 101, 1, 501, 11, "55100004")).empty());
  EXPECT_TRUE(findings(order(1303, 101, 3, 502, 11)).empty());
  SSoUserServiceIn past = order(1303, 101, 3, 502, 11);
  so = past.get_SOINFO();
  so.set_AFTER_FLAG(1);
  so.set_AFTER_DATE(CBSDateTime::make(2026, 12, 1));
  past.set_SOINFO(so);
  EXPECT_TRUE(findings(past).empty());
}

TEST_P(VasDesk, GlobalCallOpenTurnsTheReservedNumberIntoTheSubscribers) {
  CBSErrorMsg err;
  SResSign held;
  ASSERT_EQ(sign("55100010", 11, 1, err, &held), 0) << err.text2;
  EXPECT_EQ(held.get_STS(), 2);
  EXPECT_EQ(held.get_OP_ID(), 11);
  EXPECT_FALSE(held.get_SIGN_TIME().isZero());

  // The order is priced as the counter would have been told (the opening
  // fee with its discount, the promotion's free line), and operator 11 may
  // set a minimum of 30.00 on the promotion.
  zp::store::loadFixtures(*world->db, R"({
    "fee_flags": [{"busi_code": 1302, "flag": 1}],
    "fee_rules": [{"busi_code": 1302, "book_item_id": 100, "item_value": 2000, "item_discount": -500},
                  {"busi_code": 1302, "prod_id": 31, "book_item_id": 101, "item_value": 0}],
    "priv_entities": [{"ent_id": 4103, "ent_name": "[1@3000]", "priv_class": 41}],
    "operator_rights": [{"op_id": 11, "ent_id": 4103, "priv_id": 41}]})");
  SSoUserServiceIn in = order(1302, 101, 1, 501, 11, "55100010");
  SSoFee fee, free;
  fee.set_BOOK_ITEM_ID(100);
  fee.set_ITEM_VALUE(2000);
  fee.set_ITEM_DISCOUNT(-500);
  fee.set_REMARK("首月");
  free.set_BOOK_ITEM_ID(101);
  free.set_ITEM_VALUE(0);
  in.set_SOFEELIST({fee, free});
  SOperator agent;
  agent.set_SO_MAN("吴晓燕");
  agent.set_REG_TYPE(1);
  agent.set_REG_NBR("330106199002023451");
  in.set_OPERATORMAN(agent);
  SSpromOper prom;
  prom.set_ACT_TYPE(1);
  prom.set_BUSI_TYPE(101);
  prom.set_SPROM_ID(31);
  prom.set_SPROM_PARA("3000");
  in.set_SPROMOPERLIST({prom});

  SSoUserServiceOut out;
  ASSERT_EQ(client.so_userService(in, out, err, nullptr), 0) << err.text2;
  const long long soNbr = out.get_SORESULTINFO().get_SO_NBR();
  EXPECT_GT(soNbr, 0);
  EXPECT_NE(err.text1.find(std::to_string(soNbr)), std::string::npos);
  ASSERT_EQ(out.get_TIKETINFOLIST().size(), 1u);  // the line of 0.00 is no invoice line
  EXPECT_EQ(out.get_TIKETINFOLIST()[0].get_ITEM_TOTAL(), 1500);
  EXPECT_EQ(out.get_TIKETINFOLIST()[0].get_BOOK_ITEM_NAME(), "全球呼开户费");

  const SGetInfoOut now = info(501, 1303);
  ASSERT_EQ(now.get_USERSERVICEINFOLIST().size(), 1u);
  EXPECT_EQ(now.get_USERSERVICEINFOLIST()[0].get_RES_ID(), "55100010");
  ASSERT_EQ(now.get_SPROMINFOLIST().size(), 1u);
  EXPECT_EQ(now.get_SPROMINFOLIST()[0].get_SPROM_ID(), 31);
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order_line WHERE so_nbr = " + std::to_string(soNbr)), 6);
  EXPECT_EQ(world->count("SELECT line_count FROM zp_order WHERE so_nbr = " + std::to_string(soNbr)), 6);
  const auto pool = freeNumbers("55100000", "55199999", 200);
  EXPECT_EQ(std::count(pool.begin(), pool.end(), "55100010"), 0);

  // The same order again is refused and writes nothing.
  const long long orders = world->count("SELECT COUNT(*) FROM zp_order");
  EXPECT_EQ(client.so_userService(in, out, err, nullptr), zp::backend::kRefusedOrder);
  EXPECT_NE(err.text2.find("重复开通"), std::string::npos);
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order"), orders);

  // Cancelling gives the number back to the pool.
  ASSERT_EQ(client.so_userService(order(1303, 101, 3, 501, 11), out, err, nullptr), 0) << err.text2;
  EXPECT_GT(out.get_SORESULTINFO().get_SO_NBR(), soNbr);
  const auto back = freeNumbers("55100010", "55100010", 5);
  EXPECT_EQ(back, std::vector<std::string>{"55100010"});
  EXPECT_TRUE(info(501, 1303).get_USERSERVICEINFOLIST().empty());
}

// The details of a GPS or ring-back order as the counter sends them: one
// row of the named fields.
static SSpecilDataInfo details(int busiType, const std::vector<std::pair<const char*, const char*>>& fields) {
  SSpecilDataInfo sd;
  sd.set_BUSI_TYPE(static_cast<std::int16_t>(busiType));
  SFieldList names;
  SFieldValueList cells;
  for (const auto& [name, value] : fields) {
    SField f;
    f.set_FIELD_NAME(name);
    names.push_back(f);
    SFieldValue v;
    v.set_FIELD_VALUE(value);
    cells.push_back(v);
  }
  SDataInfo row;
  row.set_FIELDVALUELIST(cells);
  sd.set_FIELDLIST(names);
  sd.set_DATAINFOLIST({row});
  return sd;
}

TEST_P(VasDesk, GpsOpenStoresItsDetailsAsTheSubscribers) {
  SSoUserServiceIn in = order(1304, 102, 1, 501, 11);
  const auto gps = [](const char* sp) {
    return details(102, {{"CARD_NO", "浙B·2"}, {"GPS_TYPE", "2"}, {"SP_ID", sp}, {"ACT_TYPE", "1"}});
  };

  SSoUserServiceOut out;
  CBSErrorMsg err;
  EXPECT_EQ(client.so_userService(in, out, err, nullptr), zp::backend::kRefusedOrder) << "GPS without its details";
  // A provider the lists do not give as in service is no provider.
  for (const char* sp : {"6", "77", "5x"}) {
    in.set_SPECILDATAINFO(gps(sp));
    EXPECT_EQ(client.so_userService(in, out, err, nullptr), zp::backend::kRefusedOrder) << sp;
    EXPECT_NE(err.text2.find(std::string("GPS服务商[") + sp + "]不存在或已停用"), std::string::npos) << err.text2;
  }
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_special_data WHERE serv_id = 501"), 0);
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order"), 0);
  in.set_SPECILDATAINFO(gps("5"));
  ASSERT_EQ(client.so_userService(in, out, err, nullptr), 0) << err.text2;
  const SGetInfoOut picture = info(501, 1305);
  const SSpecilDataInfo& got = picture.get_SPECILDATAINFO();
  ASSERT_EQ(got.get_DATAINFOLIST().size(), 1u);
  const auto& c = got.get_DATAINFOLIST()[0].get_FIELDVALUELIST();
  EXPECT_EQ(c[SGpsInfo::kIdx_CARD_NO].get_FIELD_VALUE(), "浙B·2");
  EXPECT_EQ(c[SGpsInfo::kIdx_SP_ID].get_FIELD_VALUE(), "5");
  EXPECT_EQ(c[SGpsInfo::kIdx_STS].get_FIELD_VALUE(), "1");
  EXPECT_EQ(c[SGpsInfo::kIdx_CREATE_DATE].get_FIELD_VALUE(), "2026-12-10 10:00:00");
}

// A ring-back service rings a song of the subscriber's region's list.
TEST_P(VasDesk, RingBackOpensOnlyWithASongOfTheSubscribersRegion) {
  SSoUserServiceIn in = order(1324, 104, 1, 501, 11);
  SSoUserServiceOut out;
  CBSErrorMsg err;
  for (const char* song : {"B01", "Z99"}) {
    in.set_SPECILDATAINFO(details(104, {{"SONG_ID", song}, {"SEND_FLAG", "1"}}));
    EXPECT_EQ(client.so_userService(in, out, err, nullptr), zp::backend::kRefusedOrder) << song;
    EXPECT_NE(err.text2.find(std::string("铃声[") + song + "]不是用户所在地区[571]的铃声"), std::string::npos)
        << err.text2;
  }
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_user_service WHERE serv_id = 501 AND busi_type = 104"), 0);
  in.set_SPECILDATAINFO(details(104, {{"SONG_ID", "A01"}, {"SEND_FLAG", "1"}}));
  ASSERT_EQ(client.so_userService(in, out, err, nullptr), 0) << err.text2;
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_special_data WHERE serv_id = 501 AND busi_type = 104 AND "
                         "field_name = 'SONG_ID' AND field_value = 'A01'"),
            1);
}

TEST_P(VasDesk, ReservationIsOneHolderAtATimeAndALease) {
  CBSErrorMsg err;
  ASSERT_EQ(sign("55100020", 11, 1, err), 0);
  EXPECT_NE(sign("55100020", 12, 1, err), 0);
  EXPECT_NE(err.text2.find("其他营业员"), std::string::npos);
  EXPECT_NE(sign("55100020", 12, 2, err), 0);  // releasing is the holder's
  EXPECT_NE(sign("99999999", 11, 1, err), 0);
  EXPECT_NE(sign("56100001", 11, 1, err), 0);  // another region's number
  EXPECT_NE(sign("55000001", 11, 1, err), 0);  // in use
  EXPECT_NE(err.text2.find("已被使用"), std::string::npos);
  EXPECT_NE(sign("55100020", 11, 3, err), 0);  // no such action

  // A lease left behind returns to the pool after 30 minutes.
  EXPECT_EQ(freeNumbers("55100020", "55100020", 5).size(), 0u);
  world->clock += 29 * 60;
  EXPECT_NE(sign("55100020", 12, 1, err), 0);
  world->clock += 2 * 60;
  EXPECT_EQ(freeNumbers("55100020", "55100020", 5).size(), 1u);
  ASSERT_EQ(sign("55100020", 12, 1, err), 0) << err.text2;
  EXPECT_NE(sign("55100020", 11, 2, err), 0);
  EXPECT_EQ(sign("55100020", 12, 2, err), 0);
  EXPECT_EQ(freeNumbers("55100020", "55100020", 5).size(), 1u);
}

TEST_P(VasDesk, QueryListsFreeNumbersInRangeAscending) {
  const auto first = freeNumbers("55100000", "55199999", 100);
  ASSERT_EQ(first.size(), 100u);
  EXPECT_TRUE(std::is_sorted(first.begin(), first.end()));
  EXPECT_EQ(first.front(), "55100000");
  EXPECT_EQ(freeNumbers("55100140", "", 100).size(), 10u);
  EXPECT_EQ(freeNumbers("55100005", "55100009", 100).size(), 5u);
  EXPECT_EQ(freeNumbers("", "", 1000).size(), 150u);  // the region's own only
  // The pool is the signed-in operator's region's, whatever the request says.
  EXPECT_EQ(freeNumbers("", "", 1000, 572).size(), 150u);
  CBSErrorMsg err;
  ASSERT_EQ(sign("55100006", 11, 1, err), 0);
  EXPECT_EQ(freeNumbers("55100005", "55100009", 100),
            (std::vector<std::string>{"55100005", "55100007", "55100008", "55100009"}));

  SQueryResListIn none;
  none.set_REGION_CODE(571);
  none.set_MAX_NUM(0);
  SQueryResListOut out;
  EXPECT_NE(client.query_resList(none, out, err, nullptr), 0);
}

TEST_P(VasDesk, PrivilegeClassesListTheirEntities) {
  MPrivmgnt::IPrivelege priv;
  ASSERT_EQ(priv.bind_zpBroker("ZEPHYRON"), 0);
  MSysmgntDef::SPrivEntityList list;
  CBSErrorMsg err;
  ASSERT_EQ(priv.query_privelegeClassEntities(43, list, err, nullptr), 0);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].get_ENT_NAME(), "[3@1000]");
  EXPECT_EQ(list[1].get_ENT_NAME(), "减免 [3@5000]");
  EXPECT_EQ(list[1].get_NODE_ID(), 7);
  MSysmgntDef::SPrivEntityList empty;
  EXPECT_EQ(priv.query_privelegeClassEntities(44, empty, err, nullptr), 0);
  EXPECT_TRUE(empty.empty());
}

// Sixteen operators race for a hundred numbers: no number is held twice, and
// no operator holds more than the cap (5), however his requests interleave.
TEST_P(VasDesk, SixteenCountersRacingForTheSameNumbersNeverShareOne) {
  std::string operators = R"({"operators": [)";
  for (int c = 0; c < 16; ++c)
    operators += (c ? "," : "") + std::string(R"({"op_id": )") + std::to_string(100 + c) +
                 R"(, "org_id": 1000, "region_code": 571, "county_code": 1})";
  zp::store::loadFixtures(*world->db, operators + "]}");
  std::vector<std::string> numbers;
  for (int i = 0; i < 100; ++i) numbers.push_back(std::to_string(55100000 + i));
  std::mutex m;
  std::map<std::string, std::vector<int>> winners;
  std::map<int, int> held;
  std::vector<std::thread> counters;
  for (int c = 0; c < 16; ++c) {
    counters.emplace_back([&, c] {
      zpd_set_thread_session(world->sessions->open(100 + c));  // sixteen counters, sixteen operators
      IVasDesk own;
      ASSERT_EQ(own.bind_zpBroker("ZEPHYRON"), 0);
      std::vector<std::string> order = numbers;
      std::shuffle(order.begin(), order.end(), std::mt19937(c));
      for (const std::string& n : order) {
        SDoSignResIn in;
        in.set_REGION_CODE(571);
        in.set_OP_ID(100 + c);
        in.set_RES_ID(n);
        in.set_ACT_TYPE(1);
        SDoSignResOut out;
        CBSErrorMsg err;
        if (own.do_signRes(in, out, err, nullptr) == 0) {
          std::lock_guard<std::mutex> lock(m);
          winners[n].push_back(100 + c);
          ++held[100 + c];
        }
      }
    });
  }
  for (auto& t : counters) t.join();
  EXPECT_EQ(winners.size(), 16u * 5u) << "every operator reached the cap, none passed it";
  for (const auto& [op, count] : held) EXPECT_EQ(count, 5) << op;
  for (const auto& [number, ops] : winners) {
    ASSERT_EQ(ops.size(), 1u) << number;
    EXPECT_EQ(world->count("SELECT op_id FROM zp_res_number WHERE res_id = '" + number + "' AND sts = 2"), ops[0]);
  }
}

// The pool is the operator's region as the store knows him, whatever the
// request claims; an unknown operator reserves nothing; the cap counts only
// numbers still held, so one given back or lapsed makes room again.
TEST_P(VasDesk, AReservationIsTheOperatorsOwnRegionAndWithinHisCap) {
  CBSErrorMsg err;
  const auto reserve = [&](const std::string& number, int op, short claimedRegion) {
    world->signIn(op);
    SDoSignResIn in;
    in.set_REGION_CODE(claimedRegion);
    in.set_OP_ID(op);
    in.set_RES_ID(number);
    in.set_ACT_TYPE(1);
    SDoSignResOut out;
    err = CBSErrorMsg{};
    return client.do_signRes(in, out, err, nullptr);
  };
  // Operator 21 is of region 572; a 571 number stays out of his reach even
  // when he claims 571, and a 572 number is his even when he claims 571.
  EXPECT_NE(reserve("55100001", 21, 571), 0);
  EXPECT_NE(err.text2.find("不属于本地区"), std::string::npos) << err.text2;
  EXPECT_EQ(reserve("56100001", 21, 571), 0) << err.text2;
  EXPECT_NE(reserve("55100002", 999, 571), 0);
  EXPECT_NE(err.text2.find("请先登录"), std::string::npos) << err.text2;  // no such operator signs in

  for (int i = 0; i < 5; ++i) EXPECT_EQ(reserve("5510001" + std::to_string(i), 11, 571), 0) << i << err.text2;
  EXPECT_NE(reserve("55100020", 11, 571), 0);
  EXPECT_NE(err.text2.find("已达上限5个"), std::string::npos) << err.text2;
  EXPECT_EQ(reserve("55100014", 11, 571), 0) << "renewing a number he holds is no new one: " << err.text2;
  EXPECT_EQ(sign("55100010", 11, 2, err), 0) << err.text2;
  EXPECT_EQ(reserve("55100020", 11, 571), 0) << "a number given back makes room: " << err.text2;
  world->clock += 31 * 60;  // every lease lapsed
  EXPECT_EQ(reserve("55100021", 11, 571), 0) << err.text2;
}

TEST_P(VasDesk, AnyOperationCanBeMadeToFailOrStall) {
  world->fail(IVasDesk_get_info, {4711, 3, "故障注入", "后台暂时不可用"});
  std::int32_t r = 0;
  info(502, 1302, &r);
  EXPECT_EQ(r, 4711);
  SFetchCtInfoIn in;
  in.set_BUSI_CODE(1302);
  in.set_SERV_ID(502);
  SGetInfoOut out;
  CBSErrorMsg err;
  EXPECT_EQ(client.get_info(in, out, err, nullptr), 4711);
  EXPECT_EQ(err, (CBSErrorMsg{4711, 3, "故障注入", "后台暂时不可用"}));
  EXPECT_TRUE(freeNumbers("55100000", "55100009", 10).size() == 10);  // other operations unharmed

  world->dispatcher->clear_faults();
  world->fail(IVasDesk_get_info, {0, 0, "", "", std::chrono::milliseconds(1500)});
  world->serveTcp();
  IVasDesk remote;
  remote.set_timeout(std::chrono::milliseconds(300));
  ASSERT_EQ(remote.bind_zpBroker("ZEPHYRON"), 0);
  EXPECT_EQ(remote.get_info(in, out, err, nullptr), ZPE_TIMEOUT);
  world->dispatcher->clear_faults();
  world->tcp->stop();  // waits for the stalled call before the store goes
}

INSTANTIATE_TEST_SUITE_P(Backends, VasDesk, ::testing::Values(Backend::sqlite, Backend::postgresql),
                         [](const auto& info) { return std::string(zp::testing::backendName(info.param)); });

// The order books each fee entry by the money rule; an entry whose total says
// another amount than its price, count and discount, or a sum beyond 64 bits,
// is refused and nothing is stored.
TEST_P(VasDesk, FeeEntriesThatDisagreeWithTheMoneyRuleAreRefused) {
  const auto entry = [](std::int64_t value, std::int64_t count, std::int64_t discount, std::int64_t total,
                        int item = 100) {
    SSoFee fee;
    fee.set_BOOK_ITEM_ID(item);
    fee.set_ITEM_VALUE(value);
    fee.set_ITEM_COUNT(count);
    fee.set_ITEM_DISCOUNT(discount);
    fee.set_ITEM_TOTAL(total);
    return fee;
  };
  const struct {
    const char* what;
    SSoFeeList fees;
    bool accepted;
  } cases[] = {
      {"a total that ignores the discount", {entry(2000, 1, -500, 2000)}, false},
      {"a total that ignores the count", {entry(500, 3, 0, 500)}, false},
      {"a sum beyond 64 bits", {entry(INT64_MAX, 1, 0, INT64_MAX), entry(1, 1, 0, 1)}, false},
      {"an item the catalogue does not know", {entry(500, 1, 0, 500, 999)}, false},
      {"money taken off on an item that is no discount item", {entry(-100000, 1, 0, -100000, 101)}, false},
      {"price, count and discount agree", {entry(500, 3, -100, 1400), entry(-300, 1, 0, -300, 301)}, true},
  };
  // GPRS opening is priced at three units of 5.00 less 1.00: the honest
  // order's fee line; the operator grants 3.00 more on the discount item.
  zp::store::loadFixtures(*world->db, R"({
    "fee_flags": [{"busi_code": 1070, "flag": 1}],
    "fee_rules": [{"busi_code": 1070, "book_item_id": 100, "item_value": 500, "item_count": 3, "item_discount": -100}]})");
  for (const auto& c : cases) {
    SSoUserServiceIn in = order(1070, 5, 1, 502, 11);
    in.set_SOFEELIST(c.fees);
    SSoUserServiceOut out;
    CBSErrorMsg err;
    const long long before = world->count("SELECT COUNT(*) FROM zp_order");
    const std::int32_t rc = client.so_userService(in, out, err, nullptr);
    EXPECT_EQ(rc == 0, c.accepted) << c.what << ": " << err.text2;
    EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order"), before + (c.accepted ? 1 : 0)) << c.what;
    if (!c.accepted) {
      EXPECT_NE(err.text2.find("费用"), std::string::npos) << c.what << ": " << err.text2;
    } else {
      EXPECT_EQ(world->count("SELECT SUM(amount) FROM zp_order_line WHERE kind = 'fee' AND so_nbr = " +
                             std::to_string(out.get_SORESULTINFO().get_SO_NBR())),
                1100);
      ASSERT_EQ(out.get_TIKETINFOLIST().size(), 2u);
      EXPECT_EQ(out.get_TIKETINFOLIST()[1].get_ITEM_TOTAL(), -300) << "a discount is an invoice line of its own";
    }
  }
}

// A back-dated order may name any day from today back to the window's
// earliest, whatever the time of day the counter sends it; a day outside is
// refused with its reason.
TEST_P(VasDesk, TheBackDateWindowIsCountedInWholeDays) {
  const auto localDay = [](int year, int month, int day, int hour, int minute) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_isdst = -1;
    return static_cast<long long>(std::mktime(&tm));
  };
  const auto dated = [&](CBSDateTime date) {
    SSoUserServiceIn in = order(1070, 5, 1, 501, 11);
    SSoInfo so = in.get_SOINFO();
    so.set_AFTER_FLAG(1);
    so.set_AFTER_DATE(date);
    in.set_SOINFO(so);
    return in;
  };
  // 2026-12-10, 31 days after 2026-11-09, at three times of the day.
  const std::pair<int, int> times[] = {{0, 1}, {10, 0}, {23, 59}};
  const struct {
    CBSDateTime day;
    const char* says;  // null: no finding about the date
  } cases[] = {
      {CBSDateTime::make(2026, 12, 10), nullptr},
      {CBSDateTime::make(2026, 11, 9), nullptr},
      {CBSDateTime::make(2026, 11, 8), "早于允许的补单期限(31天)"},
      {CBSDateTime::make(2026, 12, 11), "不能晚于当前日期"},
  };
  for (const auto& [hour, minute] : times) {
    world->clock = localDay(2026, 12, 10, hour, minute);
    for (const auto& c : cases) {
      const std::vector<std::string> texts = findings(dated(c.day));
      if (c.says)
        EXPECT_TRUE(mentions(texts, c.says)) << c.day.toString("%Y-%M-%D") << " at " << hour << ":" << minute;
      else
        EXPECT_FALSE(mentions(texts, "补单")) << c.day.toString("%Y-%M-%D") << " at " << hour << ":" << minute;
    }
  }
}

// The server trusts no counter about who is serving and what he may do: the
// operator must exist, the order's operator fields must be his, he must hold
// the right of the operation and, for a subscriber of another region, the
// remote right; the agent must not be black-listed; a back-dated order stays
// within its window; promotion lines are the order's own business's. Each
// forgery is refused with its reason and stores nothing, and the honest
// order still passes.
TEST_P(VasDesk, ForgedOperatorsRightsAgentsAndDatesAreRefused) {
  zp::store::loadFixtures(*world->db, R"({
    "operator_rights": [{"op_id": 21, "ent_id": 51505}],
    "black_list": [{"reg_type": 1, "reg_nbr": "330106199002029999", "list_type": 1, "reason": "冒用证件"},
                   {"reg_type": 1, "reg_nbr": "33010619900202777X", "list_type": 1, "reason": "冒用证件"},
                   {"reg_type": 1, "reg_nbr": "330106199002028888", "list_type": 2, "reason": "灰名单"}]})");
  const auto gprs = [&](int opId) { return order(1070, 5, 1, 501, opId); };
  const auto withAgent = [&](const char* regNbr) {
    SSoUserServiceIn in = gprs(11);
    SOperator agent;
    agent.set_SO_MAN("王五");
    agent.set_REG_TYPE(1);
    agent.set_REG_NBR(regNbr);
    in.set_OPERATORMAN(agent);
    return in;
  };
  const auto dated = [&](CBSDateTime date, short flag = 1) {
    SSoUserServiceIn in = gprs(11);
    SSoInfo so = in.get_SOINFO();
    so.set_AFTER_FLAG(flag);
    so.set_AFTER_DATE(date);
    in.set_SOINFO(so);
    return in;
  };
  SSoUserServiceIn otherOrg = gprs(11);
  SSoInfo so = otherOrg.get_SOINFO();
  so.set_SO_ORG_ID(120);  // operator 12's organisation
  otherOrg.set_SOINFO(so);
  SSoUserServiceIn otherRegion = gprs(11);
  so = otherRegion.get_SOINFO();
  so.set_SO_REGION_CODE(572);
  otherRegion.set_SOINFO(so);
  SSoUserServiceIn noOperator = gprs(0);
  const auto withPromotion = [](SSoUserServiceIn in, short act, int prom, int busiType = 5) {
    SSpromOper p;
    p.set_ACT_TYPE(act);
    p.set_SPROM_ID(prom);
    p.set_BUSI_TYPE(busiType);
    in.set_SPROMOPERLIST({p});
    return in;
  };

  // Each order is sent by the counter where `as` is signed in.
  const struct {
    const char* what;
    SSoUserServiceIn order;
    const char* says;  // null: accepted
    int as = 11;
  } cases[] = {
      {"an operator that does not exist", gprs(999), "订单的营业员[999]不是登录的营业员[11]"},
      {"no operator at all", noOperator, "订单的营业员[0]不是登录的营业员[11]"},
      {"another operator's id claimed", gprs(12), "订单的营业员[12]不是登录的营业员[11]"},
      {"an operator without the right", gprs(12), "营业员[12]没有开通该业务的权限", 12},
      {"another region's operator without the remote right", gprs(21), "没有受理外地用户业务的权限", 21},
      {"another organisation claimed", otherOrg, "与登录的营业员[11]的资料不符"},
      {"another region claimed", otherRegion, "与登录的营业员[11]的资料不符"},
      {"a black-listed agent", withAgent("330106199002029999"), "经办人证件[330106199002029999]在黑名单中"},
      // The list keeps numbers as the counter's look-up compares them.
      {"a black-listed agent with a small x", withAgent("33010619900202777x"), "在黑名单中"},
      {"a black-listed agent with blanks", withAgent(" 330106 19900202777X"), "在黑名单中"},
      {"a back-date of 1901", dated(CBSDateTime::make(1901, 1, 1)), "早于允许的补单期限(31天)"},
      {"a back-date of 1901 under a flag that is none", dated(CBSDateTime::make(1901, 1, 1), 2), "补单标志[2]无效"},
      {"another business's promotion added", withPromotion(gprs(11), 1, 31), "促销[31]不是本业务可办理的促销"},
      {"the business's promotion filed under another business", withPromotion(gprs(11), 1, 32, 101),
       "促销[32]的业务类型[101]与本业务[5]不符"},
      {"another business's promotion cancelled", withPromotion(order(1073, 5, 2, 502, 11), 3, 9),
       "用户没有本业务的促销[9]"},
      {"a grey-listed agent with the business's own promotion is served",
       withPromotion(withAgent("330106199002028888"), 1, 32), nullptr},
  };
  for (const auto& c : cases) {
    world->signIn(c.as);
    if (c.says) {
      EXPECT_TRUE(mentions(findings(c.order), c.says)) << c.what;
    }
    SSoUserServiceOut out;
    CBSErrorMsg err;
    const long long before = world->count("SELECT COUNT(*) FROM zp_order");
    const std::int32_t rc = client.so_userService(c.order, out, err, nullptr);
    if (c.says) {
      EXPECT_NE(rc, 0) << c.what;
      EXPECT_NE(err.text2.find(c.says), std::string::npos) << c.what << ": " << err.text2;
      EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order"), before) << c.what;
    } else {
      EXPECT_EQ(rc, 0) << c.what << ": " << err.text2;
    }
  }
}
