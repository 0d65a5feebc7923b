// The demo region's promotions as the counter meets them: every type, every
// kind of duration and of relation, and the limits of the demo operators.
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "backend_world.h"
#include "fixtures.h"
#include "formPromInfoEdit.h"
#include "framePromInfo.h"
#include "gui_message.h"
#include "prom_offer.h"
#include "prom_permission.h"

namespace {

using zp::store::Backend;
using zp::testing::BackendWorld;

class DemoPromotions : public ::testing::Test {
 protected:
  void SetUp() override {
    world = std::make_unique<BackendWorld>(Backend::sqlite, "{}");
    ASSERT_NO_THROW(zp::testing::loadDemo(*world->db, {"10-core.json", "20-sysmgnt.json", "30-busi.json", "40-catalogue.json"}));
    world->signIn(1001);  // the demo clerk with every right
  }
  std::unique_ptr<BackendWorld> world;
};

TEST_F(DemoPromotions, GlobalCallOffersEveryKind) {
  zpgui::MessageLog messages;
  TfrmePromInfo frame;
  ASSERT_EQ(frame.LoadPromCatalogue(571, 9001, 101, 101, 1302, 571, 1, 5710101, 1001), 1);
  EXPECT_TRUE(messages.Shown().empty());
  const auto& offer = frame.Offer();
  std::set<std::string> types, cycles, mandatory;
  for (const auto& e : offer.Catalogue()) {
    types.insert(e.get_SUBSCR_PARAM());
    cycles.insert(std::to_string(e.get_VALID_CYCLE()));
    mandatory.insert(std::to_string(e.get_MANDATORY()));
  }
  EXPECT_TRUE(types.count("1") && types.count("2") && types.count("3") && types.count(""));
  EXPECT_TRUE(cycles.count("-1") && cycles.count("-2") && cycles.count("12"));
  EXPECT_EQ(mandatory, (std::set<std::string>{"0", "1", "2"}));
  std::set<int> kinds;
  for (const auto& r : offer.Relations())
    if (r.get_PROD_ID() / 100 == 21) kinds.insert(r.get_RELATE_TYPE());
  EXPECT_EQ(kinds, (std::set<int>{0, 1, 2}));
  // The seeds: the mandatory discount and the pre-selected minimum.
  ASSERT_EQ(offer.Rows().size(), 2u);
  EXPECT_EQ(offer.Rows()[0].code, 2101);
  EXPECT_EQ(offer.Rows()[1].code, 2102);
}

// GPRS offers its promotions through the subscriber's plan, as Global Call
// does; the minimum package is among them.
TEST_F(DemoPromotions, GprsOffersItsPromotionsThroughThePlan) {
  zpgui::MessageLog messages;
  TfrmePromInfo frame;
  ASSERT_EQ(frame.LoadPromCatalogue(571, 9001, 5, 101, 1070, 571, 1, 5710101, 1001), 1);
  EXPECT_TRUE(messages.Shown().empty());
  std::set<int> offered;
  for (const auto& e : frame.Offer().Catalogue()) offered.insert(e.get_PROM_ID());
  EXPECT_TRUE(offered.count(2001)) << "the GPRS minimum package";
  EXPECT_FALSE(offered.count(2002)) << "the old package is under no plan";
  EXPECT_TRUE(frame.Offer().TypeOffer().empty()) << "a plan-bound business has no offer by type";
}

TEST_F(DemoPromotions, DemoOperatorsLimits) {
  zpgui::MessageLog messages;
  struct {
    int opId, kind, limit;
  } cases[] = {{1001, 1, 3000}, {1001, 2, 80}, {1001, 3, 5000}, {1003, 1, 5000}, {1003, 2, -1}, {1002, 3, -1}};
  for (const auto& c : cases) {
    int limit = -1;
    world->signIn(c.opId);
    ASSERT_TRUE(promotions::QueryParaLimit(c.kind, limit, c.opId, 5710101)) << c.opId;
    EXPECT_EQ(limit, c.limit) << c.opId << " kind " << c.kind;
  }
  EXPECT_TRUE(messages.Shown().empty());
}

}  // namespace

namespace {

// Checking the ordinary package drops the pre-selected minimum it excludes;
// its any-of need is met by the mandatory discount, so nothing is added.
TEST_F(DemoPromotions, OrdinaryPackageReplacesTheMinimum) {
  zpgui::MessageLog messages;
  promotions::PromOffer offer;
  ASSERT_EQ(offer.LoadPromCatalogue(571, 9001, 101, 101, 1302, 571, 1, 5710101, 1001), 1);
  TfrmPromInfoEdit dialog;
  dialog.LoadPlanCatalogue(offer.Catalogue(), offer.Relations(), 1001, 5710101, 1302);
  dialog.ApplyCurrentProms(offer.CollectPromRows());
  auto* list = dialog.findChild<QTreeWidget*>("lstvSpromInfo");
  auto codes = [&] {
    std::set<std::string> out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
      if (list->topLevelItem(i)->checkState(0) == Qt::Checked) out.insert(list->topLevelItem(i)->text(0).toStdString());
    return out;
  };
  EXPECT_EQ(codes(), (std::set<std::string>{"[2101] 全球呼月租八折", "[2102] 全球呼保底30元"}));
  for (int i = 0; i < list->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = list->topLevelItem(i);
    if (item->text(0).startsWith("[2104]")) {
      item->setCheckState(0, Qt::Checked);
      emit list->itemClicked(item, 0);
    }
  }
  EXPECT_EQ(codes(), (std::set<std::string>{"[2101] 全球呼月租八折", "[2104] 全球呼普通套餐"}));
  EXPECT_TRUE(messages.Shown().empty());
}

}  // namespace
