// The product list frame against an in-process zpserver: the catalogue load
// under the region's switch, the seeded mandatory products, the merge of the
// subscriber's products with the scope of the business, deleting under the
// cancellation rule, the selection dialog's choice coming back, and the
// product lines as the server receives them.
#include "frameBusiProduct.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "MBusiPublic.h"
#include "MSysmgntDef.h"
#include "MVasDesk.h"
#include "backend_world.h"
#include "fixtures.h"
#include "busi_catalogue_service.h"
#include "gui_message.h"
#include "modal.h"
#include "prod_world.h"
#include "product_frame_adapter.h"
#include "wiretap.h"

namespace {

using zp::store::Backend;
using zp::testing::BackendWorld;
using zp::testing::ProdWorld;
using zp::testing::Wiretap;

enum Column { cName, cAction, cValid, cExpire, cStatus, cType };

MPublicDef::SMscFuncInfo UserProduct(int prodId, int busiType, int serviceId, const char* funcParam = "") {
  MPublicDef::SMscFuncInfo p;
  p.set_PROD_ID(prodId);
  p.set_BUSI_TYPE(busiType);
  p.set_SERVICE_ID(serviceId);
  p.set_FUNC_PARAM(funcParam);
  p.set_SERV_ID(9001);
  p.set_EXT_PROP1("e1");
  p.set_VALID_DATE(CBSDateTime::make(2025, 3, 1));
  p.set_EXPIRE_DATE(CBSDateTime::make(2029, 12, 31, 23, 59, 59));
  return p;
}

class ProdFrame : public ::testing::Test {
 protected:
  void Open(const std::string& flags = "0@0", const std::string& crbt = "7104,7141") {
    world = std::make_unique<BackendWorld>(Backend::sqlite, ProdWorld(flags, crbt));
    catalogue = std::make_shared<zp::backend::BusiCatalogueService>(*world->db, [w = world.get()] { return w->clock; });
    planProds = std::make_unique<Wiretap<MBusiPublic::SCatalogueIn, MProductIntfApp::SProdPlanMapList>>(
        *world->dispatcher, MBusiPublic::IBusiCatalogue_get_planProdList,
        [c = catalogue](auto& in, auto& out, auto& err) { return c->get_planProdList(in, out, err); });
  }
  // Subscriber 9001 of region 571 on plan 8; operator 31 of region 573,
  // county 2, organisation 5730201, so that none of them can stand in for
  // another; business code 1302.
  int Load(int busiType = 101) { return frame.LoadProductCatalogue(busiType, 571, 31, 5730201, 2, 573, 1302, 8, 9001); }
  QTreeWidget& List() { return *frame.findChild<QTreeWidget*>("lstvBusiProduct"); }
  QPushButton& Button(const char* name) { return *frame.findChild<QPushButton*>(name); }
  std::vector<std::string> Column(int c) {
    std::vector<std::string> out;
    for (int i = 0; i < List().topLevelItemCount(); ++i) out.push_back(List().topLevelItem(i)->text(c).toStdString());
    return out;
  }
  void Focus(int row) {
    List().setCurrentItem(List().topLevelItem(row));
    List().topLevelItem(row)->setSelected(true);
  }

