#include "FormAfterDate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "MSysmgntDef.h"
#include "backend_world.h"
#include "date_picker.h"
#include "gui_message.h"
#include "modal.h"
#include "scoped_env.h"
#include "wait_box.h"
#include "widget_driver.h"

using zp::store::Backend;
using zp::testing::BackendWorld;

namespace {

using zp::testing::TabOrder;
using zp::testing::FocusOnShow;

// Seconds of the server's clock (UTC) at 2026-12-10 00:00:00.
constexpr long long kServerMidnight = 1796860800;
constexpr long long kHour = 3600;
constexpr long long kDay = 24 * kHour;

const std::vector<std::string> kOneTimeFetch{"+正在取数据库时间...", "-"};

class AfterDate : public ::testing::Test {
 protected:
  template <class W>
  W& Control(const char* name) {
    W* control = dialog.findChild<W*>(name);
    if (!control) throw std::runtime_error(std::string("no control ") + name);
    return *control;
  }
  TFlatDateTimePicker& Picker() { return Control<TFlatDateTimePicker>("dtpAfterDate"); }
  void PressOk() { Control<QPushButton>("btnOk").click(); }

  int Run(std::function<void()> operatorSteps) {
    zpgui::ModalScript script;
    script.Then([&](QDialog&) { operatorSteps(); });
    const int result = ShowModal(dialog);
    EXPECT_EQ(script.Unexpected(), 0);
    return result;
  }

  BackendWorld world{Backend::sqlite, "{}"};
  zpgui::MessageLog messages;
  zpgui::WaitBoxLog waits;
  TfrmAfterInfo dialog;
};

}  // namespace

TEST_F(AfterDate, ShowsItsControlsWithTheirCaptionsAndTabOrder) {
  EXPECT_EQ(FocusOnShow(dialog), "dtpAfterDate");
  EXPECT_EQ(dialog.objectName(), "frmAfterInfo");
  EXPECT_EQ(dialog.windowTitle(), "补单时间选择");
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize()) << "the border is fixed";
  EXPECT_EQ(Control<QLabel>("Label1").text(), "补单时间：");
  EXPECT_EQ(Picker().displayFormat(), "yyyy/MM/dd");
  EXPECT_TRUE(Picker().calendarPopup());
  for (const char* name : {"btnOk", "btnCancle"}) {
    const auto& button = Control<QPushButton>(name);
    EXPECT_TRUE(button.text().isEmpty()) << name;
    EXPECT_FALSE(button.icon().isNull()) << name;
    EXPECT_FALSE(button.toolTip().isEmpty()) << name;
  }
  EXPECT_EQ(TabOrder(dialog, {"dtpAfterDate", "btnOk", "btnCancle"}),
            (std::vector<std::string>{"dtpAfterDate", "btnOk", "btnCancle"}));
  EXPECT_TRUE(waits.Events().empty()) << "the server is asked only on OK";
}

TEST_F(AfterDate, TheOfferedDayIsReadBackAtItsFirstSecond) {
  ASSERT_TRUE(dialog.SetAfterDate(CBSDateTime::make(2004, 7, 6, 15, 30, 12)));
  EXPECT_EQ(Picker().date(), QDate(2004, 7, 6));
  EXPECT_EQ(dialog.GetAfterDate(), CBSDateTime::make(2004, 7, 6));
  EXPECT_FALSE(dialog.SetAfterDate(CBSDateTime())) << "the zero value is no day";
  EXPECT_EQ(dialog.GetAfterDate(), CBSDateTime::make(2004, 7, 6)) << "unchanged";
}

