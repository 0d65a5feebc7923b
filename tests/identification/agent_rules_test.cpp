#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "agent_rules.h"

namespace {

using agent::DocumentCheckEnd;

struct Shown {
  std::string text;
  std::string caption;
  int flags;
  bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Shown& s) {
  return os << "{" << s.text << ", " << s.caption << ", " << s.flags << "}";
}

// Stands in for the operator, the number rule and the library object, and
// remembers what the check asked of each.
struct Counter {
  bool formatValid = true;
  bool initOk = true;
  bool callOk = true;
  int listResult = 0;
  std::deque<int> answers;

  std::vector<Shown> shown;
  std::vector<std::string> formatChecked;
  int inits = 0;
  std::vector<std::pair<int, std::string>> listAsked;

  agent::DocumentCheckPorts ports() {
    return {[this](const char* t, const char* c, int f) {
              shown.push_back({t, c, f});
              if (f != 36) return 1;
              const int a = answers.empty() ? 0 : answers.front();
              if (!answers.empty()) answers.pop_front();
              return a;
            },
            [this](const std::string& n) {
              formatChecked.push_back(n);
              return formatValid;
            },
            [this] {
              ++inits;
              return initOk;
            },
            [this](int t, const std::string& n, int& r) {
              listAsked.emplace_back(t, n);
              if (callOk) r = listResult;
              return callOk;
            }};
  }
};

const Shown kEmpty{"证件号码不能为空！", "提示", 64};
const Shown kBadFormat{"证件号码格式不合法！是否继续？", "提示", 36};
const Shown kInitFailed{"营业公共服务初始化出错", "提示", 16};
const Shown kCallFailed{"调用后台服务进行黑名单检查失败!", "异常", 16};
const Shown kBlack{"该客户为黑名单客户,不允许受理!", "提示", 64};
const Shown kGrey{"该客户为灰名单客户,是否继续?", "提示", 36};

constexpr int kYes = 6;
constexpr int kNo = 7;

TEST(AgentDocumentCheck, EachAnswerLeadsToItsMessagesAndEnd) {
  const struct {
    const char* name;
    std::string number;
    int regType;
    bool formatValid, initOk, callOk;
    int listResult;
    std::deque<int> answers;
    DocumentCheckEnd end;
    std::vector<Shown> shown;
    bool listAsked;
  } cases[] = {
      {"empty", "", 1, true, true, true, 0, {}, DocumentCheckEnd::EmptyNumber, {kEmpty}, false},
      {"blanks only", "   ", 2, true, true, true, 0, {}, DocumentCheckEnd::EmptyNumber, {kEmpty}, false},
      {"clear", "330102197003071231", 1, true, true, true, 0, {}, DocumentCheckEnd::Passed, {}, true},
      {"bad format, No", "12345", 1, false, true, true, 0, {kNo}, DocumentCheckEnd::FormatRefused, {kBadFormat}, false},
      {"bad format, Yes", "12345", 1, false, true, true, 0, {kYes}, DocumentCheckEnd::Passed, {kBadFormat}, true},
      {"bad format, Yes, black", "12345", 1, false, true, true, 1, {kYes}, DocumentCheckEnd::BlackListed,
       {kBadFormat, kBlack}, true},
      {"other type not format-checked", "12345", 2, false, true, true, 0, {}, DocumentCheckEnd::Passed, {}, true},
      {"init fails", "12345", 2, true, false, true, 1, {}, DocumentCheckEnd::ServiceInitFailed, {kInitFailed}, false},
      {"list call fails", "12345", 2, true, true, false, 1, {}, DocumentCheckEnd::ListCallFailed, {kCallFailed}, true},
      {"black", "12345", 2, true, true, true, 1, {}, DocumentCheckEnd::BlackListed, {kBlack}, true},
      {"grey, Yes", "12345", 2, true, true, true, 2, {kYes}, DocumentCheckEnd::Passed, {kGrey}, true},
      {"grey, No", "12345", 2, true, true, true, 2, {kNo}, DocumentCheckEnd::GreyRefused, {kGrey}, true},
      {"unknown list kind", "12345", 2, true, true, true, 3, {}, DocumentCheckEnd::Passed, {}, true},
      {"negative list kind", "12345", 2, true, true, true, -1, {}, DocumentCheckEnd::Passed, {}, true},
  };
  for (const auto& c : cases) {
    Counter counter;
    counter.formatValid = c.formatValid;
    counter.initOk = c.initOk;
    counter.callOk = c.callOk;
    counter.listResult = c.listResult;
    counter.answers = c.answers;
    EXPECT_EQ(agent::RunDocumentCheck(c.number, c.regType, counter.ports()), c.end) << c.name;
    EXPECT_EQ(counter.shown, c.shown) << c.name;
    EXPECT_TRUE(counter.answers.empty()) << c.name << ": a foreseen question was not asked";
    EXPECT_EQ(!counter.listAsked.empty(), c.listAsked) << c.name;
  }
}

TEST(AgentDocumentCheck, TheRuleSeesTheTrimmedNumberTheListTheFieldAsTyped) {
  Counter counter;
  counter.formatValid = true;
  EXPECT_EQ(agent::RunDocumentCheck("  330102197003071231 ", 1, counter.ports()), DocumentCheckEnd::Passed);
  EXPECT_EQ(counter.formatChecked, std::vector<std::string>{"330102197003071231"});
  EXPECT_EQ(counter.inits, 1);
  ASSERT_EQ(counter.listAsked.size(), 1u);
  EXPECT_EQ(counter.listAsked[0].first, 1);
  EXPECT_EQ(counter.listAsked[0].second, "  330102197003071231 ");
}

TEST(AgentDocumentCheck, OnlyARefusedListAnswerWipesTheNumber) {
  const struct {
    DocumentCheckEnd end;
    bool clears;
  } cases[] = {{DocumentCheckEnd::Passed, false},          {DocumentCheckEnd::EmptyNumber, false},
               {DocumentCheckEnd::FormatRefused, false},   {DocumentCheckEnd::ServiceInitFailed, false},
               {DocumentCheckEnd::ListCallFailed, false},  {DocumentCheckEnd::BlackListed, true},
               {DocumentCheckEnd::GreyRefused, true}};
  for (const auto& c : cases) EXPECT_EQ(agent::ClearsNumber(c.end), c.clears) << static_cast<int>(c.end);
}

TEST(AgentListAnswer, OneIsBlackTwoIsGreyEverythingElseIsClear) {
  const struct {
    int result;
    agent::ListAnswer answer;
  } cases[] = {{1, agent::ListAnswer::BlackListed}, {2, agent::ListAnswer::GreyListed}, {0, agent::ListAnswer::Clear},
               {3, agent::ListAnswer::Clear},       {-1, agent::ListAnswer::Clear}};
  for (const auto& c : cases) EXPECT_EQ(agent::ReadListAnswer(c.result), c.answer) << c.result;
  EXPECT_TRUE(agent::NeedsNumberFormatCheck(1));
  EXPECT_FALSE(agent::NeedsNumberFormatCheck(0));
  EXPECT_FALSE(agent::NeedsNumberFormatCheck(2));
}

TEST(AgentTrim, BlanksGoFromBothEndsOnly) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {{"", ""}, {"   ", ""}, {" a b ", "a b"}, {"\t张三\r\n", "张三"}, {"x", "x"}, {"中 文", "中 文"}};
  for (const auto& c : cases) EXPECT_EQ(agent::TrimBlanks(c.in), c.out) << "[" << c.in << "]";
}

