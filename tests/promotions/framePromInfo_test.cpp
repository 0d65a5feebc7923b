// The promotion list frame against an in-process zpserver: the catalogue
// load with the region's switch, the seeded rows, the merge of the
// subscriber's promotions, deleting, the selection dialog's choice coming
// back, and the order lines as the server receives them.
#include "framePromInfo.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "MBusiPublic.h"
#include "MVasDesk.h"
#include "backend_world.h"
#include "busi_catalogue_service.h"
#include "formPromInfoEdit.h"
#include "gui_message.h"
#include "modal.h"
#include "prom_world.h"
#include "widget_driver.h"
#include "wiretap.h"

namespace {

using zp::store::Backend;
using zp::testing::BackendWorld;
using zp::testing::PromWorld;
using zp::testing::Wiretap;

enum Column { cName, cAction, cValid, cExpire, cCreate, cStatus, cType, cPara, cEntered };

MPublicDef::SSpromInfo UserProm(int id, const char* subscrParam, const char* para, int serviceId, int prior) {
  MPublicDef::SSpromInfo p;
  p.set_SPROM_ID(id);
  p.set_SUBSCR_PARAM(subscrParam);
  p.set_SPROM_PARA(para);
  p.set_SERVICE_ID(serviceId);
  p.set_SPROM_PRIOR(static_cast<std::int16_t>(prior));
  p.set_VALID_DATE(CBSDateTime::make(2025, 3, 1));
  p.set_EXPIRE_DATE(CBSDateTime::make(2026, 12, 31, 23, 59, 59));
  p.set_CREATE_DATE(CBSDateTime::make(2025, 2, 27, 9, 30, 5));
  return p;
}

class PromFrame : public ::testing::Test {
 protected:
  void Open(const std::string& flags = "0@0") {
    world = std::make_unique<BackendWorld>(Backend::sqlite, PromWorld(flags));
    catalogue = std::make_shared<zp::backend::BusiCatalogueService>(*world->db, [w = world.get()] { return w->clock; });
    planProms = std::make_unique<Wiretap<MBusiPublic::SCatalogueIn, MProductIntfApp::SSpromPlanMapList>>(
        *world->dispatcher, MBusiPublic::IBusiCatalogue_get_planSpromList,
        [c = catalogue](auto& in, auto& out, auto& err) { return c->get_planSpromList(in, out, err); });
  }
  // Region 571, subscriber 9001 on plan 7, Global Call opening (1302), operator 31.
  int Load(int busiType = 101) {
    return frame.LoadPromCatalogue(571, 9001, busiType, 7, 1302, 571, 1, 5710101, 31);
  }
  QTreeWidget& List() { return *frame.findChild<QTreeWidget*>("lvPromInfo"); }
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
  std::unique_ptr<Wiretap<MBusiPublic::SCatalogueIn, MProductIntfApp::SSpromPlanMapList>> planProms;
  TfrmePromInfo frame;
};

TEST_F(PromFrame, PermissionSwitchValues) {
  struct {
    const char* value;
    bool accepted;
    int popedom;
  } cases[] = {{"0@0", true, 0}, {"0@1", true, 0}, {"1@0", true, 1}, {"1@1", true, 1}, {"", true, 0},
               {"2@0", false},   {"1@", false},    {"10@1", false},   {"1-0", false}};
  for (const auto& c : cases) {
    Open(c.value);
    zpgui::MessageLog messages;
    const int result = frame.LoadPromCatalogue(571, 9001, 101, 7, 1302, 571, 1, 5710101, 31);
    if (c.accepted) {
      EXPECT_EQ(result, 1) << c.value;
      EXPECT_TRUE(messages.Shown().empty()) << c.value;
      ASSERT_EQ(planProms->Count(), 1u) << c.value;
      EXPECT_EQ(planProms->Last().get_POPEDOM(), c.popedom) << c.value;
      EXPECT_EQ(planProms->Last().get_PLAN_ID(), 7) << c.value;
    } else {
      EXPECT_EQ(result, 0) << c.value;
      EXPECT_EQ(planProms->Count(), 0u) << c.value;
      ASSERT_EQ(messages.Shown().size(), 1u) << c.value;
      EXPECT_EQ(messages.Shown()[0], (zpgui::GUIMessage{"[PromPopedomValid]配置错误", "异常", 16})) << c.value;
      EXPECT_EQ(List().topLevelItemCount(), 0) << c.value;
    }
  }
}

TEST_F(PromFrame, SeedsMandatoryAndPreselectedPromotions) {
  Open();
  zpgui::MessageLog messages;
  ASSERT_EQ(Load(), 1);
  EXPECT_TRUE(messages.Shown().empty());
  EXPECT_EQ(Column(cName), (std::vector<std::string>{"[11] 月租八折", "[12] 保底30元"}));
  EXPECT_EQ(Column(cAction), (std::vector<std::string>{"新增", "新增"}));
  EXPECT_EQ(Column(cValid), (std::vector<std::string>{"2026/12/10", "2026/12/10"}));
  // -1 without cycles is open-ended; 12 cycles end on the first day after them.
  EXPECT_EQ(Column(cExpire), (std::vector<std::string>{"2030/12/31", "2027/12/01"}));
  EXPECT_EQ(Column(cStatus), (std::vector<std::string>{"必选", "可选"}));
  EXPECT_EQ(Column(cType), (std::vector<std::string>{"打折类促销", "最低消费限额类促销"}));
  EXPECT_EQ(Column(cPara), (std::vector<std::string>{"80", "30.00"}));
  EXPECT_EQ(frame.CountActiveProms(), 2);
  EXPECT_TRUE(Button("btnAdd").isEnabled());
  EXPECT_FALSE(Button("btnDelete").isEnabled());
}

TEST_F(PromFrame, NoBusinessTypeLoadsNothing) {
  Open();
  zpgui::MessageLog messages;
  EXPECT_EQ(frame.LoadPromCatalogue(571, 9001, 0, 7, 1302, 571, 1, 5710101, 31), 1);
  EXPECT_EQ(List().topLevelItemCount(), 0);
  EXPECT_TRUE(Button("btnAdd").isEnabled());
  EXPECT_FALSE(Button("btnModify").isEnabled());
  EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(PromFrame, MergeKeepsMandatorySeedsAndDropsOptionalOnes) {
  Open();
  ASSERT_EQ(Load(), 1);
  frame.MergeUserProms({UserProm(11, "2", "85", 1101, 1), UserProm(14, "", "", 1104, 4)});
  EXPECT_EQ(Column(cName), (std::vector<std::string>{"[11] 月租八折", "[14] 普通套餐"}));
  EXPECT_EQ(Column(cAction), (std::vector<std::string>{"原有", "原有"}));
  EXPECT_EQ(Column(cValid), (std::vector<std::string>{"2025/03/01", "2025/03/01"}));
  EXPECT_EQ(Column(cExpire), (std::vector<std::string>{"2026/12/31", "2026/12/31"}));
  EXPECT_EQ(Column(cCreate), (std::vector<std::string>{"2025/02/27 09:30:05", "2025/02/27 09:30:05"}));
  EXPECT_EQ(Column(cEntered), (std::vector<std::string>{"85", ""}));
  EXPECT_EQ(Column(cType), (std::vector<std::string>{"打折类促销", "普通促销"}));
  EXPECT_EQ(List().currentItem(), List().topLevelItem(0));
  EXPECT_TRUE(Button("btnDelete").isEnabled());
}

TEST_F(PromFrame, DeleteAddedRemovesExistingGreysMandatoryRefused) {
  Open();
  ASSERT_EQ(Load(), 1);
  frame.MergeUserProms({UserProm(14, "", "", 1104, 4)});
  // Rows: 11 seeded mandatory, 14 the subscriber's.
  ASSERT_EQ(Column(cName), (std::vector<std::string>{"[11] 月租八折", "[14] 普通套餐"}));
  {
    zpgui::MessageLog messages;
    Focus(0);
    Button("btnDelete").click();
    ASSERT_EQ(messages.Shown().size(), 1u);
    EXPECT_EQ(messages.Shown()[0], (zpgui::GUIMessage{"提示:对不起，您选择的记录为必选项！不能删除！", "提示", 64}));
  }
  {
    zpgui::MessageLog messages{zpgui::kAnswerNo};
    Focus(1);
    Button("btnDelete").click();
    ASSERT_EQ(messages.Shown().size(), 1u);
    EXPECT_EQ(messages.Shown()[0], (zpgui::GUIMessage{"您确认删除该记录[[14] 普通套餐]吗？", "确认操作", 292}));
    EXPECT_EQ(Column(cAction)[1], "原有");
  }
  {
    zpgui::MessageLog messages{zpgui::kAnswerYes};
    Focus(1);
    Button("btnDelete").click();
    EXPECT_EQ(Column(cAction), (std::vector<std::string>{"新增", "删除"}));
    EXPECT_EQ(List().topLevelItem(1)->foreground(cName).color(), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(frame.CountActiveProms(), 1);
    frame.lvPromInfoClick();
    EXPECT_FALSE(Button("btnDelete").isEnabled());  // already cancelled
  }
  // An added optional row: seeded 12 on a fresh load disappears when deleted.
  ASSERT_EQ(Load(), 1);
  frame.EnablePromEdit();
  {
    zpgui::MessageLog messages{zpgui::kAnswerYes};
    Focus(1);
    Button("btnDelete").click();
    EXPECT_EQ(Column(cName), (std::vector<std::string>{"[11] 月租八折"}));
  }
}

TEST_F(PromFrame, AllCancelledCountsNothing) {
  Open();
  ASSERT_EQ(Load(5), 1);  // by type: nothing seeded
  frame.MergeUserProms({UserProm(51, "", "", 1005, 1)});
  zpgui::MessageLog messages{zpgui::kAnswerYes};
  Focus(0);
  Button("btnDelete").click();
  EXPECT_EQ(Column(cAction), (std::vector<std::string>{"删除"}));
  EXPECT_EQ(frame.CountActiveProms(), 0);
}

// The operator checks 15 in the dialog (which brings its prerequisite 13
// with twelve cycles), enters nothing else and confirms; the frame's rows
// become the order's lines, and those reach the server field by field.
TEST_F(PromFrame, ChosenPromotionsBecomeOrderLinesOnTheWire) {
  Open();
  ASSERT_EQ(Load(), 1);
  frame.MergeUserProms({UserProm(14, "", "", 1104, 4)});
  frame.EnablePromEdit();
  zpgui::MessageLog messages;
  zpgui::ModalScript script;
  script.Then([](QDialog& d) {
    auto* list = d.findChild<QTreeWidget*>("lstvSpromInfo");
    QTreeWidgetItem* item = list->topLevelItem(4);  // [15]
    ASSERT_EQ(item->text(0).toStdString(), "[15] 减免附加包");
    item->setCheckState(0, Qt::Checked);
    emit list->itemClicked(item, 0);
    d.findChild<QPushButton*>("btnOK")->click();
  });
  Button("btnAdd").click();
  EXPECT_EQ(script.Unexpected(), 0);
  EXPECT_EQ(script.Shown(), (std::vector<std::string>{"TFRMPROMINFOEDIT"}));
  EXPECT_EQ(Column(cName), (std::vector<std::string>{"[11] 月租八折", "[14] 普通套餐", "[13] 减免5元", "[15] 减免附加包"}));
  EXPECT_EQ(Column(cAction), (std::vector<std::string>{"新增", "原有", "新增", "新增"}));
  // 13 was given twelve cycles on the way: it ends twelve months on.
  EXPECT_EQ(Column(cExpire)[2], "2027/12/01");
  EXPECT_EQ(Column(cExpire)[3], "2027/03/01");

  MPublicDef::SSpromOperList lines;
  frame.BuildPromOpers(lines);
  Wiretap<MVasDesk::SSoUserServiceIn, MPublicDef::SCheckSoOut> checkSo(
      *world->dispatcher, MVasDesk::IVasDesk_check_so, [](auto&, auto&, auto&) { return std::int32_t{0}; });
  MVasDesk::IVasDesk client;
  ASSERT_EQ(client.bind_zpBroker("ZEPHYRON"), 0);
  MVasDesk::SSoUserServiceIn in;
  in.set_SPROMOPERLIST(lines);
  MPublicDef::SCheckSoOut out;
  CBSErrorMsg err;
  ASSERT_EQ(client.check_so(in, out, err, nullptr), 0);
  client.unbind();
  ASSERT_EQ(checkSo.Count(), 1u);
  const auto& sent = checkSo.Last().get_SPROMOPERLIST();
  ASSERT_EQ(sent.size(), 3u);  // the kept 14 is not a line
  struct {
    int id, act, serviceId, prior;
    const char* expire;
  } want[] = {{11, 1, 1101, 1, ""}, {13, 1, 1103, 3, "2027-12-01 00:00:00"}, {15, 1, 1105, 5, ""}};
  // A fixed duration (15: three cycles, none chosen) leaves the end to the back end.
  for (std::size_t i = 0; i < 3; ++i) {
    const MPublicDef::SSpromOper& l = sent[i];
    EXPECT_EQ(l.get_SPROM_ID(), want[i].id);
    EXPECT_EQ(l.get_ACT_TYPE(), want[i].act);
    EXPECT_EQ(l.get_BUSI_TYPE(), 101);
    EXPECT_EQ(l.get_PLAN_ID(), 7);
    EXPECT_EQ(l.get_SERV_ID(), 9001);
    EXPECT_EQ(l.get_REGION_CODE(), 571);
    EXPECT_EQ(l.get_SERVICE_ID(), want[i].serviceId);
    EXPECT_EQ(l.get_SPROM_PRIOR(), want[i].prior);
    EXPECT_TRUE(l.get_VALID_DATE().isZero());
    EXPECT_EQ(l.get_EXPIRE_DATE().isZero() ? std::string() : l.get_EXPIRE_DATE().toString(), want[i].expire) << i;
    // Every field travels with its presence bit.
    EXPECT_EQ(l.UsedMarker & 0xFFFF, 0xFFFFu) << i;
  }
  // A cancellation of the business sends the kept 14 and the mandatory 11 is
  // not the subscriber's yet.
  MPublicDef::SSpromOperList cancel;
  frame.BuildPromCancelOpers(cancel);
  ASSERT_EQ(cancel.size(), 1u);
  EXPECT_EQ(cancel[0].get_SPROM_ID(), 14);
  EXPECT_EQ(cancel[0].get_ACT_TYPE(), 3);
}

TEST_F(PromFrame, CancelledDialogChangesNothing) {
  Open();
  ASSERT_EQ(Load(), 1);
  zpgui::ModalScript script;
  script.Then([](QDialog& d) {
    auto* list = d.findChild<QTreeWidget*>("lstvSpromInfo");
    QTreeWidgetItem* item = list->topLevelItem(1);
    item->setCheckState(0, Qt::Unchecked);
    emit list->itemClicked(item, 0);
    d.findChild<QPushButton*>("btnCancel")->click();
  });
  Button("btnAdd").click();
  EXPECT_EQ(Column(cName), (std::vector<std::string>{"[11] 月租八折", "[12] 保底30元"}));
  EXPECT_FALSE(Button("btnDelete").isEnabled());
}

TEST_F(PromFrame, UncheckingExistingCancelsItAndCheckingAgainKeepsIt) {
  Open();
  ASSERT_EQ(Load(), 1);
  frame.MergeUserProms({UserProm(14, "", "", 1104, 4)});
  for (const bool check : {false, true}) {
    zpgui::ModalScript script;
    script.Then([check](QDialog& d) {
      auto* list = d.findChild<QTreeWidget*>("lstvSpromInfo");
      QTreeWidgetItem* item = list->topLevelItem(3);  // [14]
      ASSERT_EQ(item->checkState(0), check ? Qt::Unchecked : Qt::Checked);
      item->setCheckState(0, check ? Qt::Checked : Qt::Unchecked);
      emit list->itemClicked(item, 0);
      EXPECT_EQ(item->text(10).toStdString(), check ? "原有" : "删除");
      d.findChild<QPushButton*>("btnOK")->click();
    });
    Button("btnModify").click();
    EXPECT_EQ(Column(cAction)[1], check ? "原有" : "删除");
  }
}

// A promotion the subscriber holds that the offer no longer lists (18 under
// plan 7, 59 among GPRS's) has no row in the dialog: the operator cannot
// uncheck it there, so confirming the dialog must not cancel it. The
// frame's delete button still cancels it.
TEST_F(PromFrame, HeldPromotionOutsideTheOfferSurvivesTheDialog) {
  struct {
    int busiType;
    int offered, outside;
    const char* outsideCaption;
  } cases[] = {{101, 14, 18, "18"}, {5, 51, 59, "59"}};
  for (const auto& c : cases) {
    Open();
    ASSERT_EQ(Load(c.busiType), 1);
    frame.MergeUserProms({UserProm(c.offered, "", "", 1104, 4), UserProm(c.outside, "", "", 1108, 8)});
    frame.EnablePromEdit();
    const std::vector<std::string> names = Column(cName);
    const int at = int(std::find(names.begin(), names.end(), c.outsideCaption) - names.begin());
    ASSERT_LT(at, int(names.size())) << c.busiType;
    zpgui::MessageLog messages;
    zpgui::ModalScript script;
    script.Then([](QDialog& d) { d.findChild<QPushButton*>("btnOK")->click(); });
    Button("btnAdd").click();
    EXPECT_EQ(script.Unexpected(), 0);
    EXPECT_EQ(Column(cAction)[at], "原有") << c.busiType;
    MPublicDef::SSpromOperList lines;
    frame.BuildPromOpers(lines);
    for (const auto& l : lines) EXPECT_NE(l.get_SPROM_ID(), c.outside) << c.busiType;

    messages.Answer(zpgui::kAnswerYes);
    Focus(at);
    Button("btnDelete").click();
    EXPECT_EQ(Column(cAction)[at], "删除") << c.busiType;
    lines.clear();
    frame.BuildPromOpers(lines);
    ASSERT_FALSE(lines.empty()) << c.busiType;
    EXPECT_EQ(lines.back().get_SPROM_ID(), c.outside) << c.busiType;
    EXPECT_EQ(lines.back().get_ACT_TYPE(), 3) << c.busiType;
  }
}

}  // namespace

namespace {

// Every failed step of the load is told once, with the failed call's texts,
// and leaves an empty list.
TEST_F(PromFrame, LoadFailuresAreToldOnceAndLeaveNothing) {
  struct {
    const char* name;
    const zpd_operation* op;
    int busiType;
    const char* start;  // the message begins so
    const char* caption;
    int flags;
  } cases[] = {
      {"flags", &MSysmgntDef::ISysmgntPublic_get_sysParaValue, 101, "取系统促销列表权限控制参数[PromPopedomValid]出错[",
       "异常", 64},
      {"business type", &MBusiPublic::IBusiCatalogue_get_busiType, 101,
       "异常:调用后台服务<productintf>取业务类型busiType信息服务失败!,\n[", "异常", 64},
      {"plan-bound list", &MBusiPublic::IBusiCatalogue_get_planSpromList, 101,
       "调用后台服务<productintf>获得(计划内)促销列表失败!\n错误[", "异常", 64},
      {"list by type", &MBusiPublic::IBusiCatalogue_get_busiPromList, 5, "调用后台服务获得促销列表(计划外)失败!\n错误[",
       "异常", 64},
      {"unknown business type", nullptr, 999, "提示:后台参数表cp.pm_busi_type_def没有配置本业务类型（999），请配置!", "提示",
       64},
  };
  for (const auto& c : cases) {
    Open();
    if (c.op) world->fail(*c.op, {4711, 0, "故障注入", "后台暂时不可用"});
    zpgui::MessageLog messages;
    EXPECT_EQ(Load(c.busiType), 0) << c.name;
    ASSERT_EQ(messages.Shown().size(), 1u) << c.name;
    const zpgui::GUIMessage& m = messages.Shown()[0];
    EXPECT_EQ(m.text.rfind(c.start, 0), 0u) << c.name << ": " << m.text;
    if (c.op) {
      EXPECT_NE(m.text.find("故障注入"), std::string::npos) << m.text;
      EXPECT_NE(m.text.find("后台暂时不可用"), std::string::npos) << m.text;
    }
    EXPECT_EQ(m.caption, c.caption) << c.name;
    EXPECT_EQ(m.flags, c.flags) << c.name;
    EXPECT_EQ(List().topLevelItemCount(), 0) << c.name;
    EXPECT_EQ(frame.CountActiveProms(), 0) << c.name;
  }
}

}  // namespace

namespace {

TEST_F(PromFrame, MovingThroughTheListByKeysFollowsTheCancelledRow) {
  Open();
  ASSERT_EQ(Load(), 1);
  frame.MergeUserProms({UserProm(14, "", "", 1104, 4)});
  {
    zpgui::MessageLog messages{zpgui::kAnswerYes};
    Focus(1);
    Button("btnDelete").click();
  }
  {
    // Pressed anyway (the workspace may enable it): told, nothing changes.
    zpgui::MessageLog messages;
    Button("btnDelete").setEnabled(true);
    Button("btnDelete").click();
    List().clearSelection();
    Button("btnDelete").click();
    ASSERT_EQ(messages.Shown().size(), 2u);
    EXPECT_EQ(messages.Shown()[0], (zpgui::GUIMessage{"提示:您选择的促销[[14] 普通套餐]已经是删除状态！", "提示", 64}));
    EXPECT_EQ(messages.Shown()[1], (zpgui::GUIMessage{"提示:请先选择要删除的促销记录！", "提示", 64}));
    EXPECT_EQ(Column(cAction), (std::vector<std::string>{"新增", "删除"}));
  }
  Focus(0);
  frame.lvPromInfoClick();
  EXPECT_TRUE(Button("btnDelete").isEnabled());
  zp::testing::SendKey(List(), Qt::Key_Down);
  ASSERT_EQ(List().currentItem(), List().topLevelItem(1));
  EXPECT_FALSE(Button("btnDelete").isEnabled());
  zp::testing::SendKey(List(), Qt::Key_Up);
  EXPECT_TRUE(Button("btnDelete").isEnabled());
}

// GPRS offers by type: the subscriber's 51 is merged as it stands, the
// dialog shows the offer as ordinary promotions and gives back the choice.
TEST_F(PromFrame, OfferByTypeRoundTripsThroughTheDialog) {
  Open();
  ASSERT_EQ(Load(5), 1);
  EXPECT_EQ(List().topLevelItemCount(), 0);  // nothing seeded by type
  frame.MergeUserProms({UserProm(51, "", "", 1005, 1)});
  EXPECT_EQ(Column(cName), (std::vector<std::string>{"[51] GPRS包月"}));
  // The cycle dialog comes up inside the selection dialog's step.
  zpgui::ModalScript outer;
  outer.Then([](QDialog& d) {
    auto* shown = d.findChild<QTreeWidget*>("lstvSpromInfo");
    EXPECT_EQ(shown->topLevelItemCount(), 2);
    EXPECT_EQ(shown->topLevelItem(0)->checkState(0), Qt::Checked);
    EXPECT_EQ(shown->topLevelItem(0)->text(10).toStdString(), "原有");
    EXPECT_EQ(shown->topLevelItem(0)->text(5).toStdString(), "");  // chosen cycles "0" is not shown by type
    EXPECT_EQ(shown->topLevelItem(0)->text(2).toStdString(), "下周期生效");
    EXPECT_EQ(shown->topLevelItem(1)->text(7).toStdString(), "普通促销");
    zpgui::ModalScript inner;
    inner.Then([](QDialog& c) {
      c.findChild<QLineEdit*>("edValidCycle")->setText("2");
      c.findChild<QPushButton*>("btnOK")->click();
    });
    auto* list = d.findChild<QTreeWidget*>("lstvSpromInfo");
    QTreeWidgetItem* item = list->topLevelItem(1);
    item->setCheckState(0, Qt::Checked);
    emit list->itemClicked(item, 0);
    EXPECT_EQ(inner.Shown(), (std::vector<std::string>{"frmValidCycle"}));
    d.findChild<QPushButton*>("btnOK")->click();
  });
  Button("btnModify").click();
  EXPECT_EQ(Column(cName), (std::vector<std::string>{"[51] GPRS包月", "[52] GPRS夜间包"}));
  EXPECT_EQ(Column(cExpire)[1], "2027/02/01");
  MPublicDef::SSpromOperList lines;
  frame.BuildPromOpers(lines);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].get_SPROM_ID(), 52);
  EXPECT_EQ(lines[0].get_PLAN_ID(), 0);  // no plan by type
  EXPECT_EQ(lines[0].get_BUSI_TYPE(), 5);
}

}  // namespace

