// The catalogue and fee operations of CBusinessPublic against the in-process
// back end, on SQLite and PostgreSQL.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "busi_catalogue_service.h"
#include "busi_world.h"
#include "catalogue_world.h"
#include "cbusinesspublic.h"
#include "order_money.h"

using namespace MProductIntfApp;
using zp::store::Backend;
using zp::testing::BackendWorld;
using zp::testing::kCatalogueWorld;

namespace {

template <class R>
bool present(const R& r, int index) {
  return (r.UsedMarker >> index) & 1u;
}

template <class List, class Key>
std::vector<long long> keys(const List& list, Key key) {
  std::vector<long long> out;
  for (const auto& e : list) out.push_back(key(e));
  return out;
}

using Ids = std::vector<long long>;

class Catalogue : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    ZP_REQUIRE_BACKEND(GetParam());
    world = std::make_unique<BackendWorld>(GetParam(), kCatalogueWorld);
    // The counter's operator, and two whose sale permissions the world sets.
    zp::store::loadFixtures(*world->db, R"({"operators": [{"op_id": 11, "org_id": 110, "region_code": 571},
        {"op_id": 21, "org_id": 210, "region_code": 571}, {"op_id": 22, "org_id": 220, "region_code": 571}]})");
    world->signIn(11);
    ASSERT_TRUE(bp.Init(1302, 571, 1, 110, 11)) << bp.LastError().text2;
  }

  MBusiPublic::SCatalogueIn request(int busiType, int planId, int popedom, int valid, int opId) {
    MBusiPublic::SCatalogueIn in;
    in.set_BUSI_TYPE(busiType);
    in.set_PLAN_ID(planId);
    in.set_POPEDOM(static_cast<std::int16_t>(popedom));
    in.set_VALID(static_cast<std::int16_t>(valid));
    in.set_OP_ID(opId);
    in.set_FLAG(0);
    return in;
  }

  static MBusiFeeMgntApp::SProductOper priced(int busiType, int prodId) {
    MBusiFeeMgntApp::SProductOper op;
    op.set_BUSI_TYPE(busiType);
    op.set_PLAN_ID(7);
    op.set_PROD_ID(prodId);
    op.set_SERVICE_ID(1101);
    op.set_OPER_TYPE(2);
    return op;
  }

  static MBusiFeeMgntApp::SGetSoFeeIn feeRequest(int busiCode, MBusiFeeMgntApp::SProductOperList ops) {
    MBusiFeeMgntApp::SFeeBusiInfo busi;
    busi.set_BUSI_CODE(busiCode);
    busi.set_REGION_CODE(571);
    busi.set_COUNTY_CODE(1);
    busi.set_ORG_ID(110);
    busi.set_SO_REGION_CODE(571);
    busi.set_SO_COUNTY_CODE(2);
    busi.set_SO_ORG_ID(120);
    busi.set_PLAN_ID(7);
    busi.set_ISNORMAL(0);
    MBusiFeeMgntApp::SGetSoFeeIn in;
    in.set_BUSIINFO(busi);
    if (!ops.empty()) in.set_PRODUCTOPERLIST(std::move(ops));
    return in;
  }

  std::unique_ptr<BackendWorld> world;
  CBusinessPublic bp;
};

TEST_P(Catalogue, GivesEveryBusinessTypeInOrderOrOneTypeAlone) {
  SBusiTypeList all;
  ASSERT_TRUE(bp.GetBusiType(0, 0, all)) << bp.LastError().text2;
  EXPECT_EQ(bp.LastError(), CBSErrorMsg{});
  EXPECT_EQ(keys(all, [](const SBusiType& t) { return t.get_BUSI_TYPE(); }), (Ids{5, 101, 104}));

  const struct {
    short busiType;
    Ids found;
    int type;
  } cases[] = {{101, {101}, 1}, {5, {5}, 0}, {104, {104}, 1}, {999, {}, 0}};
  for (const auto& c : cases) {
    SBusiTypeList one;
    ASSERT_TRUE(bp.GetBusiType(0, c.busiType, one)) << c.busiType;
    EXPECT_EQ(keys(one, [](const SBusiType& t) { return t.get_BUSI_TYPE(); }), c.found) << c.busiType;
    if (!one.empty()) {
      EXPECT_EQ(one.front().get_TYPE(), c.type) << c.busiType;
    }
  }

  SBusiTypeList gc;
  ASSERT_TRUE(bp.GetBusiType(0, 101, gc));
  ASSERT_EQ(gc.size(), 1u);
  EXPECT_EQ(gc[0].get_BUSI_NAME(), "全球呼");
  EXPECT_EQ(gc[0].get_SERVICE_ID(), 1101);
  EXPECT_EQ(gc[0].get_DESCRIPTION(), "全球呼叫");
  EXPECT_EQ(gc[0].get_SUBSCR_MODE(), 1);
  EXPECT_TRUE(present(gc[0], SBusiType::kIdx_DISC_TYPE));
}

