#include "wait_box.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QPointer>
#include <QWidget>

#include <gtest/gtest.h>

TEST(WaitBox, LogRecordsOpenAndCloseInPairs) {
  zpgui::WaitBoxLog log;
  ShowWaitBox("处理中，请稍侯...");
  CloseWaitBox();
  {
    zpgui::WaitBox box("正在查询可用资源");
    EXPECT_EQ(log.Depth(), 1);
  }
  {
    zpgui::WaitBox box("正在取数据库时间...");
    box.Close();  // closed early on one path, not again at the end
  }
  EXPECT_EQ(log.Events(), (std::vector<std::string>{"+处理中，请稍侯...", "-", "+正在查询可用资源", "-",
                                                     "+正在取数据库时间...", "-"}));
  EXPECT_TRUE(log.Balanced());
}

TEST(WaitBox, LogTellsAnUnbalancedUse) {
  {
    zpgui::WaitBoxLog log;
    ShowWaitBox("a");
    EXPECT_FALSE(log.Balanced());
  }
  {
    zpgui::WaitBoxLog log;
    CloseWaitBox();
    ShowWaitBox("a");
    EXPECT_EQ(log.Depth(), 1);
    CloseWaitBox();
    EXPECT_FALSE(log.Balanced());  // the stray close is remembered
  }
}

TEST(WaitBox, ProductionBoxIsModelessFramelessAndNests) {
  ASSERT_EQ(zpgui::CurrentWaitBox(), nullptr);
  ShowWaitBox("处理中，请稍侯...");
  QWidget* box = zpgui::CurrentWaitBox();
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->isVisible());
  EXPECT_FALSE(box->isModal());
  EXPECT_TRUE(box->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(box->findChild<QLabel*>()->text(), QStringLiteral("处理中，请稍侯..."));
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);

  ShowWaitBox("正在查询可用资源");
  EXPECT_EQ(zpgui::CurrentWaitBox(), box);
  EXPECT_EQ(box->findChild<QLabel*>()->text(), QStringLiteral("正在查询可用资源"));
  CloseWaitBox();
  EXPECT_EQ(zpgui::CurrentWaitBox(), box);  // the outer call still waits
  EXPECT_NE(QApplication::overrideCursor(), nullptr) << "still waiting";
  CloseWaitBox();
  EXPECT_EQ(zpgui::CurrentWaitBox(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the pointer is given back once";
  CloseWaitBox();  // one too many does no harm
  EXPECT_EQ(zpgui::CurrentWaitBox(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// The box is kept for the next call: closed, it leaves the screen; opened
// again, the same window comes back with the new text; there is only ever
// one.
TEST(WaitBox, AClosedBoxLeavesTheScreenAndComesBackForTheNextCall) {
  const auto boxes = [] {
    int n = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (widget->objectName() == QLatin1String("zpWaitBox")) ++n;
    return n;
  };
  ShowWaitBox("处理中，请稍侯...");
  QPointer<QWidget> box = zpgui::CurrentWaitBox();
  ASSERT_TRUE(box);
  CloseWaitBox();
  ASSERT_TRUE(box) << "kept for the next call";
  EXPECT_FALSE(box->isVisible());
  for (int i = 0; i < 3; ++i) {
    ShowWaitBox("正在查询可用资源");
    EXPECT_EQ(zpgui::CurrentWaitBox(), box.data());
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->findChild<QLabel*>()->text(), QStringLiteral("正在查询可用资源"));
    CloseWaitBox();
    EXPECT_FALSE(box->isVisible());
  }
  EXPECT_EQ(boxes(), 1);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // A box deleted by someone else is made again by the next call; the call
  // it was open for still counts.
  ShowWaitBox("a");
  delete box.data();
  EXPECT_EQ(zpgui::CurrentWaitBox(), nullptr);
  ShowWaitBox("b");
  ASSERT_NE(zpgui::CurrentWaitBox(), nullptr);
  EXPECT_TRUE(zpgui::CurrentWaitBox()->isVisible());
  CloseWaitBox();
  EXPECT_NE(zpgui::CurrentWaitBox(), nullptr) << "the first call still waits";
  CloseWaitBox();
  EXPECT_EQ(zpgui::CurrentWaitBox(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the pointer is given back once";
}
