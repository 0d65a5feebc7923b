// The product selection dialog against an in-process zpserver: the rows of
// the offer, the check marks under the relation rules, the detail dialog for
// call forwarding, ring-back and validity, and what it hands back.
#include "formBusiProductEdit.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "MBusiDataMgnt.h"
#include "backend_world.h"
#include "gui_message.h"
#include "modal.h"
#include "prod_offer.h"
#include "prod_world.h"

namespace {

using zp::store::Backend;
using zp::testing::BackendWorld;
using zp::testing::ProdWorld;

enum Column { cName, cStatus, cAction, cValid, cExpire, cChosenValid, cType };
// Rows of plan 8 in the dialog.
enum Row { r61, r62, r63, r64, r65, r66, r67, r68 };

MPublicDef::SMscFuncInfo Carrier(int prodId, int busiType, int operType, const char* funcParam = "") {
  MPublicDef::SMscFuncInfo p;
  p.set_PROD_ID(prodId);
  p.set_BUSI_TYPE(busiType);
  p.set_OPER_TYPE(static_cast<std::int16_t>(operType));
  p.set_PROPERTY("0");
  p.set_FUNC_PARAM(funcParam);
  p.set_FUNC_TYPE(0);
  p.set_SERV_ID(operType == 1 ? 0 : 1);
  return p;
}

class ProdEdit : public ::testing::Test {
 protected:
  void SetUp() override { world = std::make_unique<BackendWorld>(Backend::sqlite, ProdWorld()); }

  // The dialog as the frame loads it, with the frame's rows (the seeded 61
  // and `current`).
  void Load(const MPublicDef::SMscFuncInfoList& current = {}) {
    ASSERT_EQ(offer.LoadProductCatalogue(101, 571, 31, 5730201, 2, 573, 1302, 8, 9001), 1);
    MPublicDef::SMscFuncInfoList rows = offer.CollectProductRows();
    for (const auto& c : current) rows.push_back(c);
    dialog = std::make_unique<TfrmBusiProductEdit>();
    dialog->LoadProducts(101, offer.MscCallServices(), offer.BusiTypes(), offer.RingList(), offer.Relations(),
                         offer.PlanProducts(), offer.MscCrbtServices());
    dialog->ApplyCurrentProducts(rows);
  }

  QTreeWidget& List() { return *dialog->findChild<QTreeWidget*>("lstvBusiProductEdit"); }
  QTreeWidgetItem& Item(int row) { return *List().topLevelItem(row); }
  std::string Cell(int row, int column) { return Item(row).text(column).toStdString(); }
  bool Checked(int row) { return Item(row).checkState(cName) == Qt::Checked; }
  std::vector<int> CheckedRows() {
    std::vector<int> out;
    for (int i = 0; i < List().topLevelItemCount(); ++i)
      if (Checked(i)) out.push_back(i);
    return out;
  }
  void ClickBox(int row) {
    Item(row).setCheckState(cName, Checked(row) ? Qt::Unchecked : Qt::Checked);
    emit List().itemClicked(&Item(row), cName);
  }
  void Select(int row) {
    List().setCurrentItem(&Item(row));
    Item(row).setSelected(true);
  }
  MPublicDef::SMscFuncOperList Chosen(int* result = nullptr) {
    MPublicDef::SMscFuncOperList out;
    const int r = dialog->GetSelection(out);
    if (result) *result = r;
    return out;
  }

