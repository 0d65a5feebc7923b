// The promotion selection dialog against an in-process zpserver: the rows of
// the offer, the check marks under the relation rules, the cycle dialog, the
// parameter entry within the operator's limits, and what it hands back.
#include "formPromInfoEdit.h"

#include <QComboBox>
#include <QEvent>
#include <QTest>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "MPrivmgnt.h"
#include "backend_world.h"
#include "edit_filters.h"
#include "formValidCycle.h"
#include "gui_message.h"
#include "modal.h"
#include "privilege_service.h"
#include "prom_offer.h"
#include "prom_world.h"
#include "widget_driver.h"
#include "wiretap.h"

namespace {

using zp::store::Backend;
using zp::testing::BackendWorld;
using zp::testing::PromWorld;
using zp::testing::Wiretap;

enum Column { cName, cStatus, cValid, cExpire, cCycles, cChosenCycles, cChosenValid, cType, cPara, cEntered, cAction };
// Rows of plan 7 in the dialog.
enum Row { r11, r12, r13, r14, r15, r16, r17 };

class PromEdit : public ::testing::Test {
 protected:
  void SetUp() override { world = std::make_unique<BackendWorld>(Backend::sqlite, PromWorld()); }

  // The dialog as the frame loads it for operator `opId` right after a
  // load: 11 and 12 seeded.
  void Load(int opId = 31) {
    world->signIn(opId);
    auto service = std::make_shared<zp::backend::PrivilegeService>(*world->db);
    privileges = std::make_unique<Wiretap<std::int32_t, MSysmgntDef::SPrivEntityList>>(
        *world->dispatcher, MPrivmgnt::IPrivelege_query_privelegeClassEntities,
        [service](auto& in, auto& out, auto& err) { return service->query_privelegeClassEntities(in, out, err); });
    ASSERT_EQ(offer.LoadPromCatalogue(571, 9001, 101, 7, 1302, 571, 1, 5710101, opId), 1);
    dialog = std::make_unique<TfrmPromInfoEdit>();
    dialog->LoadPlanCatalogue(offer.Catalogue(), offer.Relations(), opId, 5710101, 1302);
    dialog->ApplyCurrentProms(offer.CollectPromRows());
  }

  QTreeWidget& List() { return *dialog->findChild<QTreeWidget*>("lstvSpromInfo"); }
  QLineEdit& Para() { return *dialog->findChild<QLineEdit*>("edSpromPara"); }
  std::string Label(const char* name) { return dialog->findChild<QLabel*>(name)->text().toStdString(); }
  QTreeWidgetItem& Item(int row) { return *List().topLevelItem(row); }
  std::string Cell(int row, int column) { return Item(row).text(column).toStdString(); }
  bool Checked(int row) { return Item(row).checkState(cName) == Qt::Checked; }

  // A click on the row's check box: the list toggles the mark, then the
  // dialog's handler runs.
  void ClickBox(int row) {
    Item(row).setCheckState(cName, Checked(row) ? Qt::Unchecked : Qt::Checked);
    emit List().itemClicked(&Item(row), cName);
  }
  // A click on the row's text.
  void Click(int row) { emit List().itemClicked(&Item(row), cName); }
  // Types into the parameter box and leaves it.
  void Enter(const std::string& text) {
    Para().setText(QString::fromStdString(text));
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(&Para(), &out);
  }
  std::vector<int> CheckedRows() {
    std::vector<int> out;
    for (int i = 0; i < List().topLevelItemCount(); ++i)
      if (Checked(i)) out.push_back(i);
    return out;
  }