TEST_P(Catalogue, GivesBrandsAndPlans) {
  SBrandInfoList brands;
  ASSERT_TRUE(bp.GetBrands(brands, 0, 0, 0)) << bp.LastError().text2;
  ASSERT_EQ(keys(brands, [](const SBrandInfo& b) { return b.get_BRAND_ID(); }), (Ids{1, 2}));
  EXPECT_EQ(brands[0].get_BRAND_NAME(), "全球通");
  EXPECT_EQ(brands[0].get_VALID_DATE(), CBSDateTime::make(2001, 2, 3));
  EXPECT_EQ(brands[0].get_DESCRIPTION(), "商务");

  SPlanIdInfoList plans;
  ASSERT_TRUE(bp.GetPlans(plans)) << bp.LastError().text2;
  ASSERT_EQ(keys(plans, [](const SPlanIdInfo& p) { return p.get_PLAN_ID(); }), (Ids{7, 8}));
  EXPECT_EQ(plans[0].get_PLAN_NAME(), "标准资费");
  EXPECT_EQ(plans[0].get_BRAND_ID(), 1);
  EXPECT_EQ(plans[0].get_PAY_MODE(), 1);
  EXPECT_EQ(plans[1].get_BUSI_TYPE(), 5);
}

TEST_P(Catalogue, OffersThePromotionsOfAPlanForTheBusinessMandatoryOnesIncluded) {
  const struct {
    int busiType, planId;
    Ids proms, mandatory;
  } cases[] = {{101, 7, {11, 12, 13}, {1, 2, 0}},
               {104, 7, {14}, {0}},
               {101, 8, {11}, {0}},
               {5, 7, {}, {}},
               {101, 99, {}, {}}};
  for (const auto& c : cases) {
    SSpromPlanMapList list;
    ASSERT_TRUE(bp.GetBusiPlanSpromList(c.busiType, c.planId, list, 0, 0)) << c.busiType << "/" << c.planId;
    EXPECT_EQ(keys(list, [](const SSpromPlanMap& m) { return m.get_PROM_ID(); }), c.proms) << c.planId;
    EXPECT_EQ(keys(list, [](const SSpromPlanMap& m) { return m.get_MANDATORY(); }), c.mandatory) << c.planId;
    for (const auto& m : list) EXPECT_EQ(m.get_PLAN_ID(), c.planId);
  }

  SSpromPlanMapList list;
  ASSERT_TRUE(bp.GetBusiPlanSpromList(101, 7, list, 0, 0));
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].get_PROM_NAME(), "月租八折");
  EXPECT_EQ(list[0].get_SUBSCR_PARAM(), "2");
  EXPECT_EQ(list[0].get_SPROM_PARA(), 80);
  EXPECT_EQ(list[0].get_VALID_CYCLE(), -1);
  EXPECT_EQ(list[0].get_SUBSCR_MODE(), 101);
  EXPECT_EQ(list[0].get_SERVICE_ID(), 1101);
  EXPECT_EQ(list[0].get_DESCRIPTION(), "八折");
  EXPECT_EQ(list[1].get_PRIORITY(), 2);
  EXPECT_EQ(list[1].get_EXPIRE_MODE(), 1);
  EXPECT_EQ(list[1].get_VALID_CYCLE(), -2);
  EXPECT_EQ(list[1].get_MIN_NUM(), 1);
  EXPECT_EQ(list[1].get_MAX_NUM(), 3);
  // An ordinary promotion without a parameter: empty type, -1, both sent.
  EXPECT_EQ(list[2].get_SUBSCR_PARAM(), "");
  EXPECT_EQ(list[2].get_SPROM_PARA(), -1);
  EXPECT_TRUE(present(list[2], SSpromPlanMap::kIdx_SPROM_PARA));
  EXPECT_TRUE(present(list[2], SSpromPlanMap::kIdx_SUBSCR_PARAM));
}