  std::unique_ptr<BackendWorld> world;
  std::shared_ptr<zp::backend::BusiCatalogueService> catalogue;
  std::unique_ptr<Wiretap<MBusiPublic::SCatalogueIn, MProductIntfApp::SProdPlanMapList>> planProds;
  TframeBusiProduct frame;
};

// In the dialog: a click on row's check box.
void ClickBox(QDialog& d, int row) {
  auto* list = d.findChild<QTreeWidget*>("lstvBusiProductEdit");
  QTreeWidgetItem* item = list->topLevelItem(row);
  item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  emit list->itemClicked(item, 0);
}

TEST_F(ProdFrame, PermissionSwitchValues) {
  struct {
    const char* value;
    bool accepted;
    int popedom;
  } cases[] = {{"0@0", true, 0}, {"0@1", true, 0}, {"1@0", true, 1}, {"1@1", true, 1}, {"2@0", false},
               {"0@2", false},   {"1@00", false},  {"10@1", false},  {"1-0", false},   {"", false}};
  for (const auto& c : cases) {
    Open(c.value);
    zpgui::MessageLog messages;
    const int result = Load();
    if (c.accepted) {
      EXPECT_EQ(result, 1) << c.value;
      EXPECT_TRUE(messages.Shown().empty()) << c.value;
      ASSERT_EQ(planProds->Count(), 1u) << c.value;
      EXPECT_EQ(planProds->Last().get_POPEDOM(), c.popedom) << c.value;
      EXPECT_EQ(planProds->Last().get_PLAN_ID(), 8) << c.value;
      EXPECT_EQ(planProds->Last().get_BUSI_TYPE(), 101) << c.value;
    } else {
      EXPECT_EQ(result, 0) << c.value;
      EXPECT_EQ(planProds->Count(), 0u) << c.value;
      ASSERT_EQ(messages.Shown().size(), 1u) << c.value;
      EXPECT_EQ(messages.Shown()[0], (zpgui::GUIMessage{"[ProdPopedomValid]配置错误", "异常", 16})) << c.value;
      EXPECT_EQ(List().topLevelItemCount(), 0) << c.value;
    }
  }
}

TEST_F(ProdFrame, SeedsMandatoryProductsWithTheirValidityAndLoadsClassesAndRings) {
  Open();
  zpgui::MessageLog messages;
  ASSERT_EQ(Load(), 1);
  EXPECT_TRUE(messages.Shown().empty());
  // Captions come from the product names, not the offer's descriptions.
  EXPECT_EQ(Column(cName), (std::vector<std::string>{"[61] 来电显示"}));
  EXPECT_EQ(Column(cAction), (std::vector<std::string>{"新增"}));
  // SUBSCR_MOD 3: the first day of the month three months after today's.
  EXPECT_EQ(Column(cValid), (std::vector<std::string>{"2027/03/01"}));
  EXPECT_EQ(Column(cExpire), (std::vector<std::string>{"2030/12/31"}));
  EXPECT_EQ(Column(cStatus), (std::vector<std::string>{"必选"}));
  EXPECT_EQ(Column(cType), (std::vector<std::string>{"[101] 全球呼"}));
  EXPECT_TRUE(Button("btnAdd").isEnabled());
  EXPECT_FALSE(Button("btnDele").isEnabled());

  const products::ProdOffer& offer = frame.Offer();
  EXPECT_EQ(offer.MscCallServices(), "7121,7122,7123,7124");
  EXPECT_EQ(offer.MscCrbtServices(), "7104,7141");
  // The songs of the subscriber's region, not the operator's.
  ASSERT_EQ(offer.RingList().size(), 2u);
  EXPECT_EQ(offer.RingList()[0].get_SONG_ID(), "S001");
  EXPECT_EQ(offer.PlanProducts().size(), 8u);
  EXPECT_EQ(offer.Relations().size(), 6u);
  EXPECT_EQ(offer.ProdValidDateText(0), "2026/12/10");
  EXPECT_EQ(offer.ProdValidDateText(1), "2027/01/01");
  EXPECT_EQ(frame.CountActiveProducts(), 1);
}

TEST_F(ProdFrame, LoadFailuresAreToldOnce) {
  struct {
    const char* name;
    const zpd_operation* op;
    bool loads;
    const char* start;  // the message begins so
    int flags;
  } cases[] = {
      {"flags", &MSysmgntDef::ISysmgntPublic_get_sysParaValue, false,
       "取系统产品列表权限控制参数[ProdPopedomValid]出错[故障注入]\n[后台暂时不可用]...!", 16},
      {"business types", &MBusiPublic::IBusiCatalogue_get_busiType, true,
       "异常:调用后台服务<productintf>取业务类型busiType信息服务失败!,\n[后台暂时不可用!]\n[故障注入!]", 64},
      {"plan-bound list", &MBusiPublic::IBusiCatalogue_get_planProdList, false,
       "调用后台服务<productintf>获得(计划内)产品列表失败!\n错误[后台暂时不可用]\n[故障注入]请稍后再试!", 64},
  };
  for (const auto& c : cases) {
    Open();
    world->fail(*c.op, {4711, 0, "故障注入", "后台暂时不可用"});
    zpgui::MessageLog messages;
    EXPECT_EQ(Load(), c.loads ? 1 : 0) << c.name;
    ASSERT_EQ(messages.Shown().size(), 1u) << c.name;
    const zpgui::GUIMessage& m = messages.Shown()[0];
    EXPECT_EQ(m.text, c.start) << c.name;
    EXPECT_EQ(m.caption, "异常") << c.name;
    EXPECT_EQ(m.flags, c.flags) << c.name;
    if (c.loads) {
      // Without the business types their texts are bare codes.
      EXPECT_EQ(Column(cType), (std::vector<std::string>{"101"})) << c.name;
    } else {
      EXPECT_EQ(List().topLevelItemCount(), 0) << c.name;
    }
  }
}

TEST_F(ProdFrame, SubscribersMandatoryProductIsRecognisedByItsCode) {
  Open();
  ASSERT_EQ(Load(), 1);
  // 61's offer description differs from its name; it is still the seeded row.
  frame.MergeUserProducts({UserProduct(61, 101, 7001)});
  EXPECT_EQ(Column(cName), (std::vector<std::string>{"[61] 来电显示"}));
  EXPECT_EQ(Column(cAction), (std::vector<std::string>{"原有"}));
  EXPECT_EQ(Column(cValid), (std::vector<std::string>{"2025/03/01"}));
  EXPECT_EQ(Column(cExpire), (std::vector<std::string>{"2029/12/31"}));
  EXPECT_EQ(Column(cStatus), (std::vector<std::string>{"必选"}));
  MPublicDef::SMscFuncOperList lines;
  EXPECT_EQ(frame.BuildProductOpers(lines), 1);
  EXPECT_TRUE(lines.empty());  // nothing is added again
  EXPECT_EQ(frame.CountActiveProducts(), 1);
}

TEST_F(ProdFrame, SubscribersProductsInTheScopeOfTheBusiness) {
  struct {
    const char* name;
    int busiType;
    const char* crbt;
    MPublicDef::SMscFuncInfoList current;
    std::vector<std::string> shown;
  } cases[] = {
      {"101 takes 305032, not 305033", 101, "7104,7141",
       {UserProduct(62, 101, 7121), UserProduct(71, 106, 305032), UserProduct(72, 106, 305033)},
       {"[61] 来电显示", "[62] 无条件呼转", "[71] 全球呼转移"}},
      {"104 takes what MscCrbt lists", 104, "7104,7141",
       {UserProduct(74, 104, 7104), UserProduct(73, 106, 7141), UserProduct(72, 106, 305033)},
       {"[74] 彩铃基本", "[73] DIY彩铃"}},
      {"104 with an empty MscCrbt takes its own type only", 104, "",
       {UserProduct(74, 104, 7104), UserProduct(73, 106, 7141)},
       {"[74] 彩铃基本"}},
      {"5 takes 305025 only", 5, "7104,7141",
       {UserProduct(81, 106, 305025), UserProduct(71, 106, 305032)},
       {"81"}},
      {"106 takes its own type only", 106, "7104,7141",
       {UserProduct(71, 106, 305032), UserProduct(74, 104, 7104)},
       {"[71] 全球呼转移"}},
  };
  for (const auto& c : cases) {
    Open("0@0", c.crbt);
    ASSERT_EQ(Load(c.busiType), 1) << c.name;
    frame.MergeUserProducts(c.current);
    EXPECT_EQ(Column(cName), c.shown) << c.name;
  }
  // A product of another business type shown by the scope cannot be deleted
  // here and does not count for this business.
  Open();
  ASSERT_EQ(Load(101), 1);
  frame.MergeUserProducts({UserProduct(71, 106, 305032)});
  EXPECT_EQ(Column(cType), (std::vector<std::string>{"[101] 全球呼", "[106] 呼叫转移"}));
  EXPECT_EQ(frame.CountActiveProducts(), 1);
  Focus(1);
  frame.lstvBusiProductClick();
  EXPECT_FALSE(Button("btnDele").isEnabled());
  zpgui::MessageLog messages;
  Button("btnDele").setEnabled(true);
  Button("btnDele").click();
  ASSERT_EQ(messages.Shown().size(), 1u);  // refused before any confirmation
  EXPECT_EQ(messages.Shown()[0],
            (zpgui::GUIMessage{"提示:对不起，您选择的记录受理的业务类型和现在的业务类型不一致！不能删除！", "提示", 64}));
  EXPECT_EQ(Column(cAction)[1], "原有");
}

// A product of another business that depends on the one deleted is not
// cancelled with it: the order would cancel it in this business's name. The
// deletion is refused and both stay as they were.
TEST_F(ProdFrame, DeletingStopsShortOfAnotherBusinesssProduct) {
  Open();
  zp::store::loadFixtures(*world->db,
                          R"({"prod_relations": [{"plan_id": 8, "prod_id": 71, "pre_prod_id": 62, "relate_type": 1}]})");
  ASSERT_EQ(Load(101), 1);
  frame.MergeUserProducts({UserProduct(62, 101, 7121), UserProduct(71, 106, 305032)});
  frame.EnableProductEdit();
  ASSERT_EQ(Column(cName), (std::vector<std::string>{"[61] 来电显示", "[62] 无条件呼转", "[71] 全球呼转移"}));
  zpgui::MessageLog messages{zpgui::kAnswerYes};
  Focus(1);
  Button("btnDele").click();
  ASSERT_EQ(messages.Shown().size(), 2u);  // the confirmation, then the refusal
  EXPECT_EQ(messages.Shown()[1],
            (zpgui::GUIMessage{"提示：您取消的产品的依赖项[[71] 全球呼转移]属于其他业务,不能在本业务中取消！请先在该业务中处理。",
                               "提示", 16}));
  EXPECT_EQ(Column(cAction), (std::vector<std::string>{"新增", "原有", "原有"}));
  MPublicDef::SMscFuncOperList lines;
  frame.BuildProductOpers(lines);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].get_PROD_ID(), 61);  // the seeded product alone
}

