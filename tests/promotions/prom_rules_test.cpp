// The promotion-only rules without widgets: dates from the validity mode and
// the duration, the digit pairs of SUBSCR_MODE, type and parameter texts, the
// "PromPopedomValid" switch and the limits in privilege entity names.
#include "prom_rules.h"

#include <gtest/gtest.h>

namespace promotions {
namespace {

const offers::CalendarDate kToday{2026, 12, 10};

MProductIntfApp::SSpromPlanMap Entry(int subscrMode, int validCycle, int minNum = 7, int maxNum = 9) {
  MProductIntfApp::SSpromPlanMap e;
  e.set_SUBSCR_MODE(static_cast<std::int16_t>(subscrMode));
  e.set_VALID_CYCLE(static_cast<std::int16_t>(validCycle));
  e.set_MIN_NUM(minNum);
  e.set_MAX_NUM(maxNum);
  return e;
}

struct DateCase {
  const char* name;
  int subscrMode, validCycle, busiCode;
  bool reset;
  int minNum, maxNum;
  const char* valid;
  const char* expire;
  int maxNumAfter;
};

void PrintTo(const DateCase& c, std::ostream* os) { *os << c.name; }

class DateCases : public ::testing::TestWithParam<DateCase> {};

TEST_P(DateCases, ValidAndExpiry) {
  const DateCase& c = GetParam();
  auto e = Entry(c.subscrMode, c.validCycle, c.minNum, c.maxNum);
  EXPECT_EQ(ValidDateText(e, c.reset, c.busiCode, kToday), c.valid);
  EXPECT_EQ(ExpireDateText(e, c.reset, c.busiCode, kToday), c.expire);
  EXPECT_EQ(e.get_MAX_NUM(), c.maxNumAfter);
  if (c.reset) EXPECT_EQ(e.get_MIN_NUM(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Promotions, DateCases,
    ::testing::Values(
        // Seeding (reset): the chosen mode and cycles are the catalogue's 7 and 9, wiped to 0.
        DateCase{"0 cycles, immediate: ends on the first of this month", 0, 0, 1302, true, 7, 9, "2026/12/10",
                 "2026/12/01", 0},
        DateCase{"12 cycles, immediate", 0, 12, 1302, true, 7, 9, "2026/12/10", "2027/12/01", 0},
        DateCase{"-1 without cycles: open-ended", 0, -1, 1302, true, 7, 9, "2026/12/10", "2030/12/31", 0},
        DateCase{"-2 without cycles: twelve, written back", 0, -2, 1302, true, 7, 9, "2026/12/10", "2027/12/01", 12},
        DateCase{"-2 next cycle: twelve plus the delay", 1, -2, 1302, true, 7, 9, "2027/01/01", "2028/01/01", 12},
        DateCase{"mode 102 under code 1 reads 01", 102, 3, 1, true, 7, 9, "2027/01/01", "2027/04/01", 0},
        DateCase{"mode 102 under 1006 reads 01", 102, 3, 1006, true, 7, 9, "2027/01/01", "2027/04/01", 0},
        DateCase{"mode 102 under another code reads 02", 102, 3, 1302, true, 7, 9, "2027/02/01", "2027/05/01", 0},
        DateCase{"-3 is no duration", 0, -3, 1302, true, 0, 0, "2026/12/10", "2030/12/31", 0},
        // A chosen promotion: SUBSCR_MODE is m, MIN_NUM the chosen mode, MAX_NUM the chosen cycles.
        DateCase{"chosen next cycle, -1 with 3 cycles", 0, -1, 1302, false, 1, 3, "2027/01/01", "2027/04/01", 3},
        DateCase{"chosen immediately, -1 with 3 cycles", 0, -1, 1302, false, 0, 3, "2026/12/10", "2027/03/01", 3},
        DateCase{"chosen, -1 without cycles", 0, -1, 1302, false, 0, 0, "2026/12/10", "2030/12/31", 0},
        DateCase{"chosen, -2 with 5 cycles", 0, -2, 1302, false, 0, 5, "2026/12/10", "2027/05/01", 5},
        DateCase{"chosen, m 2 wins over the chosen mode", 2, 6, 1302, false, 1, 0, "2027/02/01", "2027/08/01", 0}),
    [](const ::testing::TestParamInfo<DateCase>& info) { return "case" + std::to_string(info.index); });

TEST(ValidityMode, DigitPairsAndTexts) {
  EXPECT_EQ(ValidityMode(102, 1, false), 1);
  EXPECT_EQ(ValidityMode(102, 1006, false), 1);
  EXPECT_EQ(ValidityMode(102, 1302, false), 2);
  EXPECT_EQ(ValidityMode(102, 1, true), 2);  // the type offer always reads the second pair
  EXPECT_EQ(ValidityMode(1203, 1, false), 12);
  EXPECT_EQ(ValidityMode(1203, 1302, false), 3);
  EXPECT_EQ(ValidModeText(0), "立即生效");
  EXPECT_EQ(ValidModeText(1), "下周期生效");
  EXPECT_EQ(ValidModeText(2), "2周期生效");
  EXPECT_EQ(ExpireModeText(0), "立即失效");
  EXPECT_EQ(ExpireModeText(1), "下周期失效");
  EXPECT_EQ(ExpireModeText(5), "下周期失效");
}

TEST(PromTypes, TextsParameterAndBack) {
  EXPECT_EQ(PromTypeText("1"), "最低消费限额类促销");
  EXPECT_EQ(PromTypeText("2"), "打折类促销");
  EXPECT_EQ(PromTypeText("3"), "减免类促销");
  EXPECT_EQ(PromTypeText(""), "普通促销");
  EXPECT_EQ(PromTypeText("4"), "普通促销");
  for (const char* p : {"1", "2", "3"}) EXPECT_EQ(SubscrParamOfType(PromTypeText(p)), p);
  EXPECT_EQ(SubscrParamOfType("普通促销"), "0");
  EXPECT_EQ(CatalogueParaText("1", 3000), "30.00");
  EXPECT_EQ(CatalogueParaText("2", 80), "80");
  EXPECT_EQ(CatalogueParaText("3", 505), "5.05");
  EXPECT_EQ(CatalogueParaText("1", -1), "");
  EXPECT_EQ(CatalogueParaText("", 500), "");
}

TEST(PromPopedomValid, AcceptedAndRefusedValues) {
  struct {
    const char* value;
    bool accepted;
    short popedom, valid;
  } cases[] = {{"0@0", true, 0, 0}, {"0@1", true, 0, 1}, {"1@0", true, 1, 0}, {"1@1", true, 1, 1},
               {"", true, 0, 0},    {"2@0", false},      {"1@", false},       {"10@1", false},
               {"1-0", false},      {"0@2", false},      {"a@1", false},      {"1@1 ", false}};
  for (const auto& c : cases) {
    const auto flags = ParsePopedomValid(c.value);
    ASSERT_EQ(flags.has_value(), c.accepted) << c.value;
    if (flags) {
      EXPECT_EQ(flags->popedom, c.popedom) << c.value;
      EXPECT_EQ(flags->valid, c.valid) << c.value;
    }
  }
}

TEST(ParaLimits, EntityNames) {
  EXPECT_EQ(LimitOfEntityName("折扣下限 [2@80]", 2), 80);
  EXPECT_EQ(LimitOfEntityName("  [1@5000] 最低消费 ", 1), 5000);
  EXPECT_EQ(LimitOfEntityName("折扣下限 [2@80]", 1), std::nullopt);  // another kind
  EXPECT_EQ(LimitOfEntityName("无限额", 1), std::nullopt);
  EXPECT_EQ(LimitOfEntityName("[12@80]", 1), std::nullopt);  // "@" not second
  EXPECT_EQ(LimitOfEntityName("[x@80]", 1), std::nullopt);
  EXPECT_EQ(LimitOfEntityName("[1@8x]", 1), std::nullopt);
  EXPECT_EQ(LimitOfEntityName("]1@8[", 1), std::nullopt);
}

MSysmgntDef::SPrivEntity Entity(int id, const char* name) {
  MSysmgntDef::SPrivEntity e;
  e.set_ENT_ID(id);
  e.set_ENT_NAME(name);
  return e;
}

MSysmgntDef::SOperPrivAuth Answer(int id, int authorized) {
  MSysmgntDef::SOperPrivAuth a;
  a.set_ENT_ID(id);
  a.set_AUTHORIZED(static_cast<std::int16_t>(authorized));
  return a;
}

TEST(ParaLimits, MostGenerousOfTheAuthorisedEntities) {
  const MSysmgntDef::SPrivEntityList entities = {
      Entity(1, "[3@1000]"), Entity(2, "[3@5000]"), Entity(3, "[1@1000]"), Entity(4, "[1@500]"),
      Entity(5, "[1@100]"),  Entity(6, "[2@80]"),   Entity(7, "[3@9000]")};
  // 5 and 7 are not granted; 6 names another kind for kinds 1 and 3.
  const MSysmgntDef::SOperPrivAuthList answers = {Answer(1, 1), Answer(2, 1), Answer(3, 1), Answer(4, 1),
                                                  Answer(5, 0), Answer(6, 1), Answer(7, 2), Answer(99, 1)};
  EXPECT_EQ(LimitFromAnswers(kReduction, entities, answers, -1), 5000);
  EXPECT_EQ(LimitFromAnswers(kMinimum, entities, answers, -1), 500);
  EXPECT_EQ(LimitFromAnswers(kDiscount, entities, answers, -1), 80);
  EXPECT_EQ(LimitFromAnswers(kDiscount, entities, {Answer(6, 0)}, -1), -1);
  EXPECT_EQ(MostGenerous(kDiscount, 90, 80), 80);
  EXPECT_EQ(MostGenerous(kReduction, 900, 800), 900);
}

}  // namespace
}  // namespace promotions