TEST_P(Catalogue, OffersPromotionsByTypeAndHidesThoseOutOfDateOnlyWhenAsked) {
  const struct {
    short busiType, valid;
    Ids proms;
  } cases[] = {{5, 0, {51, 52, 53}}, {5, 1, {51}}, {101, 1, {11, 12, 13}}, {131, 0, {}}};
  for (const auto& c : cases) {
    SBusiProdInfoList list;
    ASSERT_TRUE(bp.GetBusiPromList(c.busiType, list, 0, 0, c.valid)) << c.busiType;
    EXPECT_EQ(keys(list, [](const SBusiProdInfo& p) { return p.get_PROD_ID(); }), c.proms)
        << c.busiType << " valid " << c.valid;
    for (const auto& p : list) {
      EXPECT_EQ(p.get_BUSI_TYPE(), c.busiType);
      EXPECT_EQ(p.get_IS_PROM(), 1);
    }
  }
  SBusiProdInfoList list;
  ASSERT_TRUE(bp.GetBusiPromList(5, list, 0, 0, 1));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].get_PROD_NAME(), "GPRS包月");
  EXPECT_EQ(list[0].get_SERVICE_ID(), 1005);
  EXPECT_EQ(list[0].get_VALID_CYCLE(), 12);
  EXPECT_EQ(list[0].get_SUBSCR_MODE(), 1);
  EXPECT_EQ(list[0].get_EXPIRE_MODE(), 1);

  // The dates move with the server's clock: in 2027 the new offer is open.
  world->clock += 30LL * 24 * 3600;
  SBusiProdInfoList later;
  ASSERT_TRUE(bp.GetBusiPromList(5, later, 0, 0, 1));
  EXPECT_EQ(keys(later, [](const SBusiProdInfo& p) { return p.get_PROD_ID(); }), (Ids{51, 53}));
}

// The operator filter, asked of the service by each operator's counter.
TEST_P(Catalogue, NarrowsTheOfferToWhatTheOperatorMaySellKeepingMandatoryEntries) {
  MBusiPublic::IBusiCatalogue service;
  ASSERT_EQ(service.bind_zpBroker("ZEPHYRON"), 0);
  const struct {
    int popedom, opId;
    Ids plan7Proms, type5Proms, plan7Prods;
  } cases[] = {
      {0, 22, {11, 12, 13}, {51, 52, 53}, {61, 62}},
      {1, 21, {11, 12}, {51}, {61, 62}},
      {1, 22, {11}, {}, {61}},
  };
  for (const auto& c : cases) {
    world->signIn(c.opId);
    CBSErrorMsg err;
    SSpromPlanMapList proms;
    ASSERT_EQ(service.get_planSpromList(request(101, 7, c.popedom, 0, c.opId), proms, err, nullptr), 0) << err.text2;
    EXPECT_EQ(keys(proms, [](const SSpromPlanMap& m) { return m.get_PROM_ID(); }), c.plan7Proms) << c.opId;
    SBusiProdInfoList byType;
    ASSERT_EQ(service.get_busiPromList(request(5, 0, c.popedom, 0, c.opId), byType, err, nullptr), 0) << err.text2;
    EXPECT_EQ(keys(byType, [](const SBusiProdInfo& p) { return p.get_PROD_ID(); }), c.type5Proms) << c.opId;
    SProdPlanMapList prods;
    ASSERT_EQ(service.get_planProdList(request(104, 7, c.popedom, 0, c.opId), prods, err, nullptr), 0) << err.text2;
    EXPECT_EQ(keys(prods, [](const SProdPlanMap& p) { return p.get_PRODUCT_ID(); }), c.plan7Prods) << c.opId;
  }

  // Through the library: an operator with no permissions keeps the mandatory entry only.
  world->signIn(11);
  SSpromPlanMapList proms;
  ASSERT_TRUE(bp.GetBusiPlanSpromList(101, 7, proms, 0, 1)) << bp.LastError().text2;
  EXPECT_EQ(keys(proms, [](const SSpromPlanMap& m) { return m.get_PROM_ID(); }), (Ids{11}));
}