TEST_F(ProdFrame, DeletingFollowsTheCancellationRule) {
  Open();
  ASSERT_EQ(Load(), 1);
  // The subscriber has the chain 65 → 64 → 62 and the voice mail 67, which
  // needs 62 or 63.
  frame.MergeUserProducts({UserProduct(62, 101, 7121, "13900000001"), UserProduct(64, 101, 7122),
                           UserProduct(65, 101, 7123), UserProduct(67, 101, 7002)});
  frame.EnableProductEdit();
  ASSERT_EQ(Column(cName), (std::vector<std::string>{"[61] 来电显示", "[62] 无条件呼转", "[64] 无应答呼转",
                                                     "[65] 不可及呼转", "[67] 语音信箱"}));
  EXPECT_EQ(List().palette().color(QPalette::Base), QColor(0xF1, 0xFA, 0xFF));
  {
    zpgui::MessageLog messages;
    Focus(0);
    Button("btnDele").click();
    ASSERT_EQ(messages.Shown().size(), 1u);
    EXPECT_EQ(messages.Shown()[0], (zpgui::GUIMessage{"提示:对不起，您选择的记录为必选项！不能删除！", "提示", 64}));
  }
  {
    // Not confirmed: nothing changes.
    zpgui::MessageLog messages{zpgui::kAnswerNo};
    Focus(1);
    Button("btnDele").click();
    ASSERT_EQ(messages.Shown().size(), 1u);
    EXPECT_EQ(messages.Shown()[0], (zpgui::GUIMessage{"您确认删除该记录[[62] 无条件呼转]吗？", "确认操作", 292}));
    EXPECT_EQ(Column(cAction), (std::vector<std::string>{"新增", "原有", "原有", "原有", "原有"}));
  }
  zpgui::MessageLog messages{zpgui::kAnswerYes};
  Focus(1);
  Button("btnDele").click();
  EXPECT_EQ(messages.Unanswered(), 0);
  // The chain goes to its end; the voice mail loses its only present partner.
  EXPECT_EQ(Column(cAction), (std::vector<std::string>{"新增", "删除", "删除", "删除", "删除"}));
  EXPECT_EQ(List().topLevelItem(1)->foreground(cName).color(), QColor(0x80, 0x80, 0x80));
  EXPECT_FALSE(Button("btnDele").isEnabled());
  EXPECT_EQ(frame.CountActiveProducts(), 1);

  MPublicDef::SMscFuncOperList lines;
  frame.BuildProductOpers(lines);
  std::vector<std::pair<int, int>> got;
  for (const auto& l : lines) got.emplace_back(l.get_PROD_ID(), l.get_ACT_TYPE());
  EXPECT_EQ(got, (std::vector<std::pair<int, int>>{{61, 1}, {62, 3}, {64, 3}, {65, 3}, {67, 3}}));
  EXPECT_EQ(lines[1].get_FUNC_PARAM(), "13900000001");

  // A row already cancelled is told so.
  zpgui::MessageLog again;
  Focus(2);
  Button("btnDele").setEnabled(true);
  Button("btnDele").click();
  ASSERT_EQ(again.Shown().size(), 1u);
  EXPECT_EQ(again.Shown()[0], (zpgui::GUIMessage{"提示:您选择的产品[[64] 无应答呼转]已经是删除状态！", "提示", 64}));
  Focus(1);
  frame.lstvBusiProductClick();
  EXPECT_FALSE(Button("btnDele").isEnabled());
}

