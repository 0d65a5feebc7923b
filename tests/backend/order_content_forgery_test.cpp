// Orders the counter module would never build, sent straight to zpserver as
// a client built from the stubs could send them: each is refused with its
// reason, at check_so and at submission, and leaves nothing behind. The
// honest order of each kind still goes through.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "backend_world.h"
#include "fixtures.h"
#include "vasdesk_service.h"

using namespace MPublicDef;
using namespace MVasDesk;
using zp::store::Backend;
using zp::testing::BackendWorld;

namespace {

// The operators sit in region 571 (county 1, orgs 110 and 120); the
// subscribers are in region 572, county 3, org 730, so any place taken from
// the wrong side shows. GPRS (type 5) comes with plan 7.
//  601 has GPRS, product 41 and promotion 67;  602 owes money;
//  603 is stopped;  604 has no GPRS yet;  605 has GPRS with 41, 42 and 45.
// Products 41..45 and promotions 61..67 are GPRS's under plan 7; 47 is GPRS
// under plan 8 only; 46 is Global Call's.
//  42 requires 41; 43 and 44 exclude each other; 45 needs 41 or 44;
//  65 requires 61; 66 and 67 exclude each other.
// Operator 11 may set a minimum of at least 30.00, a discount of at least
// 80% and a reduction of at most 20.00; operator 12 may set none. The
// subscribers' region (572, not the operators' 571) lets an operator sell
// only what he is listed for: 11 nearly all, 12 only promotion 63; product
// 43 comes with the plan whoever sells. The access point (131) lists its
// promotions by validity: 71 starts next year.
const char* kWorld = R"({
  "operators": [{"op_id": 11, "org_id": 110, "region_code": 571, "county_code": 1},
                {"op_id": 12, "org_id": 120, "region_code": 571, "county_code": 1}],
  "operator_rights": [{"op_id": 11, "ent_id": 51505}, {"op_id": 11, "ent_id": 51506}, {"op_id": 11, "ent_id": 49990},
                      {"op_id": 12, "ent_id": 51505}, {"op_id": 12, "ent_id": 51506}, {"op_id": 12, "ent_id": 49990},
                      {"op_id": 11, "ent_id": 4101, "priv_id": 41}, {"op_id": 11, "ent_id": 4201, "priv_id": 42},
                      {"op_id": 11, "ent_id": 4301, "priv_id": 43}],
  "priv_entities": [{"ent_id": 4101, "ent_name": "最低消费 [1@3000]", "priv_class": 41},
                    {"ent_id": 4201, "ent_name": "折扣 [2@80]", "priv_class": 42},
                    {"ent_id": 4301, "ent_name": "减免 [3@2000]", "priv_class": 43},
                    {"ent_id": 4302, "ent_name": "减免 [3@90000]", "priv_class": 43}],
  "busi_types": [{"busi_type": 5, "busi_name": "GPRS", "type": 1}, {"busi_type": 131, "busi_name": "GPRS接入点", "type": 0}],
  "sys_params": [{"region_code": 572, "para_name": "ProdPopedomValid", "para_value": "1@0"},
                 {"region_code": 572, "para_name": "PromPopedomValid", "para_value": "1@1"}],
  "op_popedom": [{"op_id": 11, "prod_id": 41}, {"op_id": 11, "prod_id": 42}, {"op_id": 11, "prod_id": 43}, {"op_id": 11, "prod_id": 44},
                 {"op_id": 11, "prod_id": 45}, {"op_id": 11, "prod_id": 61}, {"op_id": 11, "prod_id": 62},
                 {"op_id": 11, "prod_id": 63}, {"op_id": 11, "prod_id": 64}, {"op_id": 11, "prod_id": 65},
                 {"op_id": 11, "prod_id": 66}, {"op_id": 11, "prod_id": 67}, {"op_id": 11, "prod_id": 71},
                 {"op_id": 11, "prod_id": 72}, {"op_id": 12, "prod_id": 63}],
  "catalogue_items": [
    {"prod_id": 41, "busi_type": 5, "prod_name": "GPRS包月", "is_prom": 0},
    {"prod_id": 42, "busi_type": 5, "prod_name": "GPRS加油包", "is_prom": 0},
    {"prod_id": 43, "busi_type": 5, "prod_name": "GPRS夜间包", "is_prom": 0},
    {"prod_id": 44, "busi_type": 5, "prod_name": "GPRS全天包", "is_prom": 0},
    {"prod_id": 45, "busi_type": 5, "prod_name": "GPRS专线", "is_prom": 0},
    {"prod_id": 46, "busi_type": 101, "prod_name": "全球呼来电显示", "is_prom": 0},
    {"prod_id": 47, "busi_type": 5, "prod_name": "GPRS计划外产品", "is_prom": 0},
    {"prod_id": 61, "busi_type": 5, "prod_name": "流量保底", "subscr_param": "1"},
    {"prod_id": 62, "busi_type": 5, "prod_name": "流量折扣", "subscr_param": "2"},
    {"prod_id": 63, "busi_type": 5, "prod_name": "流量减免", "subscr_param": "3"},
    {"prod_id": 64, "busi_type": 5, "prod_name": "流量普通促销", "subscr_param": "0"},
    {"prod_id": 65, "busi_type": 5, "prod_name": "保底加送", "subscr_param": "0"},
    {"prod_id": 66, "busi_type": 5, "prod_name": "校园套餐", "subscr_param": "0"},
    {"prod_id": 67, "busi_type": 5, "prod_name": "商务套餐", "subscr_param": "0"},
    {"prod_id": 68, "busi_type": 5, "prod_name": "计划外促销", "subscr_param": "0"},
    {"prod_id": 71, "busi_type": 131, "prod_name": "APN明年包", "valid_date": "2027-01-01 00:00:00"},
    {"prod_id": 72, "busi_type": 131, "prod_name": "APN包年"}],
  "plan_prods": [{"plan_id": 7, "product_id": 41}, {"plan_id": 7, "product_id": 42}, {"plan_id": 7, "product_id": 43, "mandatory": 1},
                 {"plan_id": 7, "product_id": 44}, {"plan_id": 7, "product_id": 45}, {"plan_id": 7, "product_id": 46},
                 {"plan_id": 8, "product_id": 47}],
  "plan_proms": [{"plan_id": 7, "prom_id": 61}, {"plan_id": 7, "prom_id": 62}, {"plan_id": 7, "prom_id": 63},
                 {"plan_id": 7, "prom_id": 64}, {"plan_id": 7, "prom_id": 65}, {"plan_id": 7, "prom_id": 66},
                 {"plan_id": 7, "prom_id": 67}],
  "prod_relations": [{"plan_id": 7, "prod_id": 42, "pre_prod_id": 41, "relate_type": 1},
                     {"plan_id": 7, "prod_id": 43, "pre_prod_id": 44, "relate_type": 2},
                     {"plan_id": 7, "prod_id": 45, "pre_prod_id": 41, "relate_type": 0},
                     {"plan_id": 7, "prod_id": 45, "pre_prod_id": 44, "relate_type": 0},
                     {"plan_id": 7, "prod_id": 65, "pre_prod_id": 61, "relate_type": 1},
                     {"plan_id": 7, "prod_id": 66, "pre_prod_id": 67, "relate_type": 2}],
  "customers": [{"cust_id": 1, "cust_name": "周明", "region_code": 572, "county_code": 3, "org_id": 730}],
  "accounts": [{"acct_id": 2, "cust_id": 1, "acct_name": "周明"}, {"acct_id": 3, "cust_id": 1, "acct_name": "周明"}],
  "account_arrears": [{"acct_id": 3, "owe_fee": 12850, "owe_cycles": 2}],
  "users": [{"serv_id": 601, "phone_id": "13900000601", "cust_id": 1, "acct_id": 2, "region_code": 572,
             "county_code": 3, "org_id": 730, "plan_id": 7},
            {"serv_id": 602, "phone_id": "13900000602", "cust_id": 1, "acct_id": 3, "region_code": 572,
             "county_code": 3, "org_id": 730, "plan_id": 7},
            {"serv_id": 603, "phone_id": "13900000603", "cust_id": 1, "acct_id": 2, "region_code": 572,
             "county_code": 3, "org_id": 730, "plan_id": 7, "user_sts": 0},
            {"serv_id": 604, "phone_id": "13900000604", "cust_id": 1, "acct_id": 2, "region_code": 572,
             "county_code": 3, "org_id": 730, "plan_id": 7},
            {"serv_id": 605, "phone_id": "13900000605", "cust_id": 1, "acct_id": 2, "region_code": 572,
             "county_code": 3, "org_id": 730, "plan_id": 7}],
  "user_services": [{"serv_id": 601, "busi_type": 5}, {"serv_id": 602, "busi_type": 5}, {"serv_id": 605, "busi_type": 5},
                    {"serv_id": 605, "busi_type": 131}],
  "user_products": [{"serv_id": 601, "prod_id": 41, "busi_type": 5, "plan_id": 7},
                    {"serv_id": 602, "prod_id": 41, "busi_type": 5, "plan_id": 7},
                    {"serv_id": 605, "prod_id": 41, "busi_type": 5, "plan_id": 7},
                    {"serv_id": 605, "prod_id": 42, "busi_type": 5, "plan_id": 7},
                    {"serv_id": 605, "prod_id": 45, "busi_type": 5, "plan_id": 7}],
  "user_promotions": [{"serv_id": 601, "sprom_id": 67, "busi_type": 5, "plan_id": 7}],
  "busi_rules": [
    {"busi_code": 1070, "check_point": 0, "seq": 1, "cond_kind": "user_stopped", "check_result": -1, "check_desc": "用户已停机,不能开通GPRS"},
    {"busi_code": 1070, "check_point": 0, "seq": 2, "cond_kind": "arrears", "cond_value": 0, "check_result": -1, "check_desc": "用户帐户欠费,请先缴清欠费"},
    {"busi_code": 1070, "check_point": 0, "seq": 3, "cond_kind": "always", "check_result": 2, "check_desc": "GPRS月功能费10元,是否开通?", "next_point": 1},
    {"busi_code": 1070, "check_point": 1, "seq": 1, "cond_kind": "always", "check_result": 0, "check_desc": "检查通过"},
    {"busi_code": 1073, "check_point": 0, "seq": 1, "cond_kind": "always", "check_result": 3, "check_desc": "变更即时生效", "next_point": 4},
    {"busi_code": 1073, "check_point": 4, "seq": 1, "cond_kind": "arrears", "cond_value": 10000, "check_result": -1, "check_desc": "用户欠费超过100元,不能变更GPRS"}],
  "book_items": [{"item_id": 200, "name": "GPRS开户费"}, {"item_id": 201, "name": "加油包功能费"},
                 {"item_id": 202, "name": "保底促销费"}, {"item_id": 301, "name": "开户费优惠"},
                 {"item_id": 302, "name": "功能费优惠"}, {"item_id": 900, "name": "GPRS预存", "prepay": 1},
                 {"item_id": 22000002, "name": "工本费"}, {"item_id": 303, "name": "工本费优惠"},
                 {"item_id": 27000003, "name": "减免"}],
  "acc_item_rels": [{"fee_item": 200, "disc_item": 301, "item_name": "开户费优惠"},
                    {"fee_item": 201, "disc_item": 302, "item_name": "功能费优惠"},
                    {"fee_item": 22000002, "disc_item": 303, "item_name": "工本费优惠"}],
  "fee_flags": [{"busi_code": 1070, "flag": 1}, {"busi_code": 1073, "flag": 1}],
  "fee_rules": [{"busi_code": 1070, "book_item_id": 200, "item_value": 1000, "remark": "开户费"},
                {"busi_code": 1070, "seq": 2, "book_item_id": 22000002, "item_value": 500, "remark": "工本费"},
                {"busi_code": 1073, "prod_id": 42, "book_item_id": 201, "item_value": 500, "item_count": 2,
                 "item_discount": -100, "remark": "加油包两月"},
                {"busi_code": 1073, "prod_id": 61, "book_item_id": 202, "item_value": 300, "remark": "保底"}],
  "prepay_rules": [{"busi_code": 1070, "book_item_id": 900, "amount": 5000, "remark": "预存话费"}]
})";

