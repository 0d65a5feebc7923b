#include "valid_cycle_rules.h"

#include <gtest/gtest.h>

using zpdialogs::CheckCycleCount;
using zpdialogs::CycleEntry;
using zpdialogs::CycleEntryOf;
using zpdialogs::CycleRefusal;
using zpdialogs::ValidModeAccessOf;

TEST(ValidCycleRules, OnlyTheTwoMarkersLetTheOperatorTypeCycles) {
  struct Case {
    const char* setting;
    CycleEntry entry;
  } const cases[] = {
      {"-1", CycleEntry::optional}, {"-2", CycleEntry::required}, {"12", CycleEntry::fixed},
      {"0", CycleEntry::fixed},     {"", CycleEntry::fixed},      {"-3", CycleEntry::fixed},
      {" -1", CycleEntry::fixed},   {"-2 ", CycleEntry::fixed},
  };
  for (const auto& c : cases) EXPECT_EQ(CycleEntryOf(c.setting), c.entry) << '"' << c.setting << '"';
}

TEST(ValidCycleRules, RequiredCyclesMustBeTypedAndPositive) {
  struct Case {
    const char* setting;
    const char* typed;
    CycleRefusal refusal;
  } const cases[] = {
      // A number must be typed and be more than 0, however it is written.
      {"-2", "", CycleRefusal::missing},
      {"-2", "0", CycleRefusal::notPositive},
      {"-2", "000", CycleRefusal::notPositive},
      {"-2", "1", CycleRefusal::none},
      {"-2", "12", CycleRefusal::none},
      {"-2", "012", CycleRefusal::none},
      {"-2", "999", CycleRefusal::none},
      // A text that is no number is never taken as a count.
      {"-2", "1a", CycleRefusal::notPositive},
      {"-2", " ", CycleRefusal::notPositive},
      // Optional: empty and 0 are fine.
      {"-1", "", CycleRefusal::none},
      {"-1", "0", CycleRefusal::none},
      {"-1", "5", CycleRefusal::none},
      // Fixed: nothing the operator could type is checked.
      {"12", "", CycleRefusal::none},
      {"12", "0", CycleRefusal::none},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CheckCycleCount(c.setting, c.typed), c.refusal) << "setting " << c.setting << ", typed \"" << c.typed
                                                               << '"';
}

TEST(ValidCycleRules, LockLevelDecidesWhetherTheModeCanBeChosen) {
  struct Case {
    int lockLevel;
    bool readOnly;
    bool multiCycle;
  } const cases[] = {
      {0, false, false}, {1, true, false}, {2, true, true}, {3, true, true}, {-1, true, true},
  };
  for (const auto& c : cases) {
    const auto access = ValidModeAccessOf(c.lockLevel);
    EXPECT_EQ(access.readOnly, c.readOnly) << "lock level " << c.lockLevel;
    EXPECT_EQ(access.offersMultiCycle, c.multiCycle) << "lock level " << c.lockLevel;
  }
}
