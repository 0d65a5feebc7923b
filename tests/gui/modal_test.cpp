#include "modal.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "gui_test_support.h"

#include <functional>

namespace {

// A dialog like the suite's: an edit, OK accepting, and a show handler.
class AmountDialog : public QDialog {
 public:
  AmountDialog() {
    setObjectName("formValidCycle");
    edit = new QLineEdit(this);
    edit->setObjectName("edValidCycle");
    ok = new QPushButton(this);
    ok->setObjectName("btnOK");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  }
  QLineEdit* edit;
  QPushButton* ok;
  int shown = 0;

 protected:
  void showEvent(QShowEvent* event) override {
    ++shown;
    QDialog::showEvent(event);
  }
};

}  // namespace

TEST(ShowModal, ScriptFillsTheDialogAndItsResultIsTheDialogs) {
  struct Case {
    const char* what;
    bool has_step;
    std::function<void(AmountDialog&)> step;
    int result;
    QString text;
  };
  const Case cases[] = {
      {"fill and press OK", true,
       [](AmountDialog& d) {
         d.edit->setText("12");
         d.ok->click();
       },
       QDialog::Accepted, "12"},
      {"done with its own code", true, [](AmountDialog& d) { d.done(2); }, 2, ""},
      {"left open: the close box cancels", true, [](AmountDialog& d) { d.edit->setText("3"); },
       QDialog::Rejected, "3"},
      {"no step at all", false, nullptr, QDialog::Rejected, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    zpgui::ModalScript script;
    bool visible_in_step = false;
    if (c.has_step) {
      script.Then([&](QDialog& d) {
        visible_in_step = d.isVisible();
        c.step(static_cast<AmountDialog&>(d));
      });
    }
    AmountDialog dialog;
    dialog.setResult(5);  // a stale result must not leak through
    EXPECT_EQ(ShowModal(dialog), c.result);
    EXPECT_EQ(dialog.edit->text(), c.text);
    EXPECT_EQ(dialog.shown, 1);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(visible_in_step, c.has_step);
    EXPECT_EQ(script.Unexpected(), c.has_step ? 0 : 1);
    EXPECT_EQ(script.Shown(), std::vector<std::string>{"formValidCycle"});
  }
}

TEST(ShowModal, StepsAreTakenInOrderAcrossDialogs) {
  zpgui::ModalScript script;
  script.Then([](QDialog& d) { d.accept(); });
  script.Then([](QDialog& d) { d.reject(); });
  AmountDialog first, second;
  second.setObjectName("FormAfterDate");
  EXPECT_EQ(ShowModal(first), QDialog::Accepted);
  EXPECT_EQ(ShowModal(second), QDialog::Rejected);
  EXPECT_EQ(script.Shown(), (std::vector<std::string>{"formValidCycle", "FormAfterDate"}));
  EXPECT_EQ(script.Unexpected(), 0);
}

TEST(ShowModal, WithoutAHandlerTheDialogRunsModally) {
  for (const int result : {int(QDialog::Accepted), int(QDialog::Rejected), 2}) {
    AmountDialog dialog;
    bool modal = false;
    WhenShown<QDialog>([&](QDialog& shown) {
      modal = shown.isModal() && QApplication::activeModalWidget() == &shown;
      shown.done(result);
    });
    EXPECT_EQ(ShowModal(dialog), result);
    EXPECT_TRUE(modal);
  }
}