SSoFee fee(int item, long long value, long long count = 1, long long discount = 0) {
  SSoFee f;
  f.set_BOOK_ITEM_ID(item);
  f.set_ITEM_VALUE(value);
  f.set_ITEM_COUNT(count);
  f.set_ITEM_DISCOUNT(discount);
  f.set_OPER_TYPE(2);
  return f;
}

SMscFuncOper product(int act, int prod, int busiType = 5) {
  SMscFuncOper p;
  p.set_ACT_TYPE(act);
  p.set_BUSI_TYPE(busiType);
  p.set_PROD_ID(prod);
  p.set_OPER_TYPE(1);
  return p;
}

SSpromOper promotion(int act, int prom, const std::string& para = "") {
  SSpromOper p;
  p.set_ACT_TYPE(act);
  p.set_BUSI_TYPE(5);
  p.set_PLAN_ID(7);
  p.set_SPROM_ID(prom);
  p.set_SPROM_PARA(para);
  return p;
}

// A promotion line with the dates it gives (a year of 0: none).
SSpromOper dated(SSpromOper p, int vy, int vm, int vd, int ey, int em, int ed) {
  if (vy) p.set_VALID_DATE(CBSDateTime::make(vy, vm, vd));
  if (ey) p.set_EXPIRE_DATE(CBSDateTime::make(ey, em, ed));
  return p;
}

