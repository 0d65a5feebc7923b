// The relation rules on small hand-made catalogues: each case lists the rows
// (code, mandatory, present) and the relations, does one operator action and
// compares every row afterwards.
#include "offer_dates.h"
#include "relation_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace offers {
namespace {

struct RowSpec {
  int code;
  bool present = false;
  bool mandatory = false;
  const char* action = nullptr;  // nullptr: "新增"/"" for present/absent (dialog), "新增" (frame)
};

RowList<OfferRow> MakeRows(const std::vector<RowSpec>& specs, Presence presence) {
  RowList<OfferRow> rows;
  for (const RowSpec& s : specs) {
    OfferRow r;
    r.code = s.code;
    r.caption = "[" + std::to_string(s.code) + "] 项目" + std::to_string(s.code);
    r.mandatory = s.mandatory;
    r.validText = kValidNow;
    r.chosenValid = kValidNow;
    r.expireText = kExpireNow;
    r.cycles = "6";
    if (presence == Presence::checkMark) {
      r.checked = s.present;
      r.action = s.action ? s.action : (s.present ? kActAdded : "");
    } else {
      r.action = s.action ? s.action : (s.present ? kActAdded : kActCancelled);
      r.isNew = r.action == std::string(kActAdded);
    }
    rows.Append(r);
  }
  return rows;
}

std::vector<int> PresentCodes(RelationRules& rules, RowList<OfferRow>& rows) {
  std::vector<int> out;
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (rules.IsPresent(i)) out.push_back(rows[i].code);
  return out;
}

std::size_t RowOf(RowList<OfferRow>& rows, int code) { return rows.RowsOf(code).front(); }

enum class Op { check, uncheck, cancel };

struct Case {
  const char* name;
  std::vector<RowSpec> rows;
  std::vector<Relation> relations;
  Op op;
  int code;
  bool accepted;
  std::vector<int> presentAfter;   // codes present afterwards, in row order
  const char* messagePart = "";    // a part of the refusal's text
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class RelationCases : public ::testing::TestWithParam<Case> {};

TEST_P(RelationCases, ActionGivesRows) {
  const Case& c = GetParam();
  const Presence presence = c.op == Op::cancel ? Presence::action : Presence::checkMark;
  RowList<OfferRow> rows = MakeRows(c.rows, presence);
  const RowList<OfferRow> before = rows;
  RelationIndex index(c.relations);
  RelationRules rules(rows, index, PromotionPolicy(presence));
  const std::size_t at = RowOf(rows, c.code);
  Verdict v = c.op == Op::check ? rules.CheckRow(at) : c.op == Op::uncheck ? rules.UncheckRow(at) : rules.CancelRow(at);

  EXPECT_EQ(v.accepted, c.accepted) << c.name;
  EXPECT_EQ(PresentCodes(rules, rows), c.presentAfter) << c.name;
  if (c.accepted) {
    EXPECT_FALSE(v.message) << c.name;
  } else {
    ASSERT_TRUE(v.message) << c.name;
    EXPECT_NE(v.message->text.find(c.messagePart), std::string::npos) << c.name << ": " << v.message->text;
    EXPECT_EQ(v.message->caption, "提示");
    EXPECT_EQ(v.message->flags, 16);
    // A refused action leaves every row as it was, field by field.
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i], before[i]) << c.name << " row " << i;
  }
}

