#include "formBookItemSoFee.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "edit_filters.h"
#include "gui_message.h"
#include "look.h"
#include "modal.h"
#include "widget_driver.h"

namespace {

using zp::testing::SendKey;
using zp::testing::Type;

void LeaveField(QLineEdit& edit) {
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QCoreApplication::sendEvent(&edit, &out);
}

class BookItemSoFee : public ::testing::Test {
 protected:
  template <class W>
  W& Control(const char* name) {
    W* control = dialog.findChild<W*>(name);
    if (!control) throw std::runtime_error(std::string("no control ") + name);
    return *control;
  }
  QLineEdit& Edit(const char* name) { return Control<QLineEdit>(name); }
  QPushButton& Button(const char* name) { return Control<QPushButton>(name); }

  // Shows the dialog modally with `operatorSteps` acting in it.
  int Run(std::function<void()> operatorSteps) {
    zpgui::ModalScript script;
    script.Then([&](QDialog&) { operatorSteps(); });
    const int result = ShowModal(dialog);
    EXPECT_EQ(script.Unexpected(), 0);
    return result;
  }

  zpgui::MessageLog messages;
  TfrmBookItemSoFee dialog;
};

TEST_F(BookItemSoFee, ShowsTheFeeItemWithOnlyTheDiscountOpenToTyping) {
  dialog.SetFeeItem("[101] 功能费", "30.00", "5");
  Run([&] {
    EXPECT_EQ(dialog.windowTitle(), "优惠窗口");
    EXPECT_EQ(Edit("edBookItemId").text(), "[101] 功能费");
    EXPECT_EQ(Edit("edValue").text(), "30.00");
    EXPECT_EQ(Edit("edDiscount").text(), "5");
    EXPECT_TRUE(zpgui::IsReadOnly(&Edit("edBookItemId")));
    EXPECT_TRUE(zpgui::IsReadOnly(&Edit("edValue")));
    EXPECT_FALSE(zpgui::IsReadOnly(&Edit("edDiscount")));
    EXPECT_EQ(dialog.focusWidget(), &Edit("edDiscount"));
    EXPECT_EQ(Edit("edValue").maxLength(), 10);
    EXPECT_EQ(Edit("edDiscount").maxLength(), 10);
  });
}

TEST_F(BookItemSoFee, AnAmountDueLongerThanTheFieldIsNotCut) {
  // Cutting "123456789.00" to ten characters would hand back a tenth of it.
  dialog.SetFeeItem("[101] 功能费", "123456789.00", "0");
  EXPECT_EQ(dialog.GetValue(), "123456789.00");
  EXPECT_EQ(Run([&] {
              Edit("edDiscount").setText("1");
              Button("btnOK").click();
            }),
            1);
  EXPECT_EQ(dialog.GetValue(), "123456789.00");
}

TEST_F(BookItemSoFee, OkIsEnabledOnlyOnceAnAmountChanged) {
  EXPECT_FALSE(Button("btnOK").isEnabled());
  Edit("edRemark").setText("老客户");
  EXPECT_FALSE(Button("btnOK").isEnabled());
  Edit("edDiscount").setText("1");
  EXPECT_TRUE(Button("btnOK").isEnabled());

  TfrmBookItemSoFee second;
  EXPECT_FALSE(second.findChild<QPushButton*>("btnOK")->isEnabled());
  second.findChild<QLineEdit*>("edValue")->setText("3");
  EXPECT_TRUE(second.findChild<QPushButton*>("btnOK")->isEnabled());

  // The caller's filling counts as a change, even of texts already there.
  TfrmBookItemSoFee third;
  third.findChild<QLineEdit*>("edValue")->setText("30.00");
  third.findChild<QLineEdit*>("edDiscount")->setText("5");
  third.findChild<QPushButton*>("btnOK")->setEnabled(false);
  third.SetFeeItem("[101] 功能费", "30.00", "5");
  EXPECT_TRUE(third.findChild<QPushButton*>("btnOK")->isEnabled());
}

TEST_F(BookItemSoFee, OkChecksTheDiscountAgainstItsLimits) {
  const struct {
    const char* due;
    const char* discount;
    std::vector<zpgui::GUIMessage> shown;  // none: confirmed
  } cases[] = {
      {"30.00", "30.00", {}},
      {"30.00", "0.01", {}},
      {"30.00", "30.01", {{"优惠金额不能超过应付金额", "提示", 64}}},
      {"30.00", "0.00", {{"优惠金额不能为0", "提示", 64}}},
      {"30.00", "0.001", {{"优惠金额不能为0", "提示", 64}}},
      {"30.00", "-1", {{"优惠金额不能为负数", "提示", 64}}},
  };
  for (const auto& c : cases) {
    zpgui::MessageLog log;
    TfrmBookItemSoFee one;
    one.SetFeeItem("[101] 功能费", c.due, "0");
    bool stayedOpen = false;
    QWidget* focusAfter = nullptr;
    zpgui::ModalScript script;
    script.Then([&](QDialog& d) {
      d.findChild<QLineEdit*>("edDiscount")->setText(c.discount);
      d.findChild<QLineEdit*>("edRemark")->setFocus();
      d.findChild<QPushButton*>("btnOK")->click();
      stayedOpen = d.isVisible();
      focusAfter = d.focusWidget();
    });
    const int result = ShowModal(one);
    EXPECT_EQ(log.Shown(), c.shown) << c.discount;
    if (c.shown.empty()) {
      EXPECT_EQ(result, 1) << c.discount;
      EXPECT_EQ(one.GetDiscount(), c.discount);
    } else {
      EXPECT_TRUE(stayedOpen) << c.discount;
      EXPECT_EQ(focusAfter, one.findChild<QLineEdit*>("edDiscount")) << c.discount;
      EXPECT_EQ(result, 2) << "closed by its close box afterwards";
    }
  }
}

TEST_F(BookItemSoFee, ConfirmedDiscountAndReasonAreHandedBack) {
  dialog.SetFeeItem("[101] 功能费", "30.00", "0");
  EXPECT_EQ(Run([&] {
              Edit("edDiscount").setText("5.5");
              Edit("edRemark").setText("老客户优惠");
              Button("btnOK").click();
            }),
            1);
  EXPECT_EQ(dialog.GetDiscount(), "5.5");
  EXPECT_EQ(dialog.GetRemark(), "老客户优惠");
  EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(BookItemSoFee, CancelEscapeAndTheCloseBoxAllGiveTwo) {
  dialog.SetFeeItem("[101] 功能费", "30.00", "0");
  EXPECT_EQ(Run([&] { Button("btnCancel").click(); }), 2);
  EXPECT_EQ(Run([&] { SendKey(Edit("edDiscount"), Qt::Key_Escape); }), 2);
  EXPECT_EQ(Run([] {}), 2);
  EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(BookItemSoFee, AmountFieldsTakeDigitsPointAndEditingKeysOnly) {
  dialog.SetFeeItem("[101] 功能费", "30.00", "");
  Run([&] {
    QLineEdit& edit = Edit("edDiscount");
    edit.setFocus();
    Type(edit, "1a2-%'b.5+");
    EXPECT_EQ(edit.text(), "12.5");
    SendKey(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "12.");
    SendKey(edit, Qt::Key_A, Qt::ControlModifier);
    SendKey(edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "");
    SendKey(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "12.");
    // The amount due has the same filter although the operator cannot type there.
    EXPECT_FALSE(zpgui::PassesKeyFilter(Edit("edValue"), "1a"));
    EXPECT_TRUE(zpgui::PassesKeyFilter(Edit("edValue"), "1.5"));
    EXPECT_TRUE(zpgui::PassesKeyFilter(Edit("edRemark"), "老客户 a-1")) << "the reason is free text";
  });
}

TEST_F(BookItemSoFee, PastingIntoTheDiscountMustPassItsKeyFilter) {
  dialog.SetFeeItem("[101] 功能费", "30.00", "");
  Run([&] {
    QLineEdit& edit = Edit("edDiscount");
    edit.setFocus();
    QApplication::clipboard()->setText("-5元");
    SendKey(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "");
    QApplication::clipboard()->setText("5.50");
    SendKey(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "5.50");
  });
}

// An amount pasted whole or not at all: cut to the field's ten characters,
// "0000000012.5" was a discount of 12.00, and "34567890.5" pasted after
// "12" one of 1234567890.00.
TEST(BookItemSoFeePaste, ADiscountTooLongForTheFieldIsNotPastedCutShort) {
  const struct {
    const char* before;
    const char* clipboard;
    const char* after;
  } cases[] = {
      {"", "0000000012.5", ""},
      {"", "0000012.50", "0000012.50"},
      {"12", "34567890.5", "12"},
      {"12", "345.67", "12345.67"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.clipboard) + " onto " + c.before);
    zpgui::MessageLog messages;
    TfrmBookItemSoFee dialog;
    dialog.SetFeeItem("[101] 功能费", "99999.00", c.before);
    zpgui::ModalScript script;
    script.Then([&](QDialog& d) {
      QLineEdit& edit = *d.findChild<QLineEdit*>("edDiscount");
      edit.end(false);
      QApplication::clipboard()->setText(c.clipboard);
      SendKey(edit, Qt::Key_V, Qt::ControlModifier);
      EXPECT_EQ(edit.text().toStdString(), c.after);
      d.reject();
    });
    EXPECT_EQ(ShowModal(dialog), 2);
    EXPECT_EQ(dialog.GetDiscount(), c.after);
  }
}

TEST_F(BookItemSoFee, LeavingAnAmountWritesItWithTwoDecimals) {
  dialog.SetFeeItem("[101] 功能费", "30", "5");
  Run([&] {
    const std::pair<const char*, const char*> cases[] = {{"5", "5.00"}, {"5.5", "5.50"}, {".5", "0.50"},
                                                         {"", "0.00"},  {"1.2.3", "0.00"}};
    for (const auto& [typed, shown] : cases) {
      Edit("edDiscount").setText(typed);
      LeaveField(Edit("edDiscount"));
      EXPECT_EQ(Edit("edDiscount").text(), shown) << typed;
    }
    LeaveField(Edit("edValue"));
    EXPECT_EQ(Edit("edValue").text(), "30.00");
  });
}

TEST_F(BookItemSoFee, EnterMovesThroughTheControlsInTabOrder) {
  dialog.SetFeeItem("[101] 功能费", "30.00", "5");
  Run([&] {
    const char* chain[] = {"edBookItemId", "edValue", "edDiscount", "btnOK", "btnCancel", "edRemark", "edBookItemId"};
    Edit("edBookItemId").setFocus();
    for (std::size_t i = 0; i + 1 < std::size(chain); ++i) {
      QWidget* from = dialog.focusWidget();
      ASSERT_TRUE(from);
      ASSERT_EQ(from->objectName().toStdString(), chain[i]);
      SendKey(*from, Qt::Key_Return);
      EXPECT_TRUE(dialog.isVisible()) << "Enter on " << chain[i] << " pressed a button";
      EXPECT_EQ(dialog.focusWidget()->objectName().toStdString(), chain[i + 1]) << "Enter on " << chain[i];
    }
  });
}

}  // namespace