class OrderContent : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    ZP_REQUIRE_BACKEND(GetParam());
    world = std::make_unique<BackendWorld>(GetParam(), kWorld);
    ASSERT_EQ(client.bind_zpBroker("ZEPHYRON"), 0);
  }

  // The header and service line as the counter sends them; the operator's
  // place is his own (571/1/org), never the subscriber's (572/3/730).
  static SSoUserServiceIn order(int busiCode, short actType, long long servId, int opId = 11, int busiType = 5) {
    SSoInfo so;
    so.set_BUSI_CODE(busiCode);
    so.set_SERV_ID(servId);
    so.set_OP_ID(opId);
    so.set_AFTER_FLAG(0);
    so.set_SO_REGION_CODE(571);
    so.set_SO_COUNTY_CODE(1);
    so.set_SO_ORG_ID(opId * 10);
    SUserServiceOper oper;
    oper.set_ACT_TYPE(actType);
    oper.set_BUSI_TYPE(busiType);
    oper.set_SERV_ID(servId);
    SSoUserServiceIn in;
    in.set_BUSI_CODE(busiCode);
    in.set_SOINFO(so);
    in.set_USERSERVICEOPERLIST({oper});
    return in;
  }

  // GPRS opened for 604 as the counter prices it: the opening fee, the
  // unit fee that is never discounted, and the prepayment folded in.
  static SSoUserServiceIn honestOpening() {
    SSoUserServiceIn in = order(1070, 1, 604);
    in.set_SOFEELIST({fee(200, 1000), fee(22000002, 500), fee(900, 5000)});
    return in;
  }

  // 601 changes GPRS: adds the top-up (which needs 41, his) and the minimum
  // promotion at 35.00, with the fees of both.
  static SSoUserServiceIn honestChange() {
    SSoUserServiceIn in = order(1073, 2, 601);
    in.set_MSCFUNCOPERLIST({product(1, 42)});
    in.set_SPROMOPERLIST({promotion(1, 61, "3500")});
    in.set_SOFEELIST({fee(202, 300), fee(201, 500, 2, -100)});
    return in;
  }

  std::vector<std::string> findings(const SSoUserServiceIn& in) {
    SCheckSoOut out;
    CBSErrorMsg err;
    world->signIn(in.get_SOINFO().get_OP_ID());  // sent by the order's own operator
    EXPECT_EQ(client.check_so(in, out, err, nullptr), 0) << err.text2;
    std::vector<std::string> texts;
    for (const SCheckOut& c : out.get_CHECKDATALIST()) texts.push_back(c.get_CHECKDESC());
    return texts;
  }

  // What an order may have changed, to see that a refused one changed nothing.
  std::vector<long long> footprint() {
    return {world->count("SELECT COUNT(*) FROM zp_order"), world->count("SELECT COUNT(*) FROM zp_order_line"),
            world->count("SELECT COUNT(*) FROM zp_user_product"),
            world->count("SELECT COUNT(*) FROM zp_user_promotion"),
            world->count("SELECT COUNT(*) FROM zp_user_service"),
            world->count("SELECT COALESCE(SUM(prod_id), 0) FROM zp_user_product"),
            world->count("SELECT COALESCE(SUM(sprom_id), 0) FROM zp_user_promotion")};
  }

  struct Forgery {
    const char* what;
    std::function<SSoUserServiceIn()> build;
    std::vector<std::string> says;  // every part must be in one text of the refusal
  };

  // Each forgery: check_so names the reason (fees only at submission, as
  // the counter checks before it prices), the submission is refused with
  // the same reason and leaves the store as it was.
  void expectRefused(const std::vector<Forgery>& forgeries, bool atCheck = true) {
    for (const Forgery& f : forgeries) {
      SCOPED_TRACE(f.what);
      const SSoUserServiceIn in = f.build();
      const std::vector<std::string> texts = findings(in);
      if (atCheck)
        for (const std::string& part : f.says)
          EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                                  [&](const std::string& t) { return t.find(part) != std::string::npos; }))
              << "no finding says " << part << "; got " << ::testing::PrintToString(texts);
      else
        EXPECT_TRUE(std::none_of(texts.begin(), texts.end(),
                                 [](const std::string& t) { return t.find("费用") != std::string::npos; }))
            << "check_so judged fees the counter has not priced yet: " << ::testing::PrintToString(texts);
      const std::vector<long long> before = footprint();
      SSoUserServiceOut out;
      CBSErrorMsg err;
      world->signIn(in.get_SOINFO().get_OP_ID());
      EXPECT_EQ(client.so_userService(in, out, err, nullptr), zp::backend::kRefusedOrder) << err.text2;
      for (const std::string& part : f.says) EXPECT_NE(err.text2.find(part), std::string::npos) << err.text2;
      EXPECT_EQ(footprint(), before);
    }
  }

  long long submit(const SSoUserServiceIn& in) {
    SSoUserServiceOut out;
    CBSErrorMsg err;
    world->signIn(in.get_SOINFO().get_OP_ID());
    EXPECT_EQ(client.so_userService(in, out, err, nullptr), 0) << err.text2;
    return out.get_SORESULTINFO().get_SO_NBR();
  }

  std::unique_ptr<BackendWorld> world;
  IVasDesk client;
};