namespace {

TEST_F(PromFrame, ColumnsButtonsAndTabOrder) {
  Open();
  EXPECT_EQ(frame.objectName(), "TFRMEPROMINFO");
  const std::vector<std::string> headers = {"促销名称", "操作", "生效时间", "失效时间", "创建时间",
                                            "状态", "促销类型", "促销参数", "用户输入促销参数"};
  ASSERT_EQ(List().columnCount(), 9);
  for (int c = cName; c <= cEntered; ++c)
    EXPECT_EQ(List().headerItem()->text(c).toStdString(), headers[c]) << c;
  EXPECT_EQ(List().columnWidth(cName), 150);
  EXPECT_EQ(List().columnWidth(cEntered), 110);
  EXPECT_TRUE(Button("btnAdd").text().isEmpty());
  EXPECT_FALSE(Button("btnModify").isVisibleTo(&frame));
  EXPECT_FALSE(Button("btnDelete").isEnabled());
  EXPECT_EQ(zp::testing::TabOrder(frame, {"lvPromInfo", "btnAdd", "btnModify", "btnDelete"}),
            (std::vector<std::string>{"lvPromInfo", "btnAdd", "btnModify", "btnDelete"}));
  frame.EnablePromEdit();
  EXPECT_EQ(List().palette().color(QPalette::Base), QColor(0xF1, 0xF9, 0xFF));
}

}  // namespace