TEST_P(Catalogue, GivesTheRelationsOfAPlanOrThoseOfEveryPlan) {
  const struct {
    int planId;
    Ids prods, pres, kinds;
  } cases[] = {{7, {12, 13}, {11, 12}, {1, 2}}, {0, {62}, {61}, {1}}, {8, {61}, {63}, {0}}, {99, {}, {}, {}}};
  for (const auto& c : cases) {
    SProductRelationList list;
    ASSERT_TRUE(bp.GetPdrel(c.planId, 0, 0, list)) << c.planId;
    EXPECT_EQ(keys(list, [](const SProductRelation& r) { return r.get_PROD_ID(); }), c.prods) << c.planId;
    EXPECT_EQ(keys(list, [](const SProductRelation& r) { return r.get_PRE_PROD_ID(); }), c.pres) << c.planId;
    EXPECT_EQ(keys(list, [](const SProductRelation& r) { return r.get_RELATE_TYPE(); }), c.kinds) << c.planId;
    for (const auto& r : list) EXPECT_EQ(r.get_PLAN_ID(), c.planId);
  }
  SProductRelationList list;
  ASSERT_TRUE(bp.GetPdrel(7, 0, 0, list));
  EXPECT_EQ(list.at(0).get_DESCRIPTION(), "须先办八折");
}

TEST_P(Catalogue, GivesTheProductsOfAPlanAndTheirNames) {
  const struct {
    int busiType, planId;
    Ids prods, mandatory;
  } cases[] = {{104, 7, {61, 62}, {1, 0}}, {0, 7, {61, 62, 63}, {1, 0, 0}}, {104, 8, {61}, {0}}, {101, 7, {}, {}}};
  for (const auto& c : cases) {
    SProdPlanMapList list;
    ASSERT_TRUE(bp.GetBusiPlanProdList(c.busiType, c.planId, list, 0, 0)) << c.busiType << "/" << c.planId;
    EXPECT_EQ(keys(list, [](const SProdPlanMap& p) { return p.get_PRODUCT_ID(); }), c.prods) << c.busiType;
    EXPECT_EQ(keys(list, [](const SProdPlanMap& p) { return p.get_MANDATORY(); }), c.mandatory) << c.busiType;
  }
  SProdPlanMapList list;
  ASSERT_TRUE(bp.GetBusiPlanProdList(104, 7, list, 0, 0));
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].get_SERVICE_ID(), 1104);
  EXPECT_EQ(list[0].get_SUBSCR_MOD(), 1);
  EXPECT_EQ(list[0].get_DESCRIPTION(), "彩铃基本功能");
  EXPECT_EQ(list[1].get_SERVICE_ID(), 1141);
  EXPECT_EQ(list[1].get_EXPIRE_MOD(), 1);
  EXPECT_EQ(list[1].get_PLAN_ID(), 7);

  SProdNameList names;
  ASSERT_TRUE(bp.GetFuncn(0, names)) << bp.LastError().text2;
  EXPECT_EQ(keys(names, [](const SProdName& n) { return n.get_PROD_ID(); }), (Ids{54, 61, 62, 63}));
  EXPECT_EQ(names[1].get_NAME(), "彩铃功能");
  SProdNameList one;
  ASSERT_TRUE(bp.GetFuncn(62, one));
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].get_NAME(), "彩铃DIY");
}