  std::unique_ptr<BackendWorld> world;
  std::unique_ptr<Wiretap<std::int32_t, MSysmgntDef::SPrivEntityList>> privileges;
  promotions::PromOffer offer;
  std::unique_ptr<TfrmPromInfoEdit> dialog;
};

TEST_F(PromEdit, ShowsTheOfferWithTheCurrentChoice) {
  Load();
  EXPECT_EQ(dialog->objectName(), "TFRMPROMINFOEDIT");
  EXPECT_EQ(dialog->windowTitle().toStdString(), "促销信息选择");
  const std::vector<std::string> headers = {"促销名称", "状态", "生效方式", "失效方式", "持续帐期数", "用户选择帐期数",
                                            "用户选择生效方式", "促销类型", "促销参数", "用户输入促销参数", "操作"};
  ASSERT_EQ(List().columnCount(), 11);
  for (int c = 0; c < 11; ++c) EXPECT_EQ(List().headerItem()->text(c).toStdString(), headers[c]);
  ASSERT_EQ(List().topLevelItemCount(), 7);
  EXPECT_EQ(Cell(r11, cStatus), "必选");
  EXPECT_EQ(Cell(r12, cStatus), "可选");
  EXPECT_EQ(Cell(r14, cValid), "2周期生效");  // 0202 under 1302 reads the second pair
  EXPECT_EQ(Cell(r12, cExpire), "下周期失效");
  EXPECT_EQ(Cell(r13, cCycles), "-2");
  EXPECT_EQ(Cell(r13, cType), "减免类促销");
  EXPECT_EQ(Cell(r13, cPara), "5.00");
  EXPECT_EQ(CheckedRows(), (std::vector<int>{r11, r12}));
  EXPECT_EQ(Cell(r11, cAction), "新增");
  EXPECT_EQ(Cell(r13, cAction), "");
  EXPECT_EQ(Item(r11).foreground(cName).color(), QColor(255, 0, 0));
  EXPECT_NE(Item(r13).foreground(cName).color(), QColor(255, 0, 0));
  EXPECT_TRUE(Para().isReadOnly());
  EXPECT_EQ(Label("lblSpromPara"), "促销参数：");
}

TEST_F(PromEdit, DiscountRatioWithinLimitAndRange) {
  Load();
  zpgui::MessageLog messages;
  Click(r11);  // mandatory: only its parameter entry
  EXPECT_TRUE(Checked(r11));
  ASSERT_FALSE(Para().isReadOnly());
  EXPECT_EQ(Para().text().toStdString(), "80");
  EXPECT_EQ(Label("lblSpromPara"), "折扣比例：");
  EXPECT_EQ(Label("lblType"), "%");
  EXPECT_EQ(Para().maxLength(), 3);
  EXPECT_FALSE(zpgui::PassesKeyFilter(Para(), "."));
  EXPECT_FALSE(zpgui::PassesKeyFilter(Para(), "a"));
  EXPECT_TRUE(zpgui::PassesKeyFilter(Para(), "9"));

  const zpgui::GUIMessage range{"提示:输入的折扣比例必须在[1--100]之间!", "提示", 64};
  const zpgui::GUIMessage below{"提示:您输入的比例小于了您能输入的最低比例值[80]!", "提示", 64};
  struct {
    const char* typed;
    const zpgui::GUIMessage* refusal;
    const char* entered;
  } cases[] = {{"0", &range, ""}, {"101", &range, ""}, {"79", &below, ""}, {"100", nullptr, "100"},
               {"80", nullptr, "80"}, {"101", &range, "80"}};
  for (const auto& c : cases) {
    const std::size_t before = messages.Shown().size();
    Enter(c.typed);
    if (c.refusal) {
      ASSERT_EQ(messages.Shown().size(), before + 1) << c.typed;
      EXPECT_EQ(messages.Shown().back(), *c.refusal) << c.typed;
    } else {
      EXPECT_EQ(messages.Shown().size(), before) << c.typed;
    }
    EXPECT_EQ(Cell(r11, cEntered), c.entered) << c.typed;
  }
  // The limit of a kind is asked once per dialog.
  Click(r11);
  ASSERT_EQ(privileges->Count(), 1u);
  EXPECT_EQ(privileges->Last(), 42);
}

TEST_F(PromEdit, AmountsWithinTheMostGenerousLimits) {
  Load();
  zpgui::MessageLog messages;
  zpgui::ModalScript script;
  script.Then([](QDialog& d) {
    d.findChild<QLineEdit*>("edValidCycle")->setText("3");
    d.findChild<QPushButton*>("btnOK")->click();
  });
  ClickBox(r13);  // reduction, cycles must be chosen
  EXPECT_EQ(script.Unexpected(), 0);
  EXPECT_TRUE(Checked(r13));
  EXPECT_EQ(Cell(r13, cChosenCycles), "3");
  EXPECT_EQ(Cell(r13, cAction), "新增");
  ASSERT_FALSE(Para().isReadOnly());
  EXPECT_EQ(Label("lblSpromPara"), "减免金额：");
  EXPECT_EQ(Label("lblType"), "元");
  EXPECT_EQ(Para().maxLength(), 8);
  EXPECT_EQ(Para().text().toStdString(), "5.00");
  Para().clear();
  EXPECT_TRUE(zpgui::PassesKeyFilter(Para(), "1.5"));
  EXPECT_FALSE(zpgui::PassesKeyFilter(Para(), "1%"));
  Enter("60");
  ASSERT_EQ(messages.Shown().size(), 1u);
  EXPECT_EQ(messages.Shown()[0], (zpgui::GUIMessage{"提示:您输入的金额大于了您能输入的最大减免金额值[50.00]!", "提示", 64}));
  EXPECT_EQ(Cell(r13, cEntered), "");
  Enter("50");
  EXPECT_EQ(Cell(r13, cEntered), "50.00");

  Click(r12);  // minimum consumption, pre-selected
  ASSERT_FALSE(Para().isReadOnly());
  EXPECT_EQ(Label("lblSpromPara"), "最低消费限额：");
  EXPECT_EQ(Para().text().toStdString(), "30.00");
  Enter("4.99");
  ASSERT_EQ(messages.Shown().size(), 2u);
  EXPECT_EQ(messages.Shown()[1], (zpgui::GUIMessage{"提示:您输入的金额低于了您能输入的最低限额值[5.00]", "提示", 64}));
  Enter("5");
  EXPECT_EQ(Cell(r12, cEntered), "5.00");

  std::vector<std::int32_t> classes;
  for (auto c : privileges->Seen()) classes.push_back(c);
  EXPECT_EQ(classes, (std::vector<std::int32_t>{43, 41}));
}

// The box takes each kind's length before its text: after a discount (three
// characters) an amount is shown whole, and leaving the box keeps it whole.
TEST_F(PromEdit, AmountAfterADiscountIsShownWhole) {
  Load();
  zpgui::MessageLog messages;
  Click(r11);
  ASSERT_EQ(Para().maxLength(), 3);
  Click(r12);
  EXPECT_EQ(Para().maxLength(), 8);
  EXPECT_EQ(Para().text().toStdString(), "30.00");
  Enter(Para().text().toStdString());
  EXPECT_EQ(Cell(r12, cEntered), "30.00");
  EXPECT_TRUE(messages.Shown().empty());
}

// Coming back to a promotion whose parameter the operator has entered, the
// box shows that parameter, not the catalogue's: leaving the box untouched
// keeps what was entered. Without an entered one it offers the catalogue's.
TEST_F(PromEdit, ParameterBoxShowsTheEnteredParameterWhenComingBack) {
  Load();
  zpgui::MessageLog messages;
  Click(r11);
  ASSERT_EQ(Para().text().toStdString(), "80");
  Enter("85");
  ASSERT_EQ(Cell(r11, cEntered), "85");
  Click(r12);
  EXPECT_EQ(Para().text().toStdString(), "30.00");
  Enter("40");
  Click(r11);
  EXPECT_EQ(Para().text().toStdString(), "85");
  Enter(Para().text().toStdString());
  Click(r12);
  EXPECT_EQ(Para().text().toStdString(), "40.00");
  Enter(Para().text().toStdString());
  EXPECT_TRUE(messages.Shown().empty());
  EXPECT_EQ(Cell(r11, cEntered), "85");
  EXPECT_EQ(Cell(r12, cEntered), "40.00");
  MProductIntfApp::SSpromPlanMapList chosen;
  dialog->GetSelection(chosen);
  ASSERT_EQ(chosen.size(), 2u);
  EXPECT_EQ(chosen[0].get_DESCRIPTION(), "85");
  EXPECT_EQ(chosen[1].get_DESCRIPTION(), "40.00");
}

TEST_F(PromEdit, NoLimitKeepsTheParameterReadOnly) {
  Load(32);
  zpgui::MessageLog messages;
  Click(r11);
  EXPECT_TRUE(Para().isReadOnly());
  Click(r12);
  EXPECT_TRUE(Para().isReadOnly());
  Click(r11);
  EXPECT_TRUE(Para().isReadOnly());
  EXPECT_TRUE(messages.Shown().empty());
  // Each kind asked once; the -2 is kept for the rest of the dialog.
  EXPECT_EQ(privileges->Count(), 2u);
  Enter("90");
  EXPECT_EQ(Cell(r11, cEntered), "");
}

TEST_F(PromEdit, CancellingTheCycleDialogLeavesTheMustChoosePromotionUnchosen) {
  Load();
  zpgui::ModalScript script;
  script.Then([](QDialog& d) { d.findChild<QPushButton*>("btnCancel")->click(); });
  ClickBox(r13);
  EXPECT_EQ(script.Shown(), (std::vector<std::string>{"frmValidCycle"}));
  EXPECT_FALSE(Checked(r13));
  EXPECT_EQ(Cell(r13, cAction), "");
  EXPECT_EQ(Cell(r13, cChosenCycles), "");
}

TEST_F(PromEdit, PrerequisiteThatMustChooseGetsTwelveWithoutAsking) {
  Load();
  zpgui::ModalScript script;
  ClickBox(r15);
  EXPECT_TRUE(script.Shown().empty());
  EXPECT_EQ(CheckedRows(), (std::vector<int>{r11, r12, r13, r15}));
  EXPECT_EQ(Cell(r13, cChosenCycles), "12");
  EXPECT_EQ(Cell(r13, cAction), "新增");
}

TEST_F(PromEdit, ExcludingTheMandatoryIsRefused) {
  Load();
  zpgui::MessageLog messages;
  ClickBox(r16);
  ASSERT_EQ(messages.Shown().size(), 1u);
  EXPECT_EQ(messages.Shown()[0],
            (zpgui::GUIMessage{"提示：您选择的促销或依赖的促销和必选项[[11] 月租八折]有互斥关系！", "提示", 16}));
  EXPECT_FALSE(Checked(r16));
  EXPECT_EQ(Cell(r16, cAction), "");
  EXPECT_EQ(CheckedRows(), (std::vector<int>{r11, r12}));
}

TEST_F(PromEdit, MandatoryStaysCheckedAndKeysToggleOthers) {
  Load();
  zpgui::MessageLog messages;
  const zpgui::GUIMessage stays{"提示:促销[[11] 月租八折]为必选项，不能取消选择！", "提示", 64};
  ClickBox(r11);
  EXPECT_TRUE(Checked(r11));
  ASSERT_EQ(messages.Shown().size(), 1u);
  EXPECT_EQ(messages.Shown()[0], stays);
  Click(r11);  // a click on its text only opens the parameter
  EXPECT_EQ(messages.Shown().size(), 1u);
  List().setCurrentItem(&Item(r14));
  Item(r14).setSelected(true);
  zp::testing::SendKey(List(), Qt::Key_Space);
  EXPECT_TRUE(Checked(r14));
  EXPECT_EQ(Cell(r14, cAction), "新增");
  zp::testing::SendKey(List(), Qt::Key_Return);
  EXPECT_FALSE(Checked(r14));
  EXPECT_EQ(Cell(r14, cAction), "");
  List().setCurrentItem(&Item(r11));
  zp::testing::SendKey(List(), Qt::Key_Space);
  EXPECT_TRUE(Checked(r11));
  ASSERT_EQ(messages.Shown().size(), 2u);
  EXPECT_EQ(messages.Shown()[1], stays);
}

TEST_F(PromEdit, UncheckingAnyOfPartnerKeepsTheDependentWhileAnotherIsThere) {
  Load();
  ClickBox(r17);  // any of 14 and 12: 12 is there, nothing else is checked
  EXPECT_EQ(CheckedRows(), (std::vector<int>{r11, r12, r17}));
  ClickBox(r14);
  ClickBox(r12);  // 14 still holds 17
  EXPECT_EQ(CheckedRows(), (std::vector<int>{r11, r14, r17}));
  ClickBox(r14);  // the last partner takes 17 along
  EXPECT_EQ(CheckedRows(), (std::vector<int>{r11}));
  EXPECT_EQ(Cell(r17, cAction), "");
}

TEST_F(PromEdit, CloseBoxCountsAsCancelAndOkHandsBackTheChecked) {
  Load();
  {
    zpgui::ModalScript script;
    script.Then([](QDialog&) {});  // left open: closed by its close box
    ShowModal(*dialog);
    MProductIntfApp::SSpromPlanMapList chosen;
    EXPECT_EQ(dialog->GetSelection(chosen), 2);
  }
  zpgui::ModalScript script;
  script.Then([](QDialog& d) { d.findChild<QPushButton*>("btnOK")->click(); });
  ShowModal(*dialog);
  MProductIntfApp::SSpromPlanMapList chosen;
  ASSERT_EQ(dialog->GetSelection(chosen), 1);
  ASSERT_EQ(chosen.size(), 2u);
  EXPECT_EQ(chosen[0].get_PROM_ID(), 11);
  EXPECT_EQ(chosen[0].get_MANDATORY(), 1);
  EXPECT_EQ(chosen[0].get_VALID_CYCLE(), -1);
  EXPECT_EQ(chosen[0].get_SUBSCR_PARAM(), "2");
  EXPECT_EQ(chosen[0].get_SERVICE_ID(), 1101);
  EXPECT_EQ(chosen[1].get_PROM_ID(), 12);
  EXPECT_EQ(chosen[1].get_MANDATORY(), 0);
  EXPECT_EQ(chosen[1].get_EXPIRE_MODE(), 1);
  EXPECT_EQ(chosen[1].get_SUBSCR_PARAM(), "1");
  EXPECT_EQ(chosen[1].get_PRIORITY(), 2);
  EXPECT_EQ(chosen[1].get_MIN_NUM(), 0);
}

}  // namespace