TEST_F(ProdFrame, NoRowSelectedIsTold) {
  Open();
  ASSERT_EQ(Load(), 1);
  zpgui::MessageLog messages;
  List().clearSelection();
  Button("btnDele").setEnabled(true);
  Button("btnDele").click();
  ASSERT_EQ(messages.Shown().size(), 1u);
  EXPECT_EQ(messages.Shown()[0], (zpgui::GUIMessage{"请选择你要删除的记录...!", "提示", 64}));
}

// The operator checks 64 in the dialog, gives its forwarding number, and
// closes the dialog with its close box: the choice is applied as after OK.
// 64 brings its prerequisite 62. Deleting the added 62 then takes 64 with it,
// and both rows disappear.
TEST_F(ProdFrame, CloseBoxAppliesTheChoiceAndAddedRowsDisappearWhenDeleted) {
  Open();
  ASSERT_EQ(Load(), 1);
  frame.EnableProductAdd();
  zpgui::MessageLog messages;
  zpgui::ModalScript script;
  script.Then([](QDialog& d) { ClickBox(d, 3); });  // [64]; left open: the close box
  script.Then([](QDialog& d) {                        // the detail dialog for 64
    d.findChild<QLineEdit*>("edPhone")->setText("13900000002");
    d.findChild<QPushButton*>("btnOk")->click();
  });
  Button("btnAdd").click();
  EXPECT_EQ(script.Unexpected(), 0);
  EXPECT_EQ(script.Shown(), (std::vector<std::string>{"TFRMBUSIPRODUCTEDIT", "frmShowDetail"}));
  EXPECT_TRUE(messages.Shown().empty());
  EXPECT_EQ(Column(cName), (std::vector<std::string>{"[61] 来电显示", "[62] 无条件呼转", "[64] 无应答呼转"}));
  EXPECT_EQ(Column(cAction), (std::vector<std::string>{"新增", "新增", "新增"}));
  EXPECT_EQ(Column(cStatus), (std::vector<std::string>{"必选", "可选", "可选"}));
  // The seeded 61 comes back from the dialog as a next-cycle product.
  EXPECT_EQ(Column(cValid), (std::vector<std::string>{"2027/01/01", "2026/12/10", "2026/12/10"}));
  EXPECT_EQ(List().currentItem(), List().topLevelItem(2));

  messages.Answer(zpgui::kAnswerYes);
  Focus(1);
  Button("btnDele").click();
  EXPECT_EQ(Column(cName), (std::vector<std::string>{"[61] 来电显示"}));
  EXPECT_FALSE(Button("btnDele").isEnabled());
}