TEST_P(OrderContent, HonestOrdersOfEachKindAreAccepted) {
  EXPECT_TRUE(findings(honestOpening()).empty()) << ::testing::PrintToString(findings(honestOpening()));
  EXPECT_GT(submit(honestOpening()), 0);
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_user_service WHERE serv_id = 604 AND busi_type = 5"), 1);

  EXPECT_TRUE(findings(honestChange()).empty()) << ::testing::PrintToString(findings(honestChange()));
  EXPECT_GT(submit(honestChange()), 0);
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_user_product WHERE serv_id = 601 AND prod_id = 42"), 1);
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_user_promotion WHERE serv_id = 601 AND sprom_id = 61"), 1);

  // A discount granted in the fee dialog, up to the whole fee item, and the
  // exchange of one excluded promotion for another in one order.
  SSoUserServiceIn more = order(1073, 2, 601);
  more.set_MSCFUNCOPERLIST({product(3, 42), product(1, 44), product(1, 45)});
  more.set_SOFEELIST({fee(201, 500, 2, -100), fee(302, -900)});
  EXPECT_TRUE(findings(more).empty()) << ::testing::PrintToString(findings(more));
  EXPECT_GT(submit(more), 0);
  SSoUserServiceIn swap = order(1073, 2, 601);
  swap.set_SPROMOPERLIST({promotion(3, 67), promotion(1, 66)});
  EXPECT_TRUE(findings(swap).empty()) << ::testing::PrintToString(findings(swap));
  EXPECT_GT(submit(swap), 0);
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_user_promotion WHERE serv_id = 601 AND sprom_id IN (66, 67)"), 1);

  // Cancelling the business deletes every product of its scope, each line
  // filed under the type the counter files deletions under.
  SSoUserServiceIn cancel = order(1071, 3, 601);
  cancel.set_MSCFUNCOPERLIST({product(3, 41, 102), product(3, 44, 102), product(3, 45, 102)});
  EXPECT_TRUE(findings(cancel).empty()) << ::testing::PrintToString(findings(cancel));
  EXPECT_GT(submit(cancel), 0);
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_user_product WHERE serv_id = 601"), 0);
}

TEST_P(OrderContent, SubscribersTheRuleChainRefusesAreRefusedAtSubmissionToo) {
  expectRefused({
      {"in arrears, opening", [] { return order(1070, 1, 602); }, {"业务规则检查不通过", "欠费"}},
      {"in arrears beyond the change rule's bound",
       [] {
         SSoUserServiceIn in = order(1073, 2, 602);
         in.set_SPROMOPERLIST({promotion(1, 64)});
         return in;
       },
       {"欠费超过100元"}},
      {"stopped", [] { return order(1070, 1, 603); }, {"用户已停机,不能开通GPRS"}},
  });
}