namespace {

TEST_F(PromEdit, FailedLimitQueriesAreToldAndKeepTheKindReadOnly) {
  struct {
    const zpd_operation* op;
    const char* start;
    const char* caption;
  } cases[] = {{&MPrivmgnt::IPrivelege_query_privelegeClassEntities, "根据权限类别取权限实体列表出错.\n[", "异常"},
               {&MSysmgntDef::ISysmgntPublic_check_operRight, "权限检查出错...!\n[", "错误"}};
  for (const auto& c : cases) {
    SetUp();
    Load();
    world->fail(*c.op, {4711, 0, "故障注入", "后台暂时不可用"});
    zpgui::MessageLog messages;
    Click(r11);
    Click(r11);
    ASSERT_EQ(messages.Shown().size(), 1u) << c.start;  // asked once, told once
    EXPECT_EQ(messages.Shown()[0].text.rfind(c.start, 0), 0u) << messages.Shown()[0].text;
    EXPECT_NE(messages.Shown()[0].text.find("后台暂时不可用"), std::string::npos);
    EXPECT_EQ(messages.Shown()[0].caption, c.caption);
    EXPECT_EQ(messages.Shown()[0].flags, 16);
    EXPECT_TRUE(Para().isReadOnly());
  }
}

}  // namespace

