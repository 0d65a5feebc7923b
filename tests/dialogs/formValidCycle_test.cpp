#include "formValidCycle.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "gui_message.h"
#include "look.h"
#include "modal.h"
#include "widget_driver.h"

namespace {

using zp::testing::SendKey;
using zp::testing::Type;
using zp::testing::TabOrder;
using zp::testing::FocusOnShow;
using zp::testing::Items;

const zpgui::GUIMessage kEnterCycles{"提示：请您输入要使用的帐期数！", "提示", 64};
const zpgui::GUIMessage kCyclesAboveZero{"提示：输入的使用帐期数要大于0！", "提示", 64};

class ValidCycle : public ::testing::Test {
 protected:
  template <class W>
  W& Control(const char* name) {
    W* control = dialog.findChild<W*>(name);
    if (!control) throw std::runtime_error(std::string("no control ") + name);
    return *control;
  }
  QLineEdit& Cycles() { return Control<QLineEdit>("edValidCycle"); }
  QComboBox& Mode() { return Control<QComboBox>("cmbValidMode"); }
  void PressOK() { Control<QPushButton>("btnOK").click(); }

  // Shows the dialog modally with `operatorSteps` acting in it; the
  // dialog's result as ShowModal returns it.
  int Run(std::function<void()> operatorSteps) {
    zpgui::ModalScript script;
    script.Then([&](QDialog&) { operatorSteps(); });
    const int result = ShowModal(dialog);
    EXPECT_EQ(script.Unexpected(), 0);
    return result;
  }

  struct Result {
    int code;
    std::string cycles;
    int mode;
  };
  Result Read() {
    Result r{0, "untouched", -9};
    r.code = dialog.GetCycleInfo(r.cycles, r.mode);
    return r;
  }

  zpgui::MessageLog messages;
  TfrmValidCycle dialog;
};

}  // namespace

TEST_F(ValidCycle, ShowsItsControlsWithTheirCaptionsAndTabOrder) {
  EXPECT_EQ(FocusOnShow(dialog), "edValidCycle");
  EXPECT_EQ(dialog.objectName(), "frmValidCycle");
  EXPECT_EQ(dialog.windowTitle(), "输入");
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize()) << "the border is fixed";
  EXPECT_EQ(Control<QLabel>("lblExpire").text(), "请输入您要使用的帐期数：");
  EXPECT_EQ(Control<QLabel>("Label2").text(), "个月");
  EXPECT_EQ(Control<QLabel>("lblValid").text(), "请选择生效方式：");
  EXPECT_EQ(Cycles().maxLength(), 3);
  EXPECT_FALSE(Mode().isEditable()) << "a drop-down list, not a free text";
  EXPECT_EQ(Items(Mode()), (std::vector<std::string>{"[0] 立即生效", "[1] 下周期生效"}));
  EXPECT_TRUE(Control<QPushButton>("btnOK").isDefault()) << "Enter confirms";
  for (const char* name : {"btnOK", "btnCancel"}) {
    const auto& button = Control<QPushButton>(name);
    EXPECT_TRUE(button.text().isEmpty()) << name;
    EXPECT_FALSE(button.icon().isNull()) << name;
    EXPECT_FALSE(button.toolTip().isEmpty()) << name;
  }
  EXPECT_EQ(TabOrder(dialog, {"edValidCycle", "btnOK", "btnCancel", "cmbValidMode"}),
            (std::vector<std::string>{"edValidCycle", "btnOK", "btnCancel", "cmbValidMode"}));
  EXPECT_EQ(Read().code, 2) << "nothing confirmed before the operator acts";
}

