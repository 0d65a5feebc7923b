#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "MBusiPublic.h"
#include "backend_world.h"
#include "frameAgentInfo.h"
#include "gui_message.h"
#include "publicbusi_functions.h"
#include "scoped_env.h"

namespace {

using zp::store::Backend;
using zp::testing::BackendWorld;
using zpgui::GUIMessage;

// The region list does not start with the subscriber's region, so a frame
// that keeps the first item shows.
const char* kAgentWorld = R"json({
  "black_list": [{"reg_type": 1, "reg_nbr": "330102197003071231", "list_type": 1, "reason": "恶意欠费"},
                 {"reg_type": 1, "reg_nbr": "11010519491231002X", "list_type": 2, "reason": "多次拖欠"},
                 {"reg_type": 2, "reg_nbr": "91330100MA27X0001K", "list_type": 1, "reason": "吊销"},
                 {"reg_type": 1, "reg_nbr": "99999", "list_type": 1, "reason": "伪造证件"}],
  "code_lists": [{"list_no": 57, "code": 571, "name": "杭州"}, {"list_no": 57, "code": 572, "name": "湖州"},
                 {"list_no": 3, "code": 1, "name": "居民身份证"}, {"list_no": 3, "code": 2, "name": "营业执照"}]
})json";

const GUIMessage kEmpty{"证件号码不能为空！", "提示", 64};
const GUIMessage kBadFormat{"证件号码格式不合法！是否继续？", "提示", 36};
const GUIMessage kInitFailed{"营业公共服务初始化出错", "提示", 16};
const GUIMessage kCallFailed{"调用后台服务进行黑名单检查失败!", "异常", 16};
const GUIMessage kBlack{"该客户为黑名单客户,不允许受理!", "提示", 64};
const GUIMessage kGrey{"该客户为灰名单客户,是否继续?", "提示", 36};

std::vector<QWidget*> tabOrder(QWidget& root, const std::vector<QWidget*>& wanted) {
  std::vector<QWidget*> seen;
  for (QWidget* w = root.nextInFocusChain(); w && w != &root; w = w->nextInFocusChain())
    if (std::find(wanted.begin(), wanted.end(), w) != wanted.end()) seen.push_back(w);
  return seen;
}

class AgentFrame : public testing::Test {
 protected:
  void SetUp() override {
    ForgetCodeLists();
    world = std::make_unique<BackendWorld>(Backend::sqlite, kAgentWorld);
  }
  void TearDown() override { ForgetCodeLists(); }

  template <class T = QWidget>
  T* control(const char* name) {
    T* c = frame.findChild<T*>(name);
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
  QLineEdit* edit(const char* name) { return control<QLineEdit>(name); }
  QComboBox* combo(const char* name) { return control<QComboBox>(name); }
  std::string text(const char* name) { return edit(name)->text().toStdString(); }

  // The frame on screen with the document number focused, as the operator
  // has it before leaving the field.
  void showWithNumberFocused() {
    frame.show();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    edit("edRegNbr")->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), edit("edRegNbr"));
  }
  // Leaves the number as the operator does when the frame is on screen (by
  // moving on to the contact address), else runs the exit handler; then lets
  // the focus settle where the check sent it.
  void leaveNumber(const std::string& number, int regTypeIndex) {
    combo("cmbRegType")->setCurrentIndex(regTypeIndex);
    edit("edRegNbr")->setText(QString::fromStdString(number));
    if (frame.isVisible()) {
      edit("edRegNbr")->setFocus(Qt::TabFocusReason);
      QApplication::processEvents();
      edit("edLinkAddress")->setFocus(Qt::TabFocusReason);
    } else {
      frame.edRegNbrExit();
    }
    QApplication::processEvents();
  }

  std::unique_ptr<BackendWorld> world;
  // Answers for the operator should a check run that a test did not foresee
  // (a real box would wait for ever); outlives the frame.
  zpgui::MessageLog backstop;
  TfrmeAgenterInfo frame;
};