namespace {

TEST_F(PromEdit, DoubleClickAsksCyclesAndModeOfAnAddedPromotion) {
  Load();
  List().setCurrentItem(&Item(r11));
  Item(r11).setSelected(true);
  zpgui::ModalScript script;
  script.Then([](QDialog& d) {
    auto* mode = d.findChild<QComboBox*>("cmbValidMode");
    EXPECT_TRUE(mode->isEnabled());
    EXPECT_EQ(mode->count(), 2);  // lock level 0: immediate or next cycle
    mode->setCurrentIndex(1);
    d.findChild<QLineEdit*>("edValidCycle")->setText("4");
    d.findChild<QPushButton*>("btnOK")->click();
  });
  emit List().itemDoubleClicked(&Item(r11), cName);
  EXPECT_EQ(script.Shown(), (std::vector<std::string>{"frmValidCycle"}));
  EXPECT_EQ(Cell(r11, cChosenCycles), "4");
  EXPECT_EQ(Cell(r11, cChosenValid), "下周期生效");
  MProductIntfApp::SSpromPlanMapList chosen;
  dialog->GetSelection(chosen);
  ASSERT_FALSE(chosen.empty());
  EXPECT_EQ(chosen[0].get_MAX_NUM(), 4);
  EXPECT_EQ(chosen[0].get_MIN_NUM(), 1);
}

TEST_F(PromEdit, PressingBesideTheRowsClosesTheParameterEntry) {
  Load();
  dialog->show();
  Click(r11);
  ASSERT_FALSE(Para().isReadOnly());
  const QPoint below(5, List().viewport()->height() - 2);
  ASSERT_EQ(List().itemAt(below), nullptr);
  QTest::mousePress(List().viewport(), Qt::LeftButton, Qt::NoModifier, below);
  EXPECT_TRUE(Para().isReadOnly());
  EXPECT_EQ(Para().text().toStdString(), "");
  EXPECT_EQ(Label("lblSpromPara"), "促销参数：");
  EXPECT_EQ(CheckedRows(), (std::vector<int>{r11, r12}));
}

}  // namespace