TEST_F(ValidCycle, CyclesTakeDigitsOnlyWhetherTypedOrPasted) {
  dialog.SetCycleInfo("-2", "", 0, 0);
  Type(Cycles(), "a1-2 .");
  EXPECT_EQ(Cycles().text(), "12");
  SendKey(Cycles(), Qt::Key_Backspace, Qt::NoModifier, QString(QChar(8)));
  EXPECT_EQ(Cycles().text(), "1");
  Type(Cycles(), "2345");
  EXPECT_EQ(Cycles().text(), "123") << "three digits at most";

  Cycles().clear();
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setText("1x");
  SendKey(Cycles(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Cycles().text(), "") << "a paste with a non-digit goes in not at all";
  clipboard->setText("24");
  SendKey(Cycles(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Cycles().text(), "24");
}

// Cycles pasted whole or not at all: "1200" cut to the field's three digits
// ran the promotion for 120 months.
TEST_F(ValidCycle, CyclesTooLongForTheFieldAreNotPastedCutShort) {
  const struct {
    const char* before;
    bool selectAll;
    const char* clipboard;
    const char* after;
  } cases[] = {
      {"", false, "1200", ""},
      {"", false, "120", "120"},
      {"5", false, "12", "512"},
      {"5", false, "123", "5"},
      {"999", true, "36", "36"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.clipboard) + " onto " + c.before);
    TfrmValidCycle fresh;
    fresh.SetCycleInfo("-1", c.before, 0, 0);
    QLineEdit& cycles = *fresh.findChild<QLineEdit*>("edValidCycle");
    zp::testing::Paste(cycles, c.clipboard, c.selectAll);
    EXPECT_EQ(cycles.text().toStdString(), c.after);

    zpgui::ModalScript script;
    script.Then([&](QDialog& d) { d.findChild<QPushButton*>("btnOK")->click(); });
    ASSERT_EQ(ShowModal(fresh), 1);
    std::string typed = "untouched";
    int mode = -9;
    EXPECT_EQ(fresh.GetCycleInfo(typed, mode), 1);
    EXPECT_EQ(typed, c.after) << "no cycles cut short are confirmed";
  }
}

TEST_F(ValidCycle, CycleSettingAndLockLevelPrimeTheControls) {
  struct Case {
    const char* setting;
    const char* chosen;
    int lockLevel;
    int mode;
    const char* shownCycles;
    bool cyclesReadOnly;
    bool modeReadOnly;
    bool multiCycleOffered;
    const char* shownMode;
  } const cases[] = {
      {"-1", "5", 0, 1, "5", false, false, false, "[1] 下周期生效"},
      {"-2", "12", 1, 0, "12", false, true, false, "[0] 立即生效"},
      {"12", "12", 0, 0, "", true, false, false, "[0] 立即生效"},  // fixed: shown empty
      {"6", "", 1, 1, "", true, true, false, "[1] 下周期生效"},
      {"-1", "3", 2, 2, "3", false, true, true, "[2] 多周期生效"},
      {"-2", "1", 7, 0, "1", false, true, true, "[0] 立即生效"},
      {"-1", "", 1, 2, "", false, true, false, ""},  // a mode not on offer selects nothing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("setting ") + c.setting + ", lock " + std::to_string(c.lockLevel));
    TfrmValidCycle fresh;
    fresh.SetCycleInfo(c.setting, c.chosen, c.lockLevel, c.mode);
    auto& cycles = *fresh.findChild<QLineEdit*>("edValidCycle");
    auto& mode = *fresh.findChild<QComboBox*>("cmbValidMode");
    EXPECT_EQ(cycles.text().toStdString(), c.shownCycles);
    EXPECT_EQ(zpgui::IsReadOnly(&cycles), c.cyclesReadOnly);
    EXPECT_EQ(zpgui::IsReadOnly(&mode), c.modeReadOnly);
    EXPECT_EQ(mode.count(), c.multiCycleOffered ? 3 : 2);
    EXPECT_EQ(mode.currentText().toStdString(), c.shownMode);
  }
}

TEST_F(ValidCycle, LockLevelZeroMakesAModeListEditableAgain) {
  dialog.SetCycleInfo("-1", "", 1, 0);
  ASSERT_TRUE(zpgui::IsReadOnly(&Mode()));
  dialog.SetCycleInfo("-1", "", 0, 1);
  EXPECT_FALSE(zpgui::IsReadOnly(&Mode()));
  EXPECT_EQ(Mode().currentText(), "[1] 下周期生效");
}

TEST_F(ValidCycle, PrimedTwiceForMultiCycleOffersTheModeOnce) {
  dialog.SetCycleInfo("-1", "", 2, 2);
  dialog.SetCycleInfo("-1", "", 2, 2);
  EXPECT_EQ(Items(Mode()), (std::vector<std::string>{"[0] 立即生效", "[1] 下周期生效", "[2] 多周期生效"}));
}

TEST_F(ValidCycle, RequiredCyclesAreRefusedUntilAPositiveNumberIsTyped) {
  dialog.SetCycleInfo("-2", "", 0, 1);
  const int result = Run([&] {
    PressOK();
    ASSERT_TRUE(dialog.isVisible()) << "refused: the dialog stays open";
    EXPECT_EQ(dialog.focusWidget(), &Cycles());

    Type(Cycles(), "000");
    PressOK();
    ASSERT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.focusWidget(), &Cycles());
    EXPECT_EQ(Cycles().text(), "000") << "the operator's input stays in place";
    EXPECT_EQ(Read().code, 2) << "a refusal confirms nothing";

    Cycles().clear();
    Type(Cycles(), "12");
    PressOK();
  });
  EXPECT_EQ(messages.Shown(), (std::vector<zpgui::GUIMessage>{kEnterCycles, kCyclesAboveZero}));
  EXPECT_EQ(result, 1);
  const Result r = Read();
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.cycles, "12");
  EXPECT_EQ(r.mode, 1);
}