TEST_P(Catalogue, GivesFeeItemsPrepaymentItemsAndTheDiscountItemMap) {
  SBookItemList items;
  ASSERT_TRUE(bp.GetItemInfoList(items)) << bp.LastError().text2;
  EXPECT_EQ(keys(items, [](const SBookItem& b) { return b.get_ITEM_ID(); }), (Ids{101, 103, 201}));
  EXPECT_EQ(items[1].get_NAME(), "手续费");
  SBookItemList prepay;
  ASSERT_TRUE(bp.GetPpyn(prepay)) << bp.LastError().text2;
  ASSERT_EQ(keys(prepay, [](const SBookItem& b) { return b.get_ITEM_ID(); }), (Ids{201}));
  EXPECT_EQ(prepay[0].get_NAME(), "预存话费");

  const struct {
    int flag;
    Ids fee, disc;
  } cases[] = {{-1, {101, 102, 103}, {301, 303, 302}}, {0, {101, 103}, {301, 302}}, {1, {102}, {303}}, {7, {}, {}}};
  for (const auto& c : cases) {
    SAccItemRelList list;
    ASSERT_TRUE(bp.GetBusiItem2AccItemList(list, c.flag)) << c.flag;
    EXPECT_EQ(keys(list, [](const SAccItemRel& r) { return r.get_FEE_ITEM(); }), c.fee) << c.flag;
    EXPECT_EQ(keys(list, [](const SAccItemRel& r) { return r.get_DISC_ITEM(); }), c.disc) << c.flag;
  }
  SAccItemRelList list;
  ASSERT_TRUE(bp.GetBusiItem2AccItemList(list, 0));
  EXPECT_EQ(list.at(0).get_ITEM_NAME(), "功能费优惠");
}

TEST_P(Catalogue, SaysWhetherABusinessIsPricedMostSpecificRowFirst) {
  const struct {
    int busiCode, region, userType, flag;
  } cases[] = {{1302, 571, 1, 1}, {1302, 572, 4, 1}, {1303, 571, 1, 0}, {1324, 571, 1, 1},
               {1324, 572, 1, 0}, {1324, 571, 3, 0}, {1324, 573, 3, 1}, {4444, 571, 1, 0}};
  for (const auto& c : cases) {
    int flag = -7;
    ASSERT_TRUE(bp.GetCalFeeFlag(c.busiCode, c.region, c.userType, 0, 0, 0, flag)) << bp.LastError().text2;
    EXPECT_EQ(flag, c.flag) << c.busiCode << " " << c.region << " " << c.userType;
  }
  int flag = -7;
  EXPECT_FALSE(bp.GetCalFeeFlag(0, 571, 1, 0, 0, 0, flag));
  EXPECT_EQ(flag, -7);
  EXPECT_EQ(bp.LastError().code, zp::backend::kCatalogueRequest);
  EXPECT_FALSE(bp.LastError().text2.empty());
}

TEST_P(Catalogue, PricesAnOrderByTheBusinessRulesAndThoseOfEachItem) {
  MBusiFeeMgntApp::SGetSoFeeOut out;
  ASSERT_TRUE(bp.GetBusinessSoFee(feeRequest(1302, {priced(101, 11), priced(101, 12), priced(104, 61)}), out))
      << bp.LastError().text2;
  EXPECT_EQ(bp.LastError(), CBSErrorMsg{});
  const auto& fees = out.get_SOFEELIST();
  const struct {
    long long item, value, discount, count;
  } expected[] = {{103, 500, 0, 1}, {101, 1000, -200, 1}, {101, 1500, 0, 2}, {101, 500, 0, 1}};
  ASSERT_EQ(fees.size(), std::size(expected));
  for (std::size_t i = 0; i < fees.size(); ++i) {
    EXPECT_EQ(fees[i].get_BOOK_ITEM_ID(), expected[i].item) << i;
    EXPECT_EQ(fees[i].get_ITEM_VALUE(), expected[i].value) << i;
    EXPECT_EQ(fees[i].get_ITEM_DISCOUNT(), expected[i].discount) << i;
    EXPECT_EQ(fees[i].get_ITEM_COUNT(), expected[i].count) << i;
    // The unit price times the count: the total the money rule books.
    EXPECT_EQ(fees[i].get_ITEM_TOTAL(), expected[i].value * expected[i].count + expected[i].discount) << i;
    EXPECT_TRUE(zpmoney::EntryAgrees(fees[i])) << i;
    EXPECT_EQ(fees[i].get_SO_REGION_CODE(), 571) << i;
    EXPECT_EQ(fees[i].get_SO_COUNTY_CODE(), 2) << i;
    EXPECT_EQ(fees[i].get_SO_ORG_ID(), 120) << i;
    EXPECT_TRUE(present(fees[i], MPublicDef::SSoFee::kIdx_ITEM_DISCOUNT)) << i;
  }
  EXPECT_EQ(fees[1].get_REMARK(), "八折");
  EXPECT_EQ(fees[1].get_OPER_TYPE(), 2);
  ASSERT_EQ(out.get_PREPAYOPERLIST().size(), 1u);
  const auto& pre = out.get_PREPAYOPERLIST()[0];
  EXPECT_EQ(pre.get_BOOK_ITEM_ID(), 201);
  EXPECT_EQ(pre.get_AMOUNT(), 3000);
  EXPECT_EQ(pre.get_REMARK(), "保底预存");
  EXPECT_EQ(pre.get_REGION_CODE(), 571);
  EXPECT_TRUE(out.get_SOCOINLIST().empty());
}

