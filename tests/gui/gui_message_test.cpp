#include "gui_message.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include "gui_test_support.h"

using zpgui::GUIMessage;
using zpgui::MessageLog;

TEST(GUIMessage, LogRecordsEveryMessageInOrderAndAnswersQuestionsFromItsQueue) {
  MessageLog log{7, 6};
  EXPECT_EQ(ShowGUIMessage("证件号码不能为空！", "提示", 64), 1);
  EXPECT_EQ(ShowGUIMessage("证件号码格式不合法！是否继续？", "提示", 36), 7);
  EXPECT_EQ(ShowGUIMessage("调用后台服务获得服务商列表失败!\n错误[%s]\n[%s]请稍后再试!", "异常", 16, "E-17",
                           std::string("连接超时")),
            1);
  EXPECT_EQ(ShowGUIMessage("警告：您确认放弃打印报表吗?放弃之后将无法重新打印!", "确认操作", 292), 6);
  EXPECT_EQ(log.Unanswered(), 0);
  // Unforeseen questions get what Enter would give, and are counted.
  EXPECT_EQ(ShowGUIMessage("是否打印发票!", "提示", 292), 7);
  EXPECT_EQ(ShowGUIMessage("是否打印回执...!", "提示", 52), 6);
  EXPECT_EQ(log.Unanswered(), 2);

  const std::vector<GUIMessage> expected{
      {"证件号码不能为空！", "提示", 64},
      {"证件号码格式不合法！是否继续？", "提示", 36},
      {"调用后台服务获得服务商列表失败!\n错误[E-17]\n[连接超时]请稍后再试!", "异常", 16},
      {"警告：您确认放弃打印报表吗?放弃之后将无法重新打印!", "确认操作", 292},
      {"是否打印发票!", "提示", 292},
      {"是否打印回执...!", "提示", 52},
  };
  EXPECT_EQ(log.Shown(), expected);
}

TEST(GUIMessage, PatternsWithoutArgumentsAreShownAsTheyStand) {
  struct Case {
    std::string shown;
    std::string expected;
  };
  MessageLog log;
  const Case cases[] = {
      {"折扣比例：%", "折扣比例：%"},
      {"100%完成", "100%完成"},
      {"%s%d%n%%", "%s%d%n%%"},
      {"", ""},
  };
  for (const Case& c : cases) ShowGUIMessage(c.shown.c_str(), "提示", 64);
  // With arguments the pattern is a format, "%%" included.
  ShowGUIMessage("已完成%d%%,共%s条", "提示", 64, 50, "12");
  ShowGUIMessage("%lld分", "提示", 64, 1099511627776LL);
  ASSERT_EQ(log.Shown().size(), std::size(cases) + 2);
  for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(log.Shown()[i].text, cases[i].expected);
  EXPECT_EQ(log.Shown()[std::size(cases)].text, "已完成50%,共12条");
  EXPECT_EQ(log.Shown()[std::size(cases) + 1].text, "1099511627776分");
}

TEST(GUIMessage, SecondFormTakesTheCaptionAfterTheFlagsAndAddsTheSecondFlagWord) {
  MessageLog log{7};
  EXPECT_EQ(ShowGUIMessage("是否继续?", 32, "确认操作", 4), 7);
  EXPECT_EQ(ShowGUIMessage("号码[%s]", 64, "提示", 0, "57100000"), 1);
  const std::vector<GUIMessage> expected{{"是否继续?", "确认操作", 36}, {"号码[57100000]", "提示", 64}};
  EXPECT_EQ(log.Shown(), expected);
}

TEST(GUIMessage, InnerHandlerScopeWinsAndTheOuterComesBack) {
  MessageLog outer;
  {
    MessageLog inner{7};
    EXPECT_EQ(ShowGUIMessage("inner?", "提示", 36), 7);
    EXPECT_EQ(inner.Shown().size(), 1u);
  }
  ShowGUIMessage("outer", "提示", 64);
  ASSERT_EQ(outer.Shown().size(), 1u);
  EXPECT_EQ(outer.Shown()[0].text, "outer");
}

TEST(GUIMessage, ProductionBoxHasTheIconButtonsAndDefaultOfItsFlags) {
  struct Case {
    int flags;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton default_button;
    QMessageBox::StandardButton escape_button;
  };
  const Case cases[] = {
      {16, QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok},
      {64, QMessageBox::Information, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok},
      {36, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, QMessageBox::No},
      {52, QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, QMessageBox::No},
      {292, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No, QMessageBox::No},
      {33, QMessageBox::Question, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, QMessageBox::Cancel},
      {35 + 512, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
       QMessageBox::Cancel, QMessageBox::Cancel},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    const auto box = zpgui::BuildGUIMessageBox({"余额<不足>\n请核对", "提示", c.flags});
    EXPECT_EQ(box->icon(), c.icon);
    EXPECT_EQ(box->standardButtons(), c.buttons);
    ASSERT_NE(box->defaultButton(), nullptr);
    EXPECT_EQ(box->standardButton(box->defaultButton()), c.default_button);
    ASSERT_NE(box->escapeButton(), nullptr);
    EXPECT_EQ(box->standardButton(box->escapeButton()), c.escape_button);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("提示"));
    EXPECT_EQ(box->text(), QStringLiteral("余额<不足>\n请核对"));
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
  }
}

TEST(GUIMessage, ProductionAnswerIsTheButtonPressed) {
  struct Case {
    int flags;
    QMessageBox::StandardButton pressed;
    int answer;
  };
  const Case cases[] = {
      {64, QMessageBox::Ok, 1},  {36, QMessageBox::Yes, 6},   {36, QMessageBox::No, 7},
      {292, QMessageBox::Yes, 6}, {33, QMessageBox::Cancel, 2},
  };
  for (const Case& c : cases) {
    const auto box = zpgui::BuildGUIMessageBox({"?", "提示", c.flags});
    box->button(c.pressed)->click();
    EXPECT_EQ(zpgui::MessageBoxAnswer(*box), c.answer) << c.flags;
  }
  // Enter presses the default button; the test handler answers the same.
  for (int flags : {16, 64, 36, 52, 292, 33, 35, 35 + 256}) {
    const auto box = zpgui::BuildGUIMessageBox({"?", "提示", flags});
    box->defaultButton()->click();
    EXPECT_EQ(zpgui::MessageBoxAnswer(*box), zpgui::DefaultAnswer(flags)) << flags;
  }
}

TEST(GUIMessage, WithoutAHandlerTheOperatorAnswersARealMessageBox) {
  struct Case {
    int flags;
    QMessageBox::StandardButton pressed;
    int answer;
  };
  const Case cases[] = {{36, QMessageBox::No, 7}, {292, QMessageBox::Yes, 6}, {16, QMessageBox::Ok, 1}};
  for (const Case& c : cases) {
    QString title, text;
    WhenShown<QMessageBox>([&](QMessageBox& box) {
      title = box.windowTitle();
      text = box.text();
      box.button(c.pressed)->click();
    });
    EXPECT_EQ(ShowGUIMessage("号码[%s]已被占用,是否继续?", "确认操作", c.flags, "57100001"), c.answer) << c.flags;
    EXPECT_EQ(title, QStringLiteral("确认操作"));
    EXPECT_EQ(text, QStringLiteral("号码[57100001]已被占用,是否继续?"));
  }
}