TEST_F(ValidCycle, OptionalAndFixedCyclesConfirmWithoutAskingAndGiveTheTextAsTyped) {
  struct Case {
    const char* setting;
    const char* chosen;
    const char* typed;
    const char* returned;
  } const cases[] = {
      {"-1", "", "", ""},      // may be left empty
      {"-1", "", "0", "0"},    // or be 0
      {"-1", "4", "", "4"},    // the cycles chosen so far stand
      {"-1", "", "007", "007"},  // not trimmed or rewritten
      {"12", "12", "", ""},    // fixed: the caller keeps its own value
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("setting ") + c.setting + ", typed " + c.typed);
    TfrmValidCycle fresh;
    fresh.SetCycleInfo(c.setting, c.chosen, 2, 2);
    auto& cycles = *fresh.findChild<QLineEdit*>("edValidCycle");
    zpgui::ModalScript script;
    script.Then([&](QDialog&) {
      Type(cycles, c.typed);
      fresh.findChild<QPushButton*>("btnOK")->click();
    });
    EXPECT_EQ(ShowModal(fresh), 1);
    std::string returned = "untouched";
    int mode = -1;
    EXPECT_EQ(fresh.GetCycleInfo(returned, mode), 1);
    EXPECT_EQ(returned, c.returned);
    EXPECT_EQ(mode, 2);
  }
  EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(ValidCycle, EnterInTheCyclesConfirmsThroughTheSameChecks) {
  dialog.SetCycleInfo("-2", "", 0, 0);
  const int result = Run([&] {
    SendKey(Cycles(), Qt::Key_Return);
    ASSERT_TRUE(dialog.isVisible());
    Type(Cycles(), "3");
    SendKey(Cycles(), Qt::Key_Return);
  });
  EXPECT_EQ(messages.Shown(), std::vector<zpgui::GUIMessage>{kEnterCycles});
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Read().cycles, "3");
}

TEST_F(ValidCycle, CancelEscapeAndTheCloseBoxGiveNothingBack) {
  const std::vector<std::pair<const char*, std::function<void(TfrmValidCycle&)>>> ways{
      {"cancel button", [](TfrmValidCycle& d) { d.findChild<QPushButton*>("btnCancel")->click(); }},
      {"Escape", [](TfrmValidCycle& d) { SendKey(*d.findChild<QLineEdit*>("edValidCycle"), Qt::Key_Escape); }},
      {"close box", [](TfrmValidCycle& d) { d.close(); }},
      {"left open", [](TfrmValidCycle&) {}},  // the script closes it as by the close box
  };
  for (const auto& [how, act] : ways) {
    SCOPED_TRACE(how);
    TfrmValidCycle fresh;
    fresh.SetCycleInfo("-2", "", 0, 0);
    zpgui::ModalScript script;
    script.Then([&](QDialog&) {
      Type(*fresh.findChild<QLineEdit*>("edValidCycle"), "5");
      act(fresh);
    });
    EXPECT_EQ(ShowModal(fresh), 2);
    std::string cycles;
    int mode = -1;
    EXPECT_EQ(fresh.GetCycleInfo(cycles, mode), 2);
    EXPECT_FALSE(fresh.isVisible());
  }
  EXPECT_TRUE(messages.Shown().empty()) << "leaving asks nothing";
}

TEST_F(ValidCycle, ARefusalFollowedByCancelStillGivesNothing) {
  dialog.SetCycleInfo("-2", "", 0, 0);
  const int result = Run([&] {
    PressOK();
    Control<QPushButton>("btnCancel").click();
  });
  EXPECT_EQ(result, 2);
  EXPECT_EQ(Read().code, 2);
  EXPECT_EQ(messages.Shown(), std::vector<zpgui::GUIMessage>{kEnterCycles});
}

TEST(ValidCycleWindow, OpensCentredOnTheMainWindow) {
  QWidget mainWindow;
  mainWindow.setGeometry(40, 60, 900, 700);
  mainWindow.show();
  TfrmValidCycle dialog(&mainWindow);
  const QPoint offset = dialog.geometry().center() - mainWindow.geometry().center();
  EXPECT_LE(offset.manhattanLength(), 2) << "off by " << offset.x() << ", " << offset.y();
}