  std::unique_ptr<BackendWorld> world;
  products::ProdOffer offer;
  std::unique_ptr<TfrmBusiProductEdit> dialog;
};

TEST_F(ProdEdit, RowsOfTheOffer) {
  Load();
  EXPECT_EQ(dialog->windowTitle().toStdString(), "产品信息");
  ASSERT_EQ(List().topLevelItemCount(), 8);
  // The dialog shows the offer's descriptions.
  EXPECT_EQ(Cell(r61, cName), "[61] 来电显示功能");
  EXPECT_EQ(Cell(r61, cStatus), "必选");
  EXPECT_EQ(Cell(r61, cAction), "新增");
  // SUBSCR_MOD 3 is a next-cycle product.
  EXPECT_EQ(Cell(r61, cValid), "下周期生效");
  EXPECT_EQ(Cell(r61, cChosenValid), "下周期生效");
  EXPECT_EQ(Cell(r63, cExpire), "下周期失效");
  EXPECT_EQ(Cell(r62, cExpire), "立即失效");
  EXPECT_EQ(Cell(r62, cStatus), "可选");
  EXPECT_EQ(Cell(r62, cAction), "");
  EXPECT_EQ(Cell(r62, cType), "[101] 全球呼");
  EXPECT_EQ(CheckedRows(), (std::vector<int>{r61}));
  EXPECT_EQ(Item(r61).foreground(cName).color(), QColor(255, 0, 0));
}

TEST_F(ProdEdit, MandatoryRowStaysCheckedAndRunsNoRule) {
  Load();
  zpgui::MessageLog messages;
  zpgui::ModalScript script;
  ClickBox(r61);
  EXPECT_TRUE(Checked(r61));
  EXPECT_EQ(Cell(r61, cAction), "新增");
  EXPECT_TRUE(messages.Shown().empty());
  EXPECT_TRUE(script.Shown().empty());
}

TEST_F(ProdEdit, SubscribersProductOfAnotherTypeCannotBeUnchecked) {
  Load({Carrier(62, 106, 2)});
  EXPECT_EQ(Cell(r62, cType), "[106] 呼叫转移");
  EXPECT_EQ(Cell(r62, cAction), "原有");
  ClickBox(r62);
  EXPECT_TRUE(Checked(r62));
  EXPECT_EQ(Cell(r62, cAction), "原有");
  // A key does nothing to it either.
  Select(r62);
  QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
  QCoreApplication::sendEvent(&List(), &space);
  EXPECT_TRUE(Checked(r62));
}

// Nor is it taken off with a product it depends on: unchecking that one is
// refused, and both stay the subscriber's.
TEST_F(ProdEdit, UncheckingStopsShortOfAnotherTypesProduct) {
  Load({Carrier(62, 101, 2), Carrier(64, 106, 2)});  // 64 requires 62
  zpgui::MessageLog messages;
  ClickBox(r62);
  ASSERT_EQ(messages.Shown().size(), 1u);
  EXPECT_EQ(messages.Shown()[0].text,
            "提示：您取消的产品的依赖项[[64] 无应答呼转]属于其他业务,不能在本业务中取消！请先在该业务中处理。");
  EXPECT_TRUE(Checked(r62));
  EXPECT_TRUE(Checked(r64));
  EXPECT_EQ(Cell(r62, cAction), "原有");
  EXPECT_EQ(Cell(r64, cAction), "原有");
}

TEST_F(ProdEdit, RingBackWithoutARingIsNotChosen) {
  Load();
  for (const int ring : {-1, 1}) {
    zpgui::ModalScript script;
    script.Then([ring](QDialog& d) {
      auto* songs = d.findChild<QComboBox*>("cmbSongId");
      ASSERT_FALSE(songs->isHidden());
      ASSERT_EQ(songs->count(), 2);  // the songs of the subscriber's region
      EXPECT_TRUE(d.findChild<QLineEdit*>("edPhone")->isHidden());
      songs->setCurrentIndex(ring);
      d.findChild<QPushButton*>("btnOk")->click();
    });
    ClickBox(r63);
    EXPECT_EQ(script.Shown(), (std::vector<std::string>{"frmShowDetail"}));
    if (ring < 0) {
      EXPECT_FALSE(Checked(r63));
      EXPECT_EQ(Cell(r63, cAction), "");
      EXPECT_EQ(Cell(r63, cName), "[63] 彩铃");
    } else {
      EXPECT_TRUE(Checked(r63));
      EXPECT_EQ(Cell(r63, cAction), "新增");
      EXPECT_EQ(Cell(r63, cName), "[63] 彩铃（S002）");
    }
  }
  const auto chosen = Chosen();
  ASSERT_EQ(chosen.size(), 2u);
  EXPECT_EQ(chosen[1].get_PROD_ID(), 63);
  EXPECT_EQ(chosen[1].get_FUNC_PARAM(), "S002");
  EXPECT_EQ(chosen[1].get_SERVICE_ID(), 7104);
}

// Without a ring to choose (the ring list could not be fetched) a ring-back
// product cannot be chosen: the clerk is told why and no detail dialog
// opens, instead of the product dropping off the selection without a word.
TEST_F(ProdEdit, RingBackWithoutARingListIsToldAndNotChosen) {
  world->fail(MBusiDataMgnt::IBusiDataMgnt_get_crbtsList, zp::testing::lostRequest());
  Load();
  ASSERT_TRUE(offer.RingList().empty());
  zpgui::MessageLog messages;
  zpgui::ModalScript script;
  script.Then([](QDialog& d) { FAIL() << "no ring to choose: " << d.objectName().toStdString(); });
  ClickBox(r63);
  EXPECT_TRUE(script.Shown().empty());
  ASSERT_EQ(messages.Shown().size(), 1u);
  EXPECT_EQ(messages.Shown()[0].text,
            "没有取到可选的彩铃铃声,无法选择产品[[63] 彩铃]。\n请稍后重新查询该用户再试;如仍没有铃声,请与系统管理员联系。");
  EXPECT_EQ(messages.Shown()[0].flags, 64);
  EXPECT_FALSE(Checked(r63));
  EXPECT_EQ(Cell(r63, cAction), "");
  const auto chosen = Chosen();
  ASSERT_EQ(chosen.size(), 1u);  // the mandatory 61 only
  EXPECT_EQ(chosen[0].get_PROD_ID(), 61);
}

TEST_F(ProdEdit, CallForwardingKeepsAnEmptyNumber) {
  Load();
  zpgui::ModalScript script;
  script.Then([](QDialog& d) {
    auto* phone = d.findChild<QLineEdit*>("edPhone");
    ASSERT_FALSE(phone->isHidden());
    EXPECT_TRUE(d.findChild<QComboBox*>("cmbSongId")->isHidden());
    phone->clear();
    d.findChild<QPushButton*>("btnOk")->click();
  });
  ClickBox(r62);
  EXPECT_EQ(script.Unexpected(), 0);
  EXPECT_TRUE(Checked(r62));
  EXPECT_EQ(Cell(r62, cAction), "新增");
  EXPECT_EQ(Cell(r62, cName), "[62] 无条件呼转");
  const auto chosen = Chosen();
  ASSERT_EQ(chosen.size(), 2u);
  EXPECT_EQ(chosen[1].get_PROD_ID(), 62);
  EXPECT_EQ(chosen[1].get_FUNC_PARAM(), "");
}

TEST_F(ProdEdit, CancelledDetailDialogLeavesTheProductUnchosenOrWithoutItsDetail) {
  Load();
  zpgui::ModalScript script;
  script.Then([](QDialog& d) { d.findChild<QPushButton*>("btnCancel")->click(); });
  ClickBox(r62);
  // Cancelling the number keeps the product as checked, without a number.
  EXPECT_TRUE(Checked(r62));
  EXPECT_EQ(Cell(r62, cName), "[62] 无条件呼转");
}

// A ring-back product is chosen with its ring or not at all: cancelling the
// ring's dialog, by a click or by the keyboard, leaves it unchosen and out of
// what the dialog hands back.
TEST_F(ProdEdit, CancelledRingDialogLeavesTheRingBackProductUnchosen) {
  for (const bool byKey : {false, true}) {
    Load();
    zpgui::MessageLog messages;
    zpgui::ModalScript script;
    script.Then([](QDialog& d) { d.findChild<QPushButton*>("btnCancel")->click(); });
    if (byKey) {
      Select(r63);
      QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
      QCoreApplication::sendEvent(&List(), &space);
    } else {
      ClickBox(r63);
    }
    EXPECT_EQ(script.Shown(), (std::vector<std::string>{"frmShowDetail"})) << byKey;
    EXPECT_FALSE(Checked(r63)) << byKey;
    EXPECT_EQ(Cell(r63, cAction), "") << byKey;
    EXPECT_EQ(Cell(r63, cName), "[63] 彩铃") << byKey;
    const auto chosen = Chosen();
    ASSERT_EQ(chosen.size(), 1u) << byKey;  // the mandatory 61 only
    EXPECT_EQ(chosen[0].get_PROD_ID(), 61) << byKey;
  }
}

TEST_F(ProdEdit, DoubleClickChoosesTheNextCycleAndDefersNewDependents) {
  Load();
  zpgui::ModalScript script;
  script.Then([](QDialog&) { FAIL() << "62 is brought as a prerequisite, not asked"; });
  ClickBox(r68);  // brings 67, which brings 62 (the first of its partners)
  EXPECT_EQ(CheckedRows(), (std::vector<int>{r61, r62, r67, r68}));
  EXPECT_EQ(Cell(r62, cAction), "新增");
  EXPECT_EQ(Cell(r67, cAction), "新增");

  zpgui::ModalScript validity;
  validity.Then([](QDialog& d) {
    auto* mode = d.findChild<QComboBox*>("cmbValidMode");
    ASSERT_FALSE(mode->isHidden());
    EXPECT_TRUE(d.findChild<QLineEdit*>("edPhone")->isHidden());
    EXPECT_EQ(mode->currentIndex(), 0);
    mode->setCurrentIndex(1);
    d.findChild<QPushButton*>("btnOk")->click();
  });
  Select(r67);
  emit List().itemDoubleClicked(&Item(r67), cName);
  EXPECT_EQ(validity.Shown(), (std::vector<std::string>{"frmShowDetail"}));
  EXPECT_EQ(Cell(r67, cChosenValid), "下周期生效");
  EXPECT_EQ(Cell(r68, cChosenValid), "下周期生效");
  EXPECT_EQ(Cell(r62, cChosenValid), "立即生效");  // a prerequisite, not a dependent
  const auto chosen = Chosen();
  std::vector<std::pair<int, int>> got;
  for (const auto& s : chosen) got.emplace_back(s.get_PROD_ID(), s.get_OPER_TYPE());
  EXPECT_EQ(got, (std::vector<std::pair<int, int>>{{61, 1}, {62, 0}, {67, 1}, {68, 1}}));
  // Not locked by a replacement: the frame's lock flag stays "0".
  EXPECT_EQ(chosen[2].get_PROPERTY(), "0");
}

TEST_F(ProdEdit, CheckingAProductThatExcludesAMandatoryOneIsRefused) {
  Load();
  zpgui::MessageLog messages;
  zpgui::ModalScript script;
  script.Then([](QDialog& d) {  // 66 is a call-forwarding product: its number first
    d.findChild<QLineEdit*>("edPhone")->setText("13900000003");
    d.findChild<QPushButton*>("btnOk")->click();
  });
  ClickBox(r66);
  EXPECT_EQ(script.Unexpected(), 0);
  ASSERT_EQ(messages.Shown().size(), 1u);
  EXPECT_EQ(messages.Shown()[0],
            (zpgui::GUIMessage{"提示：您选择的产品或依赖的产品和必选项[[61] 来电显示功能]有互斥关系！", "提示", 16}));
  // Refused whole: the number given on the way goes too.
  EXPECT_FALSE(Checked(r66));
  EXPECT_EQ(Cell(r66, cAction), "");
  EXPECT_EQ(Cell(r66, cName), "[66] 遇忙呼转");
  EXPECT_EQ(dialog->Selection().Rows()[r66].funcParam, "");
  EXPECT_TRUE(Checked(r61));
}

TEST_F(ProdEdit, HardPrerequisiteChainIsCheckedAndUncheckedToItsEnd) {
  Load({Carrier(63, 101, 2, "S001")});
  zpgui::ModalScript script;
  script.Then([](QDialog& d) { d.findChild<QPushButton*>("btnOk")->click(); });  // 65's number
  ClickBox(r65);
  EXPECT_EQ(CheckedRows(), (std::vector<int>{r61, r62, r63, r64, r65}));
  EXPECT_EQ(Cell(r64, cAction), "新增");
  EXPECT_EQ(Cell(r62, cAction), "新增");
  ClickBox(r67);  // 63 is present: no partner is brought
  EXPECT_EQ(CheckedRows(), (std::vector<int>{r61, r62, r63, r64, r65, r67}));

  zpgui::MessageLog messages;
  ClickBox(r62);
  // 64 and 65 go with it; 67 keeps 63.
  EXPECT_EQ(CheckedRows(), (std::vector<int>{r61, r63, r67}));
  EXPECT_EQ(Cell(r64, cAction), "");
  EXPECT_EQ(Cell(r65, cAction), "");
  ClickBox(r63);
  // Now 67 has no partner left; the subscriber's 63 is cancelled.
  EXPECT_EQ(CheckedRows(), (std::vector<int>{r61}));
  EXPECT_EQ(Cell(r63, cAction), "删除");
  EXPECT_TRUE(messages.Shown().empty());
}

// A relation table that comes back on itself (62 → 65 → 64 → 62) is refused
// by name, and every row the refused check touched is as it was.
TEST_F(ProdEdit, RelationCycleFromTheBackEndIsRefusedWhole) {
  world->db->transact(zp::store::Database::Intent::write, [](soci::session& sql) {
    sql << "INSERT INTO zp_prod_relation (plan_id, prod_id, pre_prod_id, relate_type, description) "
           "VALUES (8, 62, 65, 1, '')";
  });
  Load();
  zpgui::MessageLog messages;
  zpgui::ModalScript script;
  script.Then([](QDialog& d) {
    d.findChild<QLineEdit*>("edPhone")->setText("13900000004");
    d.findChild<QPushButton*>("btnOk")->click();
  });
  ClickBox(r64);
  ASSERT_EQ(messages.Shown().size(), 1u);
  EXPECT_EQ(messages.Shown()[0].text.rfind("提示：产品之间的关系配置成环[", 0), 0u) << messages.Shown()[0].text;
  EXPECT_NE(messages.Shown()[0].text.find("[64] 无应答呼转"), std::string::npos) << messages.Shown()[0].text;
  EXPECT_EQ(CheckedRows(), (std::vector<int>{r61}));
  for (int row : {r62, r64, r65}) EXPECT_EQ(Cell(row, cAction), "") << row;
  EXPECT_EQ(Cell(r64, cName), "[64] 无应答呼转");
}

TEST_F(ProdEdit, ResultCodesOfTheButtonsAndTheCloseBox) {
  struct {
    const char* how;
    int want;
  } cases[] = {{"ok", 1}, {"cancel", 2}, {"close", 0}};
  for (const auto& c : cases) {
    Load();
    const std::string how = c.how;
    if (how == "ok") dialog->findChild<QPushButton*>("btnOk")->click();
    else if (how == "cancel") dialog->findChild<QPushButton*>("btnCancel")->click();
    else dialog->reject();
    int result = -1;
    const auto chosen = Chosen(&result);
    EXPECT_EQ(result, c.want) << c.how;
    EXPECT_EQ(chosen.size(), 1u) << c.how;
  }
}

}  // namespace