// A rule for subscribers of another region holds for the operator's own
// region, as his session has it: an order that leaves its region out is
// no local one. Operator 31 of 572, the subscribers' region, is served.
TEST_P(OrderContent, TheChainJudgesARemoteSubscriberByTheSessionsRegion) {
  zp::store::loadFixtures(*world->db, R"({"operators": [{"op_id": 31, "org_id": 310, "region_code": 572, "county_code": 3}],
      "busi_rules": [{"busi_code": 1073, "check_point": 4, "seq": 2, "cond_kind": "remote_region", "check_result": -1,
                      "check_desc": "外地用户不能在本地变更GPRS"}]})");
  const auto withoutRegion = [] {
    SSoUserServiceIn in = order(1073, 2, 601);
    SSoInfo so;
    so.set_BUSI_CODE(1073);
    so.set_SERV_ID(601);
    so.set_OP_ID(11);
    in.set_SOINFO(so);
    return in;
  };
  expectRefused({
      {"the order's region given", [] { return order(1073, 2, 601); }, {"外地用户不能在本地变更GPRS"}},
      {"the order's region left out", withoutRegion, {"外地用户不能在本地变更GPRS"}},
  });
  SSoUserServiceIn local = order(1073, 2, 601, 31);
  SSoInfo so = local.get_SOINFO();
  so.set_SO_REGION_CODE(572);
  so.set_SO_COUNTY_CODE(3);
  local.set_SOINFO(so);
  EXPECT_TRUE(findings(local).empty()) << ::testing::PrintToString(findings(local));
  EXPECT_GT(submit(local), 0);
}

TEST_P(OrderContent, ForgedProductLinesAreRefused) {
  expectRefused({
      {"another business's product",
       [] {
         SSoUserServiceIn in = order(1073, 2, 601);
         in.set_MSCFUNCOPERLIST({product(1, 46, 101)});
         return in;
       },
       {"全球呼来电显示[46]", "业务类型[101]"}},
      {"another business's product under this type",
       [] {
         SSoUserServiceIn in = order(1073, 2, 601);
         in.set_MSCFUNCOPERLIST({product(1, 46)});
         return in;
       },
       {"全球呼来电显示[46]", "不是本业务"}},
      {"a product outside the plan",
       [] {
         SSoUserServiceIn in = order(1073, 2, 601);
         in.set_MSCFUNCOPERLIST({product(1, 47)});
         return in;
       },
       {"GPRS计划外产品[47]", "资费计划[7]"}},
      {"a product the catalogue does not know",
       [] {
         SSoUserServiceIn in = order(1073, 2, 601);
         in.set_MSCFUNCOPERLIST({product(1, 4711)});
         return in;
       },
       {"[4711]", "不是本业务"}},
      {"deleting a product he does not have",
       [] {
         SSoUserServiceIn in = order(1073, 2, 601);
         in.set_MSCFUNCOPERLIST({product(3, 43)});
         return in;
       },
       {"GPRS夜间包[43]", "不能取消"}},
      {"adding one he has",
       [] {
         SSoUserServiceIn in = order(1073, 2, 601);
         in.set_MSCFUNCOPERLIST({product(1, 41)});
         return in;
       },
       {"GPRS包月[41]", "重复开通"}},
      {"an action that is none",
       [] {
         SSoUserServiceIn in = order(1073, 2, 601);
         in.set_MSCFUNCOPERLIST({product(7, 41)});
         return in;
       },
       {"操作类型[7]"}},
      {"a requirement taken away",
       [] {
         SSoUserServiceIn in = order(1073, 2, 601);
         in.set_MSCFUNCOPERLIST({product(1, 42), product(3, 41)});
         in.set_SOFEELIST({fee(201, 500, 2, -100)});
         return in;
       },
       {"GPRS加油包[42]依赖产品GPRS包月[41]"}},
      {"a prerequisite deleted under what stays",
       [] {
         SSoUserServiceIn in = order(1073, 2, 605);
         in.set_MSCFUNCOPERLIST({product(3, 41)});
         return in;
       },
       {"GPRS加油包[42]依赖产品GPRS包月[41]", "GPRS专线[45]至少需要产品GPRS包月[41]、GPRS全天包[44]中的一个"}},
      {"a product the operator may not sell",
       [] {
         SSoUserServiceIn in = order(1073, 2, 605, 12);
         in.set_MSCFUNCOPERLIST({product(1, 44)});
         return in;
       },
       {"营业员[12]没有销售产品GPRS全天包[44]的权限"}},
      {"two that exclude each other",
       [] {
         SSoUserServiceIn in = order(1073, 2, 601);
         in.set_MSCFUNCOPERLIST({product(1, 43), product(1, 44)});
         return in;
       },
       {"GPRS夜间包[43]与产品GPRS全天包[44]互斥"}},
      {"none of the any-of partners left",
       [] {
         SSoUserServiceIn in = order(1073, 2, 601);
         in.set_MSCFUNCOPERLIST({product(1, 45), product(3, 41)});
         return in;
       },
       {"GPRS专线[45]至少需要产品GPRS包月[41]、GPRS全天包[44]中的一个"}},
  });
  // What comes with the plan, anyone may sell.
  SSoUserServiceIn planned = order(1073, 2, 605, 12);
  planned.set_MSCFUNCOPERLIST({product(1, 43)});
  EXPECT_TRUE(findings(planned).empty()) << ::testing::PrintToString(findings(planned));

  // A requirement needs no order of its own when the subscriber has it (the
  // honest change relies on that); without it the addition stands alone.
  SSoUserServiceIn alone = order(1073, 2, 604);
  alone.set_MSCFUNCOPERLIST({product(1, 42)});
  const std::vector<std::string> texts = findings(alone);
  EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const std::string& t) {
    return t.find("依赖产品GPRS包月[41]") != std::string::npos;
  })) << ::testing::PrintToString(texts);
}