TEST_P(Catalogue, PricesAnOrderWithoutProductLinesByTheBusinessAlone) {
  const struct {
    int busiCode;
    Ids items;
  } cases[] = {{1302, {103}}, {1303, {}}, {4444, {}}};
  for (const auto& c : cases) {
    MBusiFeeMgntApp::SGetSoFeeOut out;
    ASSERT_TRUE(bp.GetBusinessSoFee(feeRequest(c.busiCode, {}), out)) << bp.LastError().text2;
    EXPECT_EQ(keys(out.get_SOFEELIST(), [](const MPublicDef::SSoFee& f) { return f.get_BOOK_ITEM_ID(); }), c.items)
        << c.busiCode;
    EXPECT_TRUE(out.get_PREPAYOPERLIST().empty()) << c.busiCode;
  }
  // An item the business has no rule for costs nothing under it.
  MBusiFeeMgntApp::SGetSoFeeOut out;
  ASSERT_TRUE(bp.GetBusinessSoFee(feeRequest(1303, {priced(101, 12)}), out));
  EXPECT_TRUE(out.get_SOFEELIST().empty());
}

TEST_P(Catalogue, RefusesAFeeRequestWithoutItsBusinessOrAnItemWithoutItsProduct) {
  MBusiFeeMgntApp::SProductOper noProduct;
  noProduct.set_BUSI_TYPE(101);
  const struct {
    const char* name;
    MBusiFeeMgntApp::SGetSoFeeIn in;
  } cases[] = {{"no header", MBusiFeeMgntApp::SGetSoFeeIn{}},
               {"business 0", feeRequest(0, {priced(101, 11)})},
               {"item without PROD_ID", feeRequest(1302, {priced(101, 11), noProduct})}};
  for (const auto& c : cases) {
    MBusiFeeMgntApp::SGetSoFeeOut out;
    EXPECT_FALSE(bp.GetBusinessSoFee(c.in, out)) << c.name;
    EXPECT_EQ(bp.LastError().code, zp::backend::kCatalogueRequest) << c.name;
    EXPECT_EQ(bp.LastError().text1, "计算业务费用") << c.name;
    EXPECT_FALSE(bp.LastError().text2.empty()) << c.name;
    EXPECT_TRUE(out.get_SOFEELIST().empty()) << c.name;
  }
}