TEST_F(ProdFrame, CancelledDialogChangesNothing) {
  Open();
  ASSERT_EQ(Load(), 1);
  frame.MergeUserProducts({UserProduct(62, 101, 7121)});
  zpgui::ModalScript script;
  script.Then([](QDialog& d) {
    ClickBox(d, 1);  // uncheck [62]
    d.findChild<QPushButton*>("btnCancel")->click();
  });
  Button("btnAdd").click();
  EXPECT_EQ(Column(cAction), (std::vector<std::string>{"新增", "原有"}));
}

TEST_F(ProdFrame, UncheckingTheSubscribersProductCancelsItAndCheckingAgainKeepsIt) {
  Open();
  ASSERT_EQ(Load(), 1);
  frame.MergeUserProducts({UserProduct(62, 101, 7121, "13900000001")});
  for (const bool check : {false, true}) {
    zpgui::ModalScript script;
    script.Then([check](QDialog& d) {
      auto* list = d.findChild<QTreeWidget*>("lstvBusiProductEdit");
      ASSERT_EQ(list->topLevelItem(1)->checkState(0), check ? Qt::Unchecked : Qt::Checked);
      ClickBox(d, 1);
      d.findChild<QPushButton*>("btnOk")->click();
    });
    Button("btnAdd").click();
    EXPECT_EQ(script.Unexpected(), 0);
    EXPECT_EQ(Column(cAction)[1], check ? "原有" : "删除");
  }
}