// Codes: operator acts on 10 unless said otherwise; 1xx are the others.
INSTANTIATE_TEST_SUITE_P(
    Rules, RelationCases,
    ::testing::Values(
        Case{"no relations: add", {{10}, {11, true}}, {}, Op::check, 10, true, {10, 11}},
        Case{"no relations: remove", {{10, true}, {11, true}}, {}, Op::uncheck, 10, true, {11}},
        Case{"no relations: frame cancel", {{10, true}, {11, true}}, {}, Op::cancel, 10, true, {11}},
        Case{"requires: prerequisite checked", {{10}, {20}}, {{10, 20, 1}}, Op::check, 10, true, {10, 20}},
        Case{"requires: chain of prerequisites", {{10}, {20}, {30}}, {{10, 20, 1}, {20, 30, 1}}, Op::check, 10,
             true, {10, 20, 30}},
        Case{"requires: removal runs the chain to its end",
             {{10, true}, {20, true}, {30, true}, {40, true}},
             {{20, 10, 1}, {30, 20, 1}},
             Op::uncheck, 10, true, {40}},
        Case{"requires: frame cancel runs the chain to its end",
             {{10, true}, {20, true}, {30, true}},
             {{20, 10, 1}, {30, 20, 1}},
             Op::cancel, 10, true, {}},
        Case{"requires: a mandatory member refuses the whole chain",
             {{10, true}, {20, true}, {30, true, true}},
             {{20, 10, 1}, {30, 20, 1}},
             Op::uncheck, 10, false, {10, 20, 30}, "您取消的促销的依赖项中有必选项[[30] 项目30]"},
        Case{"requires: a mandatory member refuses the frame's chain",
             {{10, true}, {20, true}, {30, true, true}},
             {{20, 10, 1}, {30, 20, 1}},
             Op::cancel, 10, false, {10, 20, 30}, "[30] 项目30"},
        Case{"any-of: kept by another present prerequisite",
             {{10, true}, {11, true}, {20, true}},
             {{20, 10, 0}, {20, 11, 0}},
             Op::uncheck, 10, true, {11, 20}},
        Case{"any-of: the last prerequisite takes the dependent along",
             {{10, true}, {11}, {20, true}},
             {{20, 10, 0}, {20, 11, 0}},
             Op::uncheck, 10, true, {}},
        Case{"any-of: the first partner is checked when none is present",
             {{20}, {10}, {11}},
             {{20, 10, 0}, {20, 11, 0}},
             Op::check, 20, true, {20, 10}},
        Case{"any-of: nothing checked when another partner is present",
             {{20}, {10}, {11, true}},
             {{20, 10, 0}, {20, 11, 0}},
             Op::check, 20, true, {20, 11}},
        Case{"excludes: the excluded optional item is unchecked",
             {{10}, {11, true}},
             {{10, 11, 2}},
             Op::check, 10, true, {10}},
        Case{"excludes: checked from the other side", {{10}, {11, true}}, {{11, 10, 2}}, Op::check, 10, true, {10}},
        Case{"excludes: a mandatory item refuses the addition",
             {{10}, {11, true, true}},
             {{10, 11, 2}},
             Op::check, 10, false, {11}, "您选择的促销或依赖的促销和必选项[[11] 项目11]有互斥关系"},
        Case{"excludes: a prerequisite that excludes a mandatory item refuses",
             {{10}, {20}, {30, true, true}},
             {{10, 20, 1}, {20, 30, 2}},
             Op::check, 10, false, {30}, "[30] 项目30"},
        // The written rule would leave 11 unchecked and 20 checked while 10
        // is refused; the action is undone as a whole.
        Case{"refused: every row the action changed comes back",
             {{10}, {11, true}, {20}, {30, true, true}},
             {{10, 11, 2}, {10, 20, 1}, {20, 30, 2}},
             Op::check, 10, false, {11, 30}, "[30] 项目30"},
        Case{"refused: a removal in the middle comes back",
             {{10, true}, {20, true}, {21, true}, {30, true, true}},
             {{20, 10, 1}, {21, 10, 1}, {30, 21, 1}},
             Op::uncheck, 10, false, {10, 20, 21, 30}, "[30] 项目30"},
        Case{"cycle of two: removal refused",
             {{10, true}, {20, true}},
             {{20, 10, 1}, {10, 20, 1}},
             Op::uncheck, 10, false, {10, 20}, "[[10] 项目10→[20] 项目20→[10] 项目10]"},
        Case{"cycle of three: removal refused",
             {{10, true}, {20, true}, {30, true}, {40, true}},
             {{20, 10, 1}, {30, 20, 0}, {10, 30, 1}, {40, 10, 1}},
             Op::uncheck, 10, false, {10, 20, 30, 40}, "[[10] 项目10→[20] 项目20→[30] 项目30→[10] 项目10]"},
        Case{"cycle of two: addition refused",
             {{10}, {20}},
             {{10, 20, 1}, {20, 10, 1}},
             Op::check, 10, false, {}, "促销之间的关系配置成环[[10] 项目10→[20] 项目20→[10] 项目10]"},
        Case{"cycle of three through any-of: addition refused",
             {{10}, {20}, {30}},
             {{10, 20, 1}, {20, 30, 0}, {30, 10, 1}},
             Op::check, 10, false, {}, "[[10] 项目10→[20] 项目20→[30] 项目30→[10] 项目10]"},
        Case{"cycle of two: frame cancel refused",
             {{10, true}, {20, true}},
             {{20, 10, 1}, {10, 20, 1}},
             Op::cancel, 10, false, {10, 20}, "[10] 项目10→[20] 项目20"},
        Case{"a diamond is not a cycle",
             {{10, true}, {20, true}, {21, true}, {30, true}},
             {{20, 10, 1}, {21, 10, 1}, {30, 20, 1}, {30, 21, 1}},
             Op::uncheck, 10, true, {}}),
    [](const ::testing::TestParamInfo<Case>& info) { return "case" + std::to_string(info.index); });