TEST_P(Catalogue, EveryOperationCarriesTheServersRefusalIntoLastErrorAndLeavesItsOutputAlone) {
  const zpd_fault fault{4712, 5, "目录故障", "产品服务暂不可用"};
  const struct {
    const zpd_operation* op;
    std::function<bool(CBusinessPublic&)> call;
  } cases[] = {
      {&MBusiPublic::IBusiCatalogue_get_busiType,
       [](CBusinessPublic& b) { SBusiTypeList l(1); return b.GetBusiType(0, 0, l) || l.size() != 1; }},
      {&MBusiPublic::IBusiCatalogue_get_brands,
       [](CBusinessPublic& b) { SBrandInfoList l(1); return b.GetBrands(l, 0, 0, 0) || l.size() != 1; }},
      {&MBusiPublic::IBusiCatalogue_get_plans,
       [](CBusinessPublic& b) { SPlanIdInfoList l(1); return b.GetPlans(l) || l.size() != 1; }},
      {&MBusiPublic::IBusiCatalogue_get_planSpromList,
       [](CBusinessPublic& b) { SSpromPlanMapList l(1); return b.GetBusiPlanSpromList(101, 7, l, 0, 0) || l.size() != 1; }},
      {&MBusiPublic::IBusiCatalogue_get_busiPromList,
       [](CBusinessPublic& b) { SBusiProdInfoList l(1); return b.GetBusiPromList(5, l, 0, 0, 0) || l.size() != 1; }},
      {&MBusiPublic::IBusiCatalogue_get_prodRelation,
       [](CBusinessPublic& b) { SProductRelationList l(1); return b.GetPdrel(7, 0, 0, l) || l.size() != 1; }},
      {&MBusiPublic::IBusiCatalogue_get_planProdList,
       [](CBusinessPublic& b) { SProdPlanMapList l(1); return b.GetBusiPlanProdList(104, 7, l, 0, 0) || l.size() != 1; }},
      {&MBusiPublic::IBusiCatalogue_get_prodNames,
       [](CBusinessPublic& b) { SProdNameList l(1); return b.GetFuncn(0, l) || l.size() != 1; }},
      {&MBusiPublic::IBusiCatalogue_get_bookItems,
       [](CBusinessPublic& b) { SBookItemList l(1); return b.GetItemInfoList(l) || l.size() != 1; }},
      {&MBusiPublic::IBusiCatalogue_get_prepayItems,
       [](CBusinessPublic& b) { SBookItemList l(1); return b.GetPpyn(l) || l.size() != 1; }},
      {&MBusiPublic::IBusiCatalogue_get_accItemRel,
       [](CBusinessPublic& b) { SAccItemRelList l(1); return b.GetBusiItem2AccItemList(l, 0) || l.size() != 1; }},
      {&MBusiPublic::IBusiCatalogue_get_calFeeFlag,
       [](CBusinessPublic& b) { int f = 9; return b.GetCalFeeFlag(1302, 571, 1, 0, 0, 0, f) || f != 9; }},
      {&MBusiPublic::IBusiCatalogue_get_soFee,
       [](CBusinessPublic& b) {
         MBusiFeeMgntApp::SGetSoFeeOut out;
         return b.GetBusinessSoFee(feeRequest(1302, {}), out) || !out.get_SOFEELIST().empty();
       }},
  };
  for (const auto& c : cases) {
    world->fail(*c.op, fault);
    EXPECT_FALSE(c.call(bp)) << c.op->serviceCode;
    EXPECT_EQ(bp.LastError(), (CBSErrorMsg{4712, 5, "目录故障", "产品服务暂不可用"})) << c.op->serviceCode;
    world->dispatcher->clear_faults();
  }
}

TEST_P(Catalogue, AnUnreachableServerIsAFailureNotAnEmptyCatalogue) {
  {
    CBusinessPublic unbound;
    SBusiTypeList types;
    EXPECT_FALSE(unbound.GetBusiType(0, 0, types));
    EXPECT_EQ(unbound.LastError().code, ZPE_NOT_BOUND);
    EXPECT_FALSE(unbound.LastError().text1.empty());
  }
  world.reset();
  int flag = 9;
  EXPECT_FALSE(bp.GetCalFeeFlag(1302, 571, 1, 0, 0, 0, flag));
  EXPECT_TRUE(zpd_is_runtime_failure(bp.LastError().code)) << bp.LastError().code;
  EXPECT_EQ(flag, 9);
  SBookItemList items;
  EXPECT_FALSE(bp.GetItemInfoList(items));
  EXPECT_TRUE(zpd_is_runtime_failure(bp.LastError().code)) << bp.LastError().code;
  EXPECT_EQ(bp.LastError().text1, "取营业科目");
}