TEST(AgentRecord, EveryFieldIsSetTrimmedAndListCodesAreRead) {
  const MPublicDef::SOperator op =
      agent::MakeOperator({" [571] 杭州 ", " 周明 ", "[2] 营业执照", " 91330100MA27X0001K ", " 文三路1号 ", " 0571-1234 ",
                           " a@b.cn ", " 代办 ", " 备注 "});
  EXPECT_EQ(op.get_REGION_CODE(), 571);
  EXPECT_EQ(op.get_SO_MAN(), "周明");
  EXPECT_EQ(op.get_REG_TYPE(), 2);
  EXPECT_EQ(op.get_REG_NBR(), "91330100MA27X0001K");
  EXPECT_EQ(op.get_ADDRESS(), "文三路1号");
  EXPECT_EQ(op.get_LINK_PHONE(), "0571-1234");
  EXPECT_EQ(op.get_EMAIL(), "a@b.cn");
  EXPECT_EQ(op.get_SO_DESC(), "代办");
  EXPECT_EQ(op.get_REMARK(), "备注");
  const std::uint64_t all = (std::uint64_t{1} << MPublicDef::SOperator::kFieldCount) - 1;
  EXPECT_EQ(op.Marker, all);
  EXPECT_EQ(op.UsedMarker, all);
}

TEST(AgentRecord, EmptyTextsStillTravelAsPresentFields) {
  const MPublicDef::SOperator op = agent::MakeOperator({});
  EXPECT_EQ(op.get_REGION_CODE(), 0);
  EXPECT_EQ(op.get_REG_TYPE(), 0);
  EXPECT_EQ(op.get_SO_MAN(), "");
  EXPECT_EQ(op.Marker, (std::uint64_t{1} << MPublicDef::SOperator::kFieldCount) - 1);
}

}  // namespace