namespace {

MProductIntfApp::SSpromPlanMap Offered(int id, const char* name) {
  MProductIntfApp::SSpromPlanMap e;
  e.set_PROM_ID(id);
  e.set_PROM_NAME(name);
  e.set_VALID_CYCLE(3);
  e.set_SPROM_PARA(-1);
  return e;
}

MProductIntfApp::SProductRelation Relation(int prod, int pre, int type) {
  MProductIntfApp::SProductRelation r;
  r.set_PROD_ID(prod);
  r.set_PRE_PROD_ID(pre);
  r.set_RELATE_TYPE(static_cast<std::int16_t>(type));
  return r;
}

// A back end that sends relations leading in a circle: the operator is told
// which promotions form it, and the list is as it was.
TEST(PromEditCycle, CycleInTheRelationsIsRefusedByName) {
  zpgui::MessageLog messages;
  TfrmPromInfoEdit dialog;
  dialog.LoadPlanCatalogue({Offered(21, "甲"), Offered(22, "乙"), Offered(23, "丙")},
                           {Relation(21, 22, 1), Relation(22, 23, 1), Relation(23, 21, 0)}, 31, 5710101, 1302);
  auto* list = dialog.findChild<QTreeWidget*>("lstvSpromInfo");
  QTreeWidgetItem* item = list->topLevelItem(0);
  item->setCheckState(0, Qt::Checked);
  emit list->itemClicked(item, 0);
  ASSERT_EQ(messages.Shown().size(), 1u);
  EXPECT_EQ(messages.Shown()[0].text,
            "提示：促销之间的关系配置成环[[21] 甲→[22] 乙→[23] 丙→[21] 甲]，本次操作不能办理！请联系管理员检查促销关系配置。");
  EXPECT_EQ(messages.Shown()[0].caption, "提示");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(list->topLevelItem(i)->checkState(0), Qt::Unchecked) << i;
    EXPECT_EQ(list->topLevelItem(i)->text(10).toStdString(), "") << i;
  }
}

}  // namespace