INSTANTIATE_TEST_SUITE_P(Backends, Catalogue, ::testing::Values(Backend::sqlite, Backend::postgresql),
                         [](const auto& info) { return std::string(zp::testing::backendName(info.param)); });

// The demo catalogue as zpserver --seed-demo loads it.
TEST(DemoCatalogue, OffersWhatTheCounterExpects) {
  BackendWorld world(Backend::sqlite, "{}");
  ASSERT_NO_THROW(zp::testing::loadDemo(*world.db, {"10-core.json", "40-catalogue.json"}));
  world.signIn(1001);  // the demo clerk with every right
  CBusinessPublic bp;
  ASSERT_TRUE(bp.Init(1302, 571, 1, 5710101, 1001));

  SBusiTypeList types;
  ASSERT_TRUE(bp.GetBusiType(0, 0, types)) << bp.LastError().text2;
  EXPECT_EQ(keys(types, [](const SBusiType& t) { return t.get_BUSI_TYPE(); }), (Ids{101, 102, 5, 104, 131, 106, 103}));
  for (const auto& t : types) {
    const bool planBound = t.get_BUSI_TYPE() == 101 || t.get_BUSI_TYPE() == 104 || t.get_BUSI_TYPE() == 106 ||
                           t.get_BUSI_TYPE() == 131 || t.get_BUSI_TYPE() == 5;
    EXPECT_EQ(t.get_TYPE() == 1, planBound) << t.get_BUSI_TYPE();
  }

  SSpromPlanMapList proms;
  ASSERT_TRUE(bp.GetBusiPlanSpromList(101, 101, proms, 0, 0));
  EXPECT_EQ(keys(proms, [](const SSpromPlanMap& m) { return m.get_MANDATORY(); }), (Ids{1, 2, 0, 0}));
  EXPECT_EQ(keys(proms, [](const SSpromPlanMap& m) { return m.get_VALID_CYCLE(); }), (Ids{-1, 12, -2, 6}));

  SBusiProdInfoList gprs;
  ASSERT_TRUE(bp.GetBusiPromList(5, gprs, 0, 0, 1));
  EXPECT_EQ(keys(gprs, [](const SBusiProdInfo& p) { return p.get_PROD_ID(); }), (Ids{2001}));

  // The call-forwarding chain: 3124 needs 3123, which needs 3121.
  SProductRelationList rel;
  ASSERT_TRUE(bp.GetPdrel(0, 0, 0, rel));
  auto prerequisite = [&](long long prod) {
    for (const auto& r : rel)
      if (r.get_PROD_ID() == prod && r.get_RELATE_TYPE() == 1) return static_cast<long long>(r.get_PRE_PROD_ID());
    return 0LL;
  };
  EXPECT_EQ(prerequisite(3124), 3123);
  EXPECT_EQ(prerequisite(3123), 3121);

  const struct {
    int busiCode, flag;
  } flags[] = {{1302, 1}, {1304, 1}, {1324, 1}, {1303, 0}};
  for (const auto& c : flags) {
    int flag = -1;
    ASSERT_TRUE(bp.GetCalFeeFlag(c.busiCode, 571, 1, 0, 0, 0, flag));
    EXPECT_EQ(flag, c.flag) << c.busiCode;
  }

  MBusiFeeMgntApp::SProductOper op;
  op.set_PROD_ID(2101);
  MBusiFeeMgntApp::SFeeBusiInfo busi;
  busi.set_BUSI_CODE(1302);
  MBusiFeeMgntApp::SGetSoFeeIn in;
  in.set_BUSIINFO(busi);
  in.set_PRODUCTOPERLIST({op});
  MBusiFeeMgntApp::SGetSoFeeOut out;
  ASSERT_TRUE(bp.GetBusinessSoFee(in, out)) << bp.LastError().text2;
  long long due = 0;
  for (const auto& f : out.get_SOFEELIST()) due += f.get_ITEM_VALUE() + f.get_ITEM_DISCOUNT();
  EXPECT_EQ(due, 500 + 1000 - 200);
}

}  // namespace