TEST_F(AgentFrame, LayoutHasTheNamedFieldsCaptionsLimitsAndTabOrder) {
  const struct {
    const char* label;
    const char* caption;
    const char* control;
    int maxLength;  // 0 for the lists
  } rows[] = {{"lblSoMen", "经 办 人：", "edSoMen", 64},
              {"lblRegionCode", "地    市：", "cmbRegionCode", 0},
              {"lblRegType", "证件类型：", "cmbRegType", 0},
              {"lblRegNbr", "证件号码：", "edRegNbr", 20},
              {"lblLinkAddress", "联系地址：", "edLinkAddress", 64},
              {"lblLinkPhone", "联系电话：", "edLinkPhone", 32},
              {"lblEMail", "E-Mail  ：", "edEMail", 32},
              {"lblRemark", "备    注：", "edRemark", 64},
              {"lblSoDesc", "经办描述：", "edSoDesc", 64}};
  std::vector<QWidget*> order;
  for (const auto& r : rows) {
    auto* label = control<QLabel>(r.label);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text().toStdString(), r.caption);
    EXPECT_EQ(label->buddy(), control(r.control)) << r.label;
    order.push_back(control(r.control));
    if (r.maxLength) {
      EXPECT_EQ(edit(r.control)->maxLength(), r.maxLength) << r.control;
    } else {
      EXPECT_TRUE(combo(r.control)->isEditable()) << r.control;
    }
  }
  EXPECT_EQ(tabOrder(frame, order), order);
}

TEST_F(AgentFrame, ExactlyTheFourMandatoryFieldsCarryAStar) {
  std::vector<std::string> marked;
  for (QLabel* label : frame.findChildren<QLabel*>())
    if (label->text() == "*" && label->buddy()) marked.push_back(label->buddy()->objectName().toStdString());
  std::sort(marked.begin(), marked.end());
  EXPECT_EQ(marked, (std::vector<std::string>{"cmbRegType", "cmbRegionCode", "edRegNbr", "edSoMen"}));
  for (QLabel* label : frame.findChildren<QLabel*>()) EXPECT_FALSE(label->text() == "*" && !label->buddy());
}

TEST_F(AgentFrame, KeyFiltersKeepOutWhatEachFieldCannotHold) {
  const struct {
    const char* field;
    const char* typed;
    const char* kept;
  } cases[] = {
      {"edRegNbr", "3301-02 19x@X", "330102", },
      {"edLinkPhone", "0571-8888 ab@", "0571-8888"},
      {"edEMail", "zhou ming@a@b.cn", "zhouming@ab.cn"},
      {"edSoMen", "Zhou Ming-1@", "Zhou Ming-1@"},  // no filter: anything goes
  };
  for (const auto& c : cases) {
    QLineEdit* e = edit(c.field);
    e->clear();
    QTest::keyClicks(e, QString::fromUtf8(c.typed));
    // The identity number field keeps letters too: the check character.
    if (std::string(c.field) != "edRegNbr") EXPECT_EQ(e->text().toStdString(), c.kept) << c.field;
  }
  EXPECT_EQ(text("edRegNbr"), "33010219xX");
  // A paste must meet the same filter, or it would let in what typing cannot.
  QApplication::clipboard()->setText("12 34");
  for (const char* f : {"edRegNbr", "edLinkPhone", "edEMail"}) {
    QLineEdit* e = edit(f);
    e->setText("9");
    QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(e->text().toStdString(), "9") << f;
  }
}

TEST_F(AgentFrame, ListsArePrimedAtTheSubscribersRegionAndTheFirstDocumentType) {
  frame.InitAgentLists(572);
  combo("cmbRegType")->setCurrentIndex(1);
  frame.InitAgentLists(572);
  EXPECT_EQ(combo("cmbRegionCode")->count(), 2);
  EXPECT_EQ(combo("cmbRegType")->count(), 2);
  EXPECT_EQ(combo("cmbRegionCode")->currentText().toStdString(), "[572] 湖州");
  EXPECT_EQ(combo("cmbRegType")->currentText().toStdString(), "[1] 居民身份证");
}