TEST_P(OrderContent, ForgedPromotionLinesAreRefused) {
  const auto change = [](std::vector<SSpromOper> lines, int opId = 11) {
    return [lines, opId] {
      SSoUserServiceIn in = order(1073, 2, 601, opId);
      in.set_SPROMOPERLIST(lines);
      return in;
    };
  };
  expectRefused({
      {"a promotion outside the plan", change({promotion(1, 68)}), {"计划外促销[68]", "资费计划[7]"}},
      {"a promotion he has", change({promotion(1, 67)}), {"商务套餐[67]", "重复办理"}},
      {"a requirement missing", change({promotion(1, 65)}), {"保底加送[65]依赖促销流量保底[61]"}},
      {"kept beside one it excludes", change({promotion(1, 66)}), {"校园套餐[66]与促销商务套餐[67]互斥"}},
      {"a minimum below the operator's", change({promotion(1, 61, "2999")}), {"流量保底[61]", "最低消费限额[30.00元]"}},
      {"a discount below the operator's", change({promotion(1, 62, "79")}), {"流量折扣[62]", "最低折扣比例[80]"}},
      {"a discount beyond a whole", change({promotion(1, 62, "101")}), {"流量折扣[62]", "[1--100]"}},
      {"a reduction above the operator's", change({promotion(1, 63, "2001")}), {"流量减免[63]", "最大减免金额[20.00元]"}},
      {"a reduction that is no amount", change({promotion(1, 63, "20元")}), {"流量减免[63]", "不是有效的金额"}},
      {"a parameter on an ordinary promotion", change({promotion(1, 64, "100")}), {"流量普通促销[64]", "普通促销没有参数"}},
      {"a parameter from an operator without the limit", change({promotion(1, 63, "100")}, 12),
       {"营业员[12]没有设置该类促销参数的权限"}},
      {"a change that gives an ordinary promotion a parameter", change({promotion(2, 67, "5000")}),
       {"商务套餐[67]", "普通促销没有参数"}},
      {"an action that is none", change({promotion(5, 61)}), {"操作类型[5]"}},
      {"a promotion the operator may not sell", change({promotion(1, 64)}, 12), {"营业员[12]没有办理促销流量普通促销[64]的权限"}},
      {"an addition that took effect in the past", change({dated(promotion(1, 64), 2026, 12, 9, 0, 0, 0)}),
       {"流量普通促销[64]的生效日期[2026-12-09]早于今天"}},
      {"an addition that ends before it starts", change({dated(promotion(1, 64), 0, 0, 0, 2026, 12, 1)}),
       {"流量普通促销[64]的失效日期[2026-12-01]不晚于生效日期[2026-12-10]"}},
      {"a cancellation that keeps the promotion beyond its end", change({dated(promotion(3, 67), 0, 0, 0, 2100, 1, 1)}),
       {"商务套餐[67]的取消日期[2100-01-01]", "原失效日期[2099-12-31]"}},
      {"a cancellation dated in the past", change({dated(promotion(3, 67), 0, 0, 0, 2026, 11, 30)}),
       {"商务套餐[67]的取消日期[2026-11-30]"}},
      {"a promotion not yet valid",
       [] {
         SSoUserServiceIn in = order(1078, 2, 605, 11, 131);
         SSpromOper p = promotion(1, 71);
         p.set_BUSI_TYPE(131);
         in.set_SPROMOPERLIST({p});
         return in;
       },
       {"APN明年包[71]", "不在有效期内"}},
  });
  // The access point's current promotion is sold by validity alone, and
  // operator 12 sells what he is listed for.
  SSoUserServiceIn current = order(1078, 2, 605, 11, 131);
  SSpromOper apn = promotion(1, 72);
  apn.set_BUSI_TYPE(131);
  current.set_SPROMOPERLIST({apn});
  EXPECT_TRUE(findings(current).empty()) << ::testing::PrintToString(findings(current));
  SSoUserServiceIn listed = order(1073, 2, 601, 12);
  listed.set_SPROMOPERLIST({promotion(1, 63)});
  EXPECT_TRUE(findings(listed).empty()) << ::testing::PrintToString(findings(listed));
  // Dates within their bounds stand: an addition from today to next year,
  // a cancellation at the end of the next cycle, which is where it ends.
  SSoUserServiceIn within = order(1073, 2, 601);
  within.set_SPROMOPERLIST({dated(promotion(1, 64), 2026, 12, 10, 2027, 12, 31), dated(promotion(3, 67), 0, 0, 0, 2026, 12, 31)});
  EXPECT_TRUE(findings(within).empty()) << ::testing::PrintToString(findings(within));
  EXPECT_GT(submit(within), 0);
  EXPECT_EQ(world->count("SELECT expire_date FROM zp_user_promotion WHERE serv_id = 601 AND sprom_id = 64"),
            20271231000000LL);
  EXPECT_EQ(world->count("SELECT expire_date FROM zp_user_promotion WHERE serv_id = 601 AND sprom_id = 67"),
            20261231000000LL);
  // The limits hold both ways: at the bound is within it.
  for (const SSpromOper& p : {promotion(1, 61, "3000"), promotion(1, 62, "80"), promotion(1, 63, "2000")}) {
    SSoUserServiceIn in = order(1073, 2, 601);
    in.set_SPROMOPERLIST({p});
    if (p.get_SPROM_ID() == 61) in.set_SOFEELIST({fee(202, 300)});
    EXPECT_TRUE(findings(in).empty()) << p.get_SPROM_ID() << ::testing::PrintToString(findings(in));
  }
}

