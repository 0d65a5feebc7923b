// A Global Call number from the demo pool, end to end: zpserver runs as its
// own process on SQLite with the demo data, the workspace talks to it over
// loopback, the operator picks a number in the number dialog, and the pool
// keeps it for that operator until the workspace closes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <string>

#include "CVasDesk.h"
#include "formVasDeskMain.h"
#include "gui_message.h"
#include "modal.h"
#include "operator_sign_in.h"
#include "scoped_env.h"
#include "server_process.h"

namespace {

// Demo operators of region 571, county 1: 1001 at the first counter and 1003
// at another.
constexpr int kFirstOperator = 1001, kFirstOrg = 5710101;
constexpr int kSecondOperator = 1003, kSecondOrg = 5710102;

MVasDesk::SResInfo number(const std::string& id) {
  MVasDesk::SResInfo r;
  r.set_RES_CODE(1);
  r.set_RES_ID(id);
  return r;
}

TEST(EndToEnd, ANumberPickedAtOneCounterIsHeldForItUntilItsWorkspaceCloses) {
  QTemporaryDir dir;
  zp::testing::ServerProcess server;
  ASSERT_TRUE(server.start({"--db", "sqlite:" + dir.filePath("demo.db").toStdString(), "--seed-demo", "--quiet"}));
  zp::testing::ScopedEnv broker("ZP_BROKER_ZEPHYRON", server.address());
  zpgui::MessageLog messages;

  // Two counters in one process take turns with the runtime's one session.
  const auto counter = [](int opId) {
    OperatorSignIn signedIn;
    std::string why;
    EXPECT_TRUE(SignInOperator(opId, "demo" + std::to_string(opId), signedIn, why)) << why;
  };
  struct SignedOut {
    ~SignedOut() { zpd_set_session({}); }
  } signedOut;
  counter(kFirstOperator);
  QPointer<TfrmVasDesk> desk = new TfrmVasDesk(nullptr);
  ASSERT_TRUE(desk->Init(0, 571, 1, kFirstOrg, kFirstOperator, {}));
  ASSERT_EQ(desk->busiType(), 101);

  // The operator narrows the pool to 571001xx (a hundred numbers, two
  // pages), pages on and picks the first number of the second page.
  std::string shown;
  {
    zpgui::ModalScript script;
    script.Then([&shown](QDialog& dialog) {
      dialog.findChild<QLineEdit*>("edStartIsdn")->setText("571001");
      QTest::mouseClick(dialog.findChild<QPushButton*>("btnQuery"), Qt::LeftButton);
      auto* grid = dialog.findChild<QTableWidget*>("sgIsdn");
      ASSERT_NE(grid->item(0, 0), nullptr);
      EXPECT_EQ(grid->item(0, 0)->text(), "57100100");
      QTest::mouseClick(dialog.findChild<QWidget*>("spbNextPage"), Qt::LeftButton);
      QTableWidgetItem* item = grid->item(0, 0);
      ASSERT_NE(item, nullptr);
      shown = item->text().toStdString();
      QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(item).center());
      QTest::mouseClick(dialog.findChild<QPushButton*>("btnOK"), Qt::LeftButton);
    });
    desk->btnSelIsdnClick();
    ASSERT_EQ(script.Unexpected(), 0);
  }
  EXPECT_EQ(shown, "57100150");
  EXPECT_EQ(desk->reservedNumber(), shown);

  // The second counter sees the number gone and cannot take it.
  {
    counter(kSecondOperator);
    CVasDesk other;
    ASSERT_TRUE(other.Init(1302, 571, 1, kSecondOrg, kSecondOperator));
    MVasDesk::SResInfoList free;
    ASSERT_TRUE(other.QueryResList(100, shown, shown, free));
    EXPECT_TRUE(free.empty());
    EXPECT_FALSE(other.SignRes(number(shown)));
    ASSERT_EQ(messages.Shown().size(), 1u);
    EXPECT_EQ(messages.Shown()[0].text.rfind("预占号码[" + shown + "]失败!", 0), 0u) << messages.Shown()[0].text;
  }

  // Closed without submitting: the number is back in the pool.
  counter(kFirstOperator);
  desk->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(desk.isNull());
  counter(kSecondOperator);
  CVasDesk other;
  ASSERT_TRUE(other.Init(1302, 571, 1, kSecondOrg, kSecondOperator));
  MVasDesk::SResInfoList free;
  ASSERT_TRUE(other.QueryResList(100, shown, shown, free));
  ASSERT_EQ(free.size(), 1u);
  EXPECT_TRUE(other.SignRes(number(shown)));
  EXPECT_TRUE(other.UnsignRes());
  EXPECT_EQ(messages.Shown().size(), 1u);
}

}  // namespace