TEST_F(AgentFrame, AnUntouchedFrameReadsAsTheListCodesAndEmptyTexts) {
  frame.InitAgentLists(572);
  MPublicDef::SOperator agent;
  agent.set_SO_MAN("previous");
  frame.GetAgentInfo(agent);
  MPublicDef::SOperator expected;
  expected.set_REGION_CODE(572);
  expected.set_SO_MAN("");
  expected.set_REG_TYPE(1);
  expected.set_REG_NBR("");
  expected.set_ADDRESS("");
  expected.set_LINK_PHONE("");
  expected.set_EMAIL("");
  expected.set_SO_DESC("");
  expected.set_REMARK("");
  EXPECT_EQ(agent, expected);  // every presence bit too
}

TEST_F(AgentFrame, TheCustomerPrefillsTheAgentAndReadsBackTrimmed) {
  frame.InitAgentLists(571);
  edit("edSoDesc")->setText("本人办理");
  MPublicDef::SCustInfo cust;
  cust.set_REGION_CODE(572);
  cust.set_REG_TYPE(2);
  cust.set_CUST_NAME(" 周明 ");
  cust.set_REG_NBR("91330100MA27X0001K  ");
  cust.set_POST_ADDRESS("文三路1号 ");
  cust.set_LINK_PHONE(" 0571-88888888");
  cust.set_EMAIL("zhou@example.cn");
  cust.set_REMARK(" 老客户");
  frame.ShowAgentFromCust(cust);
  EXPECT_EQ(combo("cmbRegionCode")->currentText().toStdString(), "[572] 湖州");
  EXPECT_EQ(combo("cmbRegType")->currentText().toStdString(), "[2] 营业执照");
  EXPECT_EQ(text("edSoMen"), " 周明 ");
  EXPECT_EQ(text("edRegNbr"), "91330100MA27X0001K  ");
  EXPECT_EQ(text("edLinkAddress"), "文三路1号 ");
  EXPECT_EQ(text("edLinkPhone"), " 0571-88888888");
  EXPECT_EQ(text("edEMail"), "zhou@example.cn");
  EXPECT_EQ(text("edRemark"), " 老客户");
  EXPECT_EQ(text("edSoDesc"), "本人办理");

  edit("edSoDesc")->setText("  代办 ");
  MPublicDef::SOperator agent;
  frame.GetAgentInfo(agent);
  EXPECT_EQ(agent.get_REGION_CODE(), 572);
  EXPECT_EQ(agent.get_REG_TYPE(), 2);
  EXPECT_EQ(agent.get_SO_MAN(), "周明");
  EXPECT_EQ(agent.get_REG_NBR(), "91330100MA27X0001K");
  EXPECT_EQ(agent.get_ADDRESS(), "文三路1号");
  EXPECT_EQ(agent.get_LINK_PHONE(), "0571-88888888");
  EXPECT_EQ(agent.get_EMAIL(), "zhou@example.cn");
  EXPECT_EQ(agent.get_REMARK(), "老客户");
  EXPECT_EQ(agent.get_SO_DESC(), "代办");
}

TEST_F(AgentFrame, TheDocumentCheckAnswersLeadToTheirMessagesFocusAndNumber) {
  frame.InitAgentLists(571);
  const struct {
    const char* name;
    std::string number;
    int regTypeIndex;  // 0: code 1, the identity card; 1: code 2
    std::vector<int> answers;
    std::vector<GUIMessage> shown;
    const char* focus;
    std::string numberAfter;
  } cases[] = {
      {"blanks only", "   ", 0, {}, {kEmpty}, "cmbRegType", "   "},
      {"clear identity card", "110105198001010016", 0, {}, {}, "edLinkAddress", "110105198001010016"},
      {"malformed, No", "12345", 0, {7}, {kBadFormat}, "edRegNbr", "12345"},
      {"malformed, Yes", "12345", 0, {6}, {kBadFormat}, "edLinkAddress", "12345"},
      {"black", "330102197003071231", 0, {}, {kBlack}, "cmbRegType", ""},
      {"grey, Yes", "11010519491231002X", 0, {6}, {kGrey}, "edLinkAddress", "11010519491231002X"},
      {"grey, No", "11010519491231002X", 0, {7}, {kGrey}, "cmbRegType", ""},
      // Not an identity number, yet no format question: only code 1 is checked.
      {"other type black", "91330100MA27X0001K", 1, {}, {kBlack}, "cmbRegType", ""},
      {"other type clear", "ABC", 1, {}, {}, "edLinkAddress", "ABC"},
  };
  showWithNumberFocused();
  for (const auto& c : cases) {
    zpgui::MessageLog log;
    for (int a : c.answers) log.Answer(a);
    leaveNumber(c.number, c.regTypeIndex);
    EXPECT_EQ(log.Shown(), c.shown) << c.name;
    EXPECT_EQ(log.AnswersLeft(), 0u) << c.name;
    EXPECT_EQ(log.Unanswered(), 0) << c.name;
    EXPECT_EQ(QApplication::focusWidget(), control(c.focus)) << c.name;
    EXPECT_EQ(text("edRegNbr"), c.numberAfter) << c.name;
  }
}