// What the catalogue decides of an added product or promotion is stored as
// the catalogue gives it, as the counter builds its lines, whatever a line
// says: a product sent as mandatory (the counter could never delete it) or
// under another service (another business's scope), a promotion of another
// type, pay mode or plan. The business of the access point lists its
// promotions by type, under no plan.
TEST_P(OrderContent, AddedLinesAreStoredWithTheCataloguesValuesNotTheLines) {
  world->db->transact(zp::store::Database::Intent::write, [](soci::session& sql) {
    sql << "UPDATE zp_catalogue_item SET service_id = 305042 WHERE prod_id = 42";
    sql << "UPDATE zp_catalogue_item SET service_id = 305064 WHERE prod_id = 64";
    sql << "UPDATE zp_catalogue_item SET service_id = 313072 WHERE prod_id = 72";
  });
  SSoUserServiceIn forged = order(1073, 2, 601);
  SMscFuncOper prod = product(1, 42);
  prod.set_FUNC_TYPE(1);
  prod.set_SERVICE_ID(310046);
  prod.set_PLAN_ID(8);
  SSpromOper prom = promotion(1, 64);
  prom.set_SPROM_TYPE(3);
  prom.set_PAY_MODE(1);
  prom.set_PLAN_ID(8);
  prom.set_SERVICE_ID(310046);
  forged.set_MSCFUNCOPERLIST({prod});
  forged.set_SPROMOPERLIST({prom});
  forged.set_SOFEELIST({fee(201, 500, 2, -100)});
  ASSERT_GT(submit(forged), 0);
  EXPECT_EQ(world->count("SELECT func_type * 1000000 + service_id FROM zp_user_product WHERE serv_id = 601 AND "
                         "prod_id = 42"),
            305042);
  EXPECT_EQ(world->count("SELECT plan_id FROM zp_user_product WHERE serv_id = 601 AND prod_id = 42"), 7);
  EXPECT_EQ(world->count("SELECT sprom_type * 1000 + pay_mode FROM zp_user_promotion WHERE serv_id = 601 AND "
                         "sprom_id = 64"),
            0);
  EXPECT_EQ(world->count("SELECT service_id FROM zp_user_promotion WHERE serv_id = 601 AND sprom_id = 64"), 305064);
  EXPECT_EQ(world->count("SELECT plan_id FROM zp_user_promotion WHERE serv_id = 601 AND sprom_id = 64"), 7);

  SSoUserServiceIn apn = order(1078, 2, 605, 11, 131);
  SSpromOper yearly = promotion(1, 72);
  yearly.set_BUSI_TYPE(131);
  yearly.set_SERVICE_ID(305042);
  apn.set_SPROMOPERLIST({yearly});  // under plan 7, as the line says
  ASSERT_GT(submit(apn), 0);
  EXPECT_EQ(world->count("SELECT plan_id FROM zp_user_promotion WHERE serv_id = 605 AND sprom_id = 72"), 0);
  EXPECT_EQ(world->count("SELECT service_id FROM zp_user_promotion WHERE serv_id = 605 AND sprom_id = 72"), 313072);
}

TEST_P(OrderContent, FeesThatAreNotTheServersPriceAreRefused) {
  const auto opening = [](SSoFeeList fees) {
    return [fees] {
      SSoUserServiceIn in = order(1070, 1, 604);
      in.set_SOFEELIST(fees);
      return in;
    };
  };
  expectRefused({
      {"no fees at all", opening({}), {"费用不全", "GPRS开户费[200]", "GPRS预存[900]"}},
      {"the prepayment left out", opening({fee(200, 1000), fee(22000002, 500)}), {"费用不全", "GPRS预存[900]"}},
      {"a lower unit price", opening({fee(200, 1, 1), fee(22000002, 500), fee(900, 5000)}),
       {"GPRS开户费[200]的金额0.01元", "10.00元"}},
      {"a price moved into the count", opening({fee(200, 100, 10), fee(22000002, 500), fee(900, 5000)}),
       {"GPRS开户费[200]", "不符"}},
      {"a discount of its own on the fee line", opening({fee(200, 1000, 1, -1000), fee(22000002, 500), fee(900, 5000)}),
       {"GPRS开户费[200]", "不符"}},
      {"a discount beyond the fee item",
       opening({fee(200, 1000), fee(22000002, 500), fee(900, 5000), fee(301, -1001)}),
       {"开户费优惠[301]", "超出了可优惠的金额10.00元"}},
      {"a discount of the item never discounted",
       opening({fee(200, 1000), fee(22000002, 500), fee(900, 5000), fee(303, -500)}), {"工本费优惠[303]"}},
      {"a discount on the prepayment",
       opening({fee(200, 1000), fee(22000002, 500), fee(900, 5000), fee(302, -100)}), {"功能费优惠[302]"}},
      {"a reduction nobody calculated",
       opening({fee(200, 1000), fee(22000002, 500), fee(900, 5000), fee(27000003, -300)}), {"减免[27000003]"}},
      {"an extra fee line", opening({fee(200, 1000), fee(22000002, 500), fee(900, 5000), fee(201, 100)}),
       {"加油包功能费[201]", "不是本业务计算出的费用"}},
  }, false);
  // An unpriced change carries no fees, and a fee on it is refused; a priced
  // product's fee is owed by the order that adds it.
  expectRefused({
      {"a fee on an order with nothing priced",
       [] {
         SSoUserServiceIn in = order(1073, 2, 601);
         in.set_SPROMOPERLIST({promotion(1, 64)});
         in.set_SOFEELIST({fee(200, 1000)});
         return in;
       },
       {"GPRS开户费[200]", "不是本业务计算出的费用"}},
      {"a priced product without its fee",
       [] {
         SSoUserServiceIn in = order(1073, 2, 601);
         in.set_MSCFUNCOPERLIST({product(1, 42)});
         return in;
       },
       {"费用不全", "加油包功能费[201]"}},
  }, false);
}