TEST(RelationRules, PrerequisiteThatMustBeGivenCyclesGetsTwelve) {
  for (const bool promotion : {true, false}) {
    RowList<OfferRow> rows = MakeRows({{10}, {20}, {21}}, Presence::checkMark);
    rows[1].cycles = "-2";
    rows[2].cycles = "-1";
    RelationIndex index({{10, 20, 1}, {10, 21, 1}});
    RelationRules rules(rows, index, promotion ? PromotionPolicy(Presence::checkMark) : ProductPolicy(Presence::checkMark));
    ASSERT_TRUE(rules.CheckRow(0));
    EXPECT_EQ(rows[1].chosenCycles, promotion ? "12" : "");
    EXPECT_EQ(rows[2].chosenCycles, "");
    EXPECT_EQ(rows[1].action, kActAdded);
  }
}

TEST(RelationRules, PrerequisiteCancelledInThisOrderIsKeptAgain) {
  RowList<OfferRow> rows = MakeRows({{10}, {20, false, false, kActCancelled}}, Presence::checkMark);
  RelationIndex index({{10, 20, 1}});
  RelationRules rules(rows, index, PromotionPolicy(Presence::checkMark));
  ASSERT_TRUE(rules.CheckRow(0));
  EXPECT_EQ(rows[0].action, kActAdded);
  EXPECT_EQ(rows[1].action, kActKept);
  EXPECT_TRUE(rows[1].checked);
}

TEST(RelationRules, ExcludedItemTurnsActionAsAnUncheck) {
  RowList<OfferRow> rows = MakeRows({{10}, {11, true, false, kActKept}, {12, true}}, Presence::checkMark);
  RelationIndex index({{10, 11, 2}, {12, 10, 2}});
  RelationRules rules(rows, index, PromotionPolicy(Presence::checkMark));
  ASSERT_TRUE(rules.CheckRow(0));
  EXPECT_EQ(rows[1].action, kActCancelled);
  EXPECT_EQ(rows[2].action, "");
  EXPECT_FALSE(rows[2].checked);
}

TEST(RelationRules, ProductsSayProduct) {
  RowList<OfferRow> rows = MakeRows({{10}, {11, true, true}}, Presence::checkMark);
  RelationIndex index({{10, 11, 2}});
  RelationRules rules(rows, index, ProductPolicy(Presence::checkMark));
  Verdict v = rules.CheckRow(0);
  ASSERT_FALSE(v);
  EXPECT_EQ(v.message->text, "提示：您选择的产品或依赖的产品和必选项[[11] 项目11]有互斥关系！");
}

// Row 0 (X) is added while 1 (Y), which it excludes, is cancelled but runs to
// the end of the cycle: X and what depends on it wait for the next cycle.
TEST(RelationRules, ReplacingDefersTheNewItemAndItsDependents) {
  RowList<OfferRow> rows =
      MakeRows({{10}, {11, false, false, kActCancelled}, {20, true}, {30, true}, {40, true}}, Presence::checkMark);
  rows[1].expireText = kExpireNext;
  rows[1].inEffect = true;
  rows[4].chosenValid = kValidNext;  // already deferred by the operator: left alone
  RelationIndex index({{11, 10, 2}, {20, 10, 1}, {30, 20, 0}, {40, 10, 1}});
  RelationRules rules(rows, index, PromotionPolicy(Presence::checkMark));
  ASSERT_TRUE(rules.CheckRow(0));
  EXPECT_EQ(rows[0].chosenValid, kValidNext);
  EXPECT_TRUE(rows[0].locked);
  EXPECT_EQ(rows[2].chosenValid, kValidNext);
  EXPECT_TRUE(rows[2].locked);  // the first level takes the lock
  EXPECT_EQ(rows[3].chosenValid, kValidNext);
  EXPECT_FALSE(rows[3].locked);
  EXPECT_FALSE(rows[4].locked);
}