TEST_F(AfterDate, AcceptsAnyDayUpToTheServersTime) {
  struct Case {
    const char* what;
    long long serverClock;
    CBSDateTime chosen;
  } const cases[] = {
      {"today, server at midnight", kServerMidnight, CBSDateTime::make(2026, 12, 10)},
      {"today, server mid-morning", kServerMidnight + 10 * kHour, CBSDateTime::make(2026, 12, 10)},
      {"today, server in the last second", kServerMidnight + kDay - 1, CBSDateTime::make(2026, 12, 10)},
      {"yesterday", kServerMidnight, CBSDateTime::make(2026, 12, 9)},
      {"years back", kServerMidnight, CBSDateTime::make(2004, 7, 6)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    world.clock = c.serverClock;
    TfrmAfterInfo fresh;
    ASSERT_TRUE(fresh.SetAfterDate(c.chosen));
    zpgui::WaitBoxLog fetches;
    zpgui::ModalScript script;
    script.Then([&](QDialog&) { fresh.findChild<QPushButton*>("btnOk")->click(); });
    EXPECT_EQ(ShowModal(fresh), 1);
    EXPECT_EQ(fresh.GetAfterDate(), c.chosen);
    EXPECT_EQ(fetches.Events(), kOneTimeFetch);
  }
  EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(AfterDate, ADayAfterTheServersTimeIsRefusedWithBothTimes) {
  struct Case {
    const char* what;
    long long serverClock;
    CBSDateTime chosen;
    const char* message;
  } const cases[] = {
      {"tomorrow", kServerMidnight + 10 * kHour, CBSDateTime::make(2026, 12, 11),
       "补单时间[2026/12/11 00:00:00]不能大于系统时间[2026/12/10 10:00:00]."},
      {"tomorrow, server in its last second", kServerMidnight + kDay - 1, CBSDateTime::make(2026, 12, 11),
       "补单时间[2026/12/11 00:00:00]不能大于系统时间[2026/12/10 23:59:59]."},
      // The workstation's today is still too late when the server is behind:
      // the server's clock is the one that counts.
      {"server a day behind", kServerMidnight - 2 * kHour, CBSDateTime::make(2026, 12, 10),
       "补单时间[2026/12/10 00:00:00]不能大于系统时间[2026/12/09 22:00:00]."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    world.clock = c.serverClock;
    zpgui::MessageLog refusals;
    zpgui::WaitBoxLog fetches;
    TfrmAfterInfo fresh;
    ASSERT_TRUE(fresh.SetAfterDate(c.chosen));
    auto* picker = fresh.findChild<TFlatDateTimePicker*>("dtpAfterDate");
    zpgui::ModalScript script;
    script.Then([&](QDialog&) {
      fresh.findChild<QPushButton*>("btnOk")->click();
      EXPECT_TRUE(fresh.isVisible()) << "refused: the dialog stays open";
      EXPECT_EQ(fresh.focusWidget(), picker);
      EXPECT_EQ(picker->Day(), c.chosen) << "the chosen day stays in place";
      fresh.findChild<QPushButton*>("btnCancle")->click();
    });
    EXPECT_EQ(ShowModal(fresh), 2);
    EXPECT_EQ(refusals.Shown(), (std::vector<zpgui::GUIMessage>{{c.message, "提示", 64}}));
    EXPECT_EQ(fetches.Events(), kOneTimeFetch);
  }
}

TEST_F(AfterDate, ARefusedDayCanBeCorrectedAndConfirmed) {
  world.clock = kServerMidnight + 10 * kHour;
  ASSERT_TRUE(dialog.SetAfterDate(CBSDateTime::make(2026, 12, 12)));
  const int result = Run([&] {
    PressOk();
    ASSERT_TRUE(dialog.isVisible());
    Picker().SetDay(CBSDateTime::make(2026, 12, 1));
    PressOk();
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(dialog.GetAfterDate(), CBSDateTime::make(2026, 12, 1));
  ASSERT_EQ(messages.Shown().size(), 1u);
  EXPECT_EQ(waits.Events(), (std::vector<std::string>{"+正在取数据库时间...", "-", "+正在取数据库时间...", "-"}));
}

TEST_F(AfterDate, AFailingTimeServiceIsReportedWithItsTwoTextsAndKeepsTheDialogOpen) {
  world.fail(MSysmgntDef::ISysmgntPublic_get_currentDate, zpd_fault{-7, 3, "第一段", "第二段"});
  ASSERT_TRUE(dialog.SetAfterDate(CBSDateTime::make(2026, 12, 1)));
  const int result = Run([&] {
    PressOk();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(waits.Depth(), 0) << "the wait box is gone before the message";
    // The service comes back: the same dialog now confirms.
    world.dispatcher->clear_faults();
    PressOk();
  });
  const std::vector<zpgui::GUIMessage> expected{{"取系统时间服务出错[第一段]\n[第二段]...!", "异常", 16}};
  EXPECT_EQ(messages.Shown(), expected) << "first text, then second text";
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(waits.Balanced());
}

TEST_F(AfterDate, AnUnreachableSystemServiceIsReportedAndTriedAgainOnTheNextPress) {
  auto nowhere = std::make_unique<zp::testing::ScopedEnv>("ZP_BROKER_ZEPHYRON", "inproc:no-such-world");
  ASSERT_TRUE(dialog.SetAfterDate(CBSDateTime::make(2026, 12, 1)));
  const int result = Run([&] {
    PressOk();
    EXPECT_TRUE(dialog.isVisible());
    nowhere.reset();  // the broker is back
    PressOk();
  });
  EXPECT_EQ(result, 1);
  ASSERT_EQ(messages.Shown().size(), 1u);
  const zpgui::GUIMessage& shown = messages.Shown()[0];
  EXPECT_EQ(shown.caption, "异常");
  EXPECT_EQ(shown.flags, 16);
  EXPECT_EQ(shown.text.rfind("取系统时间服务出错[", 0), 0u) << shown.text;
  EXPECT_EQ(shown.text.find("no error"), std::string::npos) << "the failure's own texts: " << shown.text;
  EXPECT_TRUE(waits.Balanced());
}

TEST_F(AfterDate, CancelEscapeAndTheCloseBoxAreACancelThatAsksNothing) {
  const std::vector<std::pair<const char*, std::function<void(TfrmAfterInfo&)>>> ways{
      {"cancel button", [](TfrmAfterInfo& d) { d.findChild<QPushButton*>("btnCancle")->click(); }},
      {"Escape",
       [](TfrmAfterInfo& d) {
         QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
         QCoreApplication::sendEvent(&d, &press);
       }},
      {"close box", [](TfrmAfterInfo& d) { d.close(); }},
  };
  for (const auto& [how, act] : ways) {
    SCOPED_TRACE(how);
    TfrmAfterInfo fresh;
    zpgui::ModalScript script;
    script.Then([&](QDialog&) { act(fresh); });
    const int result = ShowModal(fresh);
    EXPECT_NE(result, 1);
    EXPECT_EQ(result, 2);
    EXPECT_FALSE(fresh.isVisible());
  }
  EXPECT_TRUE(waits.Events().empty());
  EXPECT_TRUE(messages.Shown().empty());
}