// Whether an order owes fees at all is the subscriber's answer: his region
// and his user type, never the operator's. GPRS opening is priced
// everywhere but for users of type 2 in region 572, and 604 becomes one.
TEST_P(OrderContent, WhetherAnOrderIsPricedIsAskedForTheSubscribersRegionAndUserType) {
  zp::store::loadFixtures(*world->db, R"({"fee_flags": [{"busi_code": 1070, "region_code": 572, "user_type": 2, "flag": 0}]})");
  world->db->transact(zp::store::Database::Intent::write,
                      [](soci::session& sql) { sql << "UPDATE zp_user SET user_type = 2 WHERE serv_id = 604"; });
  expectRefused({{"fees on an order that is not priced", [] { return honestOpening(); },
                  {"GPRS开户费[200]", "不是本业务计算出的费用"}}},
                false);
  const SSoUserServiceIn unpriced = order(1070, 1, 604);
  EXPECT_TRUE(findings(unpriced).empty()) << ::testing::PrintToString(findings(unpriced));
  const long long soNbr = submit(unpriced);
  ASSERT_GT(soNbr, 0);
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order_line WHERE kind = 'fee' AND so_nbr = " + std::to_string(soNbr)),
            0);
}

// The demo region: 13957100004's account owes money and 13957100005 is
// stopped. Global Call opened for either with a number the operator holds,
// otherwise as the counter builds it, is refused by the chain at
// submission as check_so refuses it, and 13957100001 is served.
class DemoOrders : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    ZP_REQUIRE_BACKEND(GetParam());
    world = std::make_unique<BackendWorld>(GetParam(), "{}");
    zp::testing::loadDemo(*world->db, {"10-core.json", "20-sysmgnt.json", "30-busi.json", "40-catalogue.json"});
    world->signIn(1001);  // the demo clerk with every right
    ASSERT_EQ(client.bind_zpBroker("ZEPHYRON"), 0);
  }

  SSoUserServiceIn openGlobalCall(long long servId) {
    SQueryResListIn q;
    q.set_BUSI_CODE(1302);
    q.set_REGION_CODE(571);
    q.set_OP_ID(1001);
    q.set_MAX_NUM(1);
    SQueryResListOut free;
    CBSErrorMsg err;
    EXPECT_EQ(client.query_resList(q, free, err, nullptr), 0) << err.text2;
    const std::string number = free.get_RESINFOLIST().at(0).get_RES_ID();
    SDoSignResIn sign;
    sign.set_BUSI_CODE(1302);
    sign.set_REGION_CODE(571);
    sign.set_OP_ID(1001);
    sign.set_ORG_ID(5710101);
    sign.set_RES_CODE(1);
    sign.set_RES_ID(number);
    sign.set_ACT_TYPE(1);
    SDoSignResOut held;
    EXPECT_EQ(client.do_signRes(sign, held, err, nullptr), 0) << err.text2;

    SSoInfo so;
    so.set_BUSI_CODE(1302);
    so.set_SERV_ID(servId);
    so.set_OP_ID(1001);
    so.set_SO_REGION_CODE(571);
    so.set_SO_COUNTY_CODE(1);
    so.set_SO_ORG_ID(5710101);
    SUserServiceOper oper;
    oper.set_ACT_TYPE(1);
    oper.set_BUSI_TYPE(101);
    oper.set_SERV_ID(servId);
    oper.set_RES_CODE(1);
    oper.set_RES_ID(number);
    SSoUserServiceIn in;
    in.set_BUSI_CODE(1302);
    in.set_SOINFO(so);
    in.set_USERSERVICEOPERLIST({oper});
    in.set_RESSIGNLIST({held.get_RESSIGN()});
    in.set_SOFEELIST({fee(103, 500)});  // the demo's price of the opening
    return in;
  }

  std::unique_ptr<BackendWorld> world;
  IVasDesk client;
};

TEST_P(DemoOrders, OwingAndStoppedSubscribersAreRefusedAtSubmissionAsAtTheCheck) {
  const struct {
    long long servId;
    const char* says;  // empty: served
  } cases[] = {{9004, "用户帐户欠费,请先缴清欠费"}, {9005, "用户已停机,不能开通全球呼"}, {9001, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.servId);
    const SSoUserServiceIn in = openGlobalCall(c.servId);
    SCheckSoOut checked;
    CBSErrorMsg err;
    ASSERT_EQ(client.check_so(in, checked, err, nullptr), 0) << err.text2;
    std::string texts;
    for (const SCheckOut& f : checked.get_CHECKDATALIST()) texts += f.get_CHECKDESC() + "\n";
    const long long orders = world->count("SELECT COUNT(*) FROM zp_order");
    SSoUserServiceOut out;
    const std::int32_t rc = client.so_userService(in, out, err, nullptr);
    if (*c.says) {
      EXPECT_NE(texts.find(c.says), std::string::npos) << texts;
      EXPECT_EQ(rc, zp::backend::kRefusedOrder);
      EXPECT_NE(err.text2.find(c.says), std::string::npos) << err.text2;
      EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order"), orders);
      EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_user_service WHERE busi_type = 101 AND serv_id = " +
                             std::to_string(c.servId)),
                0);
    } else {
      EXPECT_EQ(texts, "");
      EXPECT_EQ(rc, 0) << err.text2;
      EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order"), orders + 1);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, DemoOrders, ::testing::Values(Backend::sqlite, Backend::postgresql),
                         [](const auto& info) { return std::string(zp::testing::backendName(info.param)); });

INSTANTIATE_TEST_SUITE_P(Backends, OrderContent, ::testing::Values(Backend::sqlite, Backend::postgresql),
                         [](const auto& info) { return std::string(zp::testing::backendName(info.param)); });

}  // namespace