TEST(RelationRules, NoDeferralWhenTheReplacedItemEndsAtOnceOrIsNotInEffect) {
  for (int variant = 0; variant < 2; ++variant) {
    RowList<OfferRow> rows = MakeRows({{10}, {11, false, false, kActCancelled}}, Presence::checkMark);
    rows[1].expireText = variant == 0 ? kExpireNow : kExpireNext;
    rows[1].inEffect = variant == 1 ? false : true;
    RelationIndex index({{10, 11, 2}});
    RelationRules rules(rows, index, PromotionPolicy(Presence::checkMark));
    ASSERT_TRUE(rules.CheckRow(0));
    EXPECT_EQ(rows[0].chosenValid, kValidNow) << variant;
    EXPECT_FALSE(rows[0].locked) << variant;
  }
}

TEST(RelationRules, DeferralCycleIsRefusedAndUndone) {
  RowList<OfferRow> rows = MakeRows({{10, true}, {20, true}, {30, true}}, Presence::checkMark);
  RelationIndex index({{20, 10, 1}, {30, 20, 1}, {10, 30, 0}});
  RelationRules rules(rows, index, PromotionPolicy(Presence::checkMark));
  const RowList<OfferRow> before = rows;
  Verdict v = rules.ChooseNextCycle(0);
  ASSERT_FALSE(v);
  EXPECT_NE(v.message->text.find("[10] 项目10→[20] 项目20→[30] 项目30→[10] 项目10"), std::string::npos);
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i], before[i]);
}

TEST(RelationRules, ChoosingNextCycleDefersNewDependentsOnly) {
  RowList<OfferRow> rows = MakeRows({{10, true}, {20, true}, {21, true, false, kActKept}}, Presence::checkMark);
  RelationIndex index({{20, 10, 1}, {21, 10, 1}});
  RelationRules rules(rows, index, PromotionPolicy(Presence::checkMark));
  ASSERT_TRUE(rules.ChooseNextCycle(0));
  EXPECT_EQ(rows[0].chosenValid, kValidNext);
  EXPECT_EQ(rows[1].chosenValid, kValidNext);
  EXPECT_FALSE(rows[1].locked);
  EXPECT_EQ(rows[2].chosenValid, kValidNow);
}

TEST(RelationRules, SeedsFollowThePolicy) {
  EXPECT_TRUE(Seeds(1, PromotionPolicy(Presence::action)));
  EXPECT_TRUE(Seeds(2, PromotionPolicy(Presence::action)));
  EXPECT_FALSE(Seeds(0, PromotionPolicy(Presence::action)));
  EXPECT_TRUE(Seeds(1, ProductPolicy(Presence::action)));
  EXPECT_FALSE(Seeds(2, ProductPolicy(Presence::action)));
}

// A chain within the depth limit is removed to its end; one beyond it is
// refused whole instead of running the stack out.
TEST(RelationRules, DepthOfAWalkIsBounded) {
  for (const int length : {100, 1000}) {
    std::vector<RowSpec> specs;
    std::vector<Relation> relations;
    for (int i = 0; i < length; ++i) {
      specs.push_back({1000 + i, true});
      if (i > 0) relations.push_back({1000 + i, 1000 + i - 1, kRequires});
    }
    RowList<OfferRow> rows = MakeRows(specs, Presence::checkMark);
    const RowList<OfferRow> before = rows;
    RelationIndex index(relations);
    RelationRules rules(rows, index, PromotionPolicy(Presence::checkMark));
    Verdict v = rules.UncheckRow(0);
    if (length < static_cast<int>(kMaxWalkDepth)) {
      EXPECT_TRUE(v);
      EXPECT_TRUE(PresentCodes(rules, rows).empty());
    } else {
      ASSERT_FALSE(v);
      EXPECT_NE(v.message->text.find("依赖层次超过256层[[1000] 项目1000]"), std::string::npos) << v.message->text;
      for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i], before[i]);
    }
  }
}

TEST(OfferDates, FirstOfMonthPlusCrossesYears) {
  EXPECT_EQ(SlashDate(FirstOfMonthPlus({2026, 12, 10}, 0)), "2026/12/01");
  EXPECT_EQ(SlashDate(FirstOfMonthPlus({2026, 12, 10}, 1)), "2027/01/01");
  EXPECT_EQ(SlashDate(FirstOfMonthPlus({2026, 12, 10}, 13)), "2028/01/01");
  EXPECT_EQ(SlashDate(FirstOfMonthPlus({2026, 1, 31}, -1)), "2025/12/01");
}

}  // namespace
}  // namespace offers