// A product of this business that the subscriber holds but plan 8 does not
// offer (69) has no row in the dialog: the operator cannot uncheck it there,
// so confirming the dialog must not cancel it. The delete button still does.
TEST_F(ProdFrame, HeldProductOutsideTheOfferSurvivesTheDialog) {
  Open();
  ASSERT_EQ(Load(), 1);
  frame.MergeUserProducts({UserProduct(62, 101, 7121, "13900000001"), UserProduct(69, 101, 7009)});
  frame.EnableProductEdit();
  ASSERT_EQ(Column(cName), (std::vector<std::string>{"[61] 来电显示", "[62] 无条件呼转", "69"}));
  zpgui::MessageLog messages;
  zpgui::ModalScript script;
  script.Then([](QDialog& d) { d.findChild<QPushButton*>("btnOk")->click(); });
  Button("btnAdd").click();
  EXPECT_EQ(script.Unexpected(), 0);
  EXPECT_EQ(Column(cAction), (std::vector<std::string>{"新增", "原有", "原有"}));
  MPublicDef::SMscFuncOperList lines;
  frame.BuildProductOpers(lines);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].get_PROD_ID(), 61);

  messages.Answer(zpgui::kAnswerYes);
  Focus(2);
  Button("btnDele").click();
  EXPECT_EQ(Column(cAction)[2], "删除");
  lines.clear();
  frame.BuildProductOpers(lines);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].get_PROD_ID(), 69);
  EXPECT_EQ(lines[1].get_ACT_TYPE(), 3);
}

