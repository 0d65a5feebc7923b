// The demo region's products as the counter meets them: Global Call's plan
// with a mandatory product, call forwarding, ring-back with songs and every
// kind of relation, and the ring-back subscriber whose mandatory product is
// described otherwise than it is named.
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "MVasDesk.h"
#include "backend_world.h"
#include "fixtures.h"
#include "frameBusiProduct.h"
#include "gui_message.h"
#include "offer_scope.h"

namespace {

using zp::store::Backend;
using zp::testing::BackendWorld;

class DemoProducts : public ::testing::Test {
 protected:
  void SetUp() override {
    world = std::make_unique<BackendWorld>(Backend::sqlite, "{}");
    ASSERT_NO_THROW(zp::testing::loadDemo(*world->db, {"10-core.json", "20-sysmgnt.json", "30-busi.json", "40-catalogue.json"}));
    world->signIn(1001);  // the demo clerk with every right
  }
  MPublicDef::SMscFuncInfoList Current(int busiCode) {
    MVasDesk::IVasDesk client;
    EXPECT_EQ(client.bind_zpBroker("ZEPHYRON"), 0);
    MPublicDef::SFetchCtInfoIn in;
    in.set_BUSI_CODE(busiCode);
    in.set_SERV_ID(9002);
    MVasDesk::SGetInfoOut out;
    CBSErrorMsg err;
    EXPECT_EQ(client.get_info(in, out, err, nullptr), 0) << err.text2;
    client.unbind();
    return out.get_MSCFUNCINFOLIST();
  }
  std::unique_ptr<BackendWorld> world;
};

TEST_F(DemoProducts, GlobalCallOffersEveryKind) {
  zpgui::MessageLog messages;
  TframeBusiProduct frame;
  ASSERT_EQ(frame.LoadProductCatalogue(101, 571, 1001, 5710101, 1, 571, 1302, 101, 9002), 1);
  EXPECT_TRUE(messages.Shown().empty());
  const auto& offer = frame.Offer();
  std::set<int> offered, kinds;
  bool forwarding = false, ringBack = false;
  for (const auto& e : offer.PlanProducts()) {
    offered.insert(e.get_PRODUCT_ID());
    forwarding |= offers::InServiceClass(e.get_SERVICE_ID(), offer.MscCallServices());
    ringBack |= offers::InServiceClass(e.get_SERVICE_ID(), offer.MscCrbtServices());
  }
  EXPECT_EQ(offered, (std::set<int>{3111, 3112, 3113, 3114, 3115, 3116}));
  EXPECT_TRUE(forwarding && ringBack);
  EXPECT_FALSE(offer.RingList().empty());
  for (const auto& r : offer.Relations())
    if (r.get_PROD_ID() / 10 == 311) kinds.insert(r.get_RELATE_TYPE());
  EXPECT_EQ(kinds, (std::set<int>{0, 1, 2}));
  ASSERT_EQ(offer.Rows().size(), 1u);
  EXPECT_EQ(offer.Rows()[0].caption, "[3111] 全球呼来电显示");
  EXPECT_EQ(offer.Rows()[0].validDate, "2027/01/01");
}

TEST_F(DemoProducts, RingBackSubscribersMandatoryProductIsKeptOnce) {
  zpgui::MessageLog messages;
  TframeBusiProduct frame;
  ASSERT_EQ(frame.LoadProductCatalogue(104, 571, 1001, 5710101, 1, 571, 1324, 101, 9002), 1);
  frame.MergeUserProducts(Current(1324));
  EXPECT_TRUE(messages.Shown().empty());
  const auto& rows = frame.Offer().Rows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].code, 3101);
  EXPECT_EQ(rows[0].action, "原有");
  EXPECT_EQ(rows[0].funcParam, "A01");
  MPublicDef::SMscFuncOperList lines;
  frame.BuildProductOpers(lines);
  EXPECT_TRUE(lines.empty());
}

}  // namespace