TEST_F(AgentFrame, AMalformedNumberGoesOnToTheListsOnlyWhenTheOperatorSaysYes) {
  // A malformed number that is black-listed shows which way the answer went.
  frame.InitAgentLists(571);
  {
    zpgui::MessageLog log{7};
    leaveNumber("99999", 0);
    EXPECT_EQ(log.Shown(), std::vector<GUIMessage>{kBadFormat});
    EXPECT_EQ(text("edRegNbr"), "99999");
  }
  {
    zpgui::MessageLog log{6};
    leaveNumber("99999", 0);
    EXPECT_EQ(log.Shown(), (std::vector<GUIMessage>{kBadFormat, kBlack}));
    EXPECT_EQ(text("edRegNbr"), "");
  }
}

TEST_F(AgentFrame, AFailedListCallIsReportedAndClearsNothing) {
  world->fail(MBusiPublic::IBusiPublic_check_blackCust, {4711, 3, "故障注入", "后台暂时不可用"});
  frame.InitAgentLists(571);
  showWithNumberFocused();
  zpgui::MessageLog log;
  leaveNumber("330102197003071231", 0);
  EXPECT_EQ(log.Shown(), std::vector<GUIMessage>{kCallFailed});
  EXPECT_EQ(text("edRegNbr"), "330102197003071231");
  EXPECT_EQ(QApplication::focusWidget(), combo("cmbRegType"));
}

TEST_F(AgentFrame, AServiceThatCannotBeReachedIsReportedAndMovesNothing) {
  frame.InitAgentLists(571);
  showWithNumberFocused();
  zp::testing::ScopedEnv nowhere("ZP_BROKER_ZEPHYRON", "inproc:no-such-server");
  zpgui::MessageLog log;
  leaveNumber("330102197003071231", 0);
  EXPECT_EQ(log.Shown(), std::vector<GUIMessage>{kInitFailed});
  EXPECT_EQ(text("edRegNbr"), "330102197003071231");
  EXPECT_EQ(QApplication::focusWidget(), edit("edLinkAddress"));
}

TEST_F(AgentFrame, LeavingTheFieldRunsTheCheckButLosingTheWindowDoesNot) {
  frame.InitAgentLists(571);
  showWithNumberFocused();
  zpgui::MessageLog log;
  edit("edRegNbr")->setText("  ");
  edit("edLinkAddress")->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  EXPECT_EQ(log.Shown(), std::vector<GUIMessage>{kEmpty});
  EXPECT_EQ(QApplication::focusWidget(), combo("cmbRegType"));

  // Another window taking the focus is not the operator leaving the field.
  edit("edRegNbr")->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  EXPECT_EQ(log.Shown().size(), 1u);

  // Nor the focus being taken away to no other control of the window, nor
  // the window going away with the focus still in the field.
  frame.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
  edit("edRegNbr")->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  edit("edRegNbr")->clearFocus();
  QApplication::processEvents();
  EXPECT_EQ(log.Shown().size(), 1u);
  edit("edRegNbr")->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  frame.close();
  QApplication::processEvents();
  EXPECT_EQ(log.Shown().size(), 1u);
}

}  // namespace