// 67 and its dependent 68 are chosen; a double click on 67 gives it the next
// cycle, which defers 68 as well. The rows' lines reach the server field by
// field.
TEST_F(ProdFrame, ChosenProductsBecomeOrderLinesOnTheWire) {
  Open();
  ASSERT_EQ(Load(), 1);
  frame.MergeUserProducts({UserProduct(63, 101, 7104, "S001")});
  zpgui::MessageLog messages;
  zpgui::ModalScript script;
  script.Then([](QDialog& d) {
    auto* list = d.findChild<QTreeWidget*>("lstvBusiProductEdit");
    ClickBox(d, 7);  // [68] brings [67]; 63 is there as its partner
    list->setCurrentItem(list->topLevelItem(6));
    list->topLevelItem(6)->setSelected(true);
    emit list->itemDoubleClicked(list->topLevelItem(6), 0);
    d.findChild<QPushButton*>("btnOk")->click();
  });
  script.Then([](QDialog& d) {  // validity of 67
    ASSERT_FALSE(d.findChild<QComboBox*>("cmbValidMode")->isHidden());
    d.findChild<QComboBox*>("cmbValidMode")->setCurrentIndex(1);
    d.findChild<QPushButton*>("btnOk")->click();
  });
  Button("btnAdd").click();
  EXPECT_EQ(script.Unexpected(), 0);
  EXPECT_TRUE(messages.Shown().empty());
  ASSERT_EQ(Column(cName), (std::vector<std::string>{"[61] 来电显示", "[63] 彩铃", "[67] 语音信箱", "[68] 留言提醒"}));
  EXPECT_EQ(Column(cValid), (std::vector<std::string>{"2027/01/01", "2025/03/01", "2027/01/01", "2027/01/01"}));

  MPublicDef::SMscFuncOperList lines;
  frame.BuildProductOpers(lines);
  Wiretap<MVasDesk::SSoUserServiceIn, MPublicDef::SCheckSoOut> checkSo(
      *world->dispatcher, MVasDesk::IVasDesk_check_so, [](auto&, auto&, auto&) { return std::int32_t{0}; });
  MVasDesk::IVasDesk client;
  ASSERT_EQ(client.bind_zpBroker("ZEPHYRON"), 0);
  MVasDesk::SSoUserServiceIn in;
  in.set_MSCFUNCOPERLIST(lines);
  MPublicDef::SCheckSoOut out;
  CBSErrorMsg err;
  ASSERT_EQ(client.check_so(in, out, err, nullptr), 0);
  client.unbind();
  ASSERT_EQ(checkSo.Count(), 1u);
  const auto& sent = checkSo.Last().get_MSCFUNCOPERLIST();
  ASSERT_EQ(sent.size(), 3u);  // the kept 63 is not a line
  struct {
    int id, serviceId;
    const char* property;
  } want[] = {{61, 7001, "1"}, {67, 7002, "1"}, {68, 7003, "1"}};
  for (std::size_t i = 0; i < 3; ++i) {
    const MPublicDef::SMscFuncOper& l = sent[i];
    EXPECT_EQ(l.get_PROD_ID(), want[i].id) << i;
    EXPECT_EQ(l.get_ACT_TYPE(), 1) << i;
    EXPECT_EQ(l.get_BUSI_TYPE(), 101) << i;
    EXPECT_EQ(l.get_PLAN_ID(), 8) << i;
    EXPECT_EQ(l.get_SERV_ID(), 9001) << i;
    EXPECT_EQ(l.get_REGION_CODE(), 571) << i;
    EXPECT_EQ(l.get_SERVICE_ID(), want[i].serviceId) << i;
    EXPECT_EQ(l.get_PROPERTY(), want[i].property) << i;
    EXPECT_EQ(l.get_FUNC_TYPE(), 0) << i;
    EXPECT_EQ(l.get_OPER_TYPE(), 1) << i;
    EXPECT_EQ(l.get_REMARK(), "") << i;
    // Every field travels with its presence bit.
    EXPECT_EQ(l.UsedMarker & 0xFFFF, 0xFFFFu) << i;
  }
}

TEST_F(ProdFrame, AdapterDrivesTheFrameForTheWorkspace) {
  Open();
  products::ProductFrameAdapter adapter;
  zp::workspace::ProductFrame& seam = adapter;
  zp::workspace::OfferContext c;
  c.busiType = 101;
  c.busiCode = 1302;
  c.subscriberRegion = 571;
  c.servId = 9001;
  c.planId = 8;
  c.opRegionCode = 573;
  c.opCountyCode = 2;
  c.orgId = 5730201;
  c.opId = 31;
  seam.LoadProductCatalogue(c);
  ASSERT_EQ(planProds->Count(), 1u);
  EXPECT_EQ(planProds->Last().get_PLAN_ID(), 8);
  seam.MergeUserProducts({UserProduct(62, 101, 7121)});
  EXPECT_EQ(seam.CountActiveProducts(), 2);
  MPublicDef::SMscFuncOperList lines(3);  // emptied first
  seam.BuildProductOpers(lines);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].get_PROD_ID(), 61);
  EXPECT_EQ(lines[0].get_SERV_ID(), 9001);
  EXPECT_EQ(lines[0].get_REGION_CODE(), 571);
  seam.ClearProducts();
  EXPECT_EQ(seam.CountActiveProducts(), 0);
  EXPECT_EQ(seam.Widget()->findChild<QTreeWidget*>("lstvBusiProduct")->topLevelItemCount(), 0);

  // On the workspace's page the frame goes with the page, whichever of the
  // two is destroyed first.
  auto page = std::make_unique<QWidget>();
  auto onPage = std::make_unique<products::ProductFrameAdapter>(page.get());
  EXPECT_EQ(onPage->Widget()->parent(), page.get());
  page.reset();
  EXPECT_EQ(onPage->Widget(), nullptr);
  onPage.reset();
}

}  // namespace
