#include "after_date_rules.h"

#include <gtest/gtest.h>

using zpdialogs::BackDateDay;
using zpdialogs::BackDateText;
using zpdialogs::IsLaterThanServerTime;

TEST(AfterDateRules, TheChosenDayCountsFromItsFirstSecond) {
  EXPECT_EQ(BackDateDay(CBSDateTime::make(2004, 7, 6, 23, 59, 59)), CBSDateTime::make(2004, 7, 6));
  EXPECT_EQ(BackDateDay(CBSDateTime::make(2004, 7, 6)), CBSDateTime::make(2004, 7, 6));
  EXPECT_EQ(BackDateText(CBSDateTime::make(2004, 7, 6)), "2004/07/06 00:00:00");
  EXPECT_EQ(BackDateText(CBSDateTime::make(2026, 12, 10, 9, 5, 3)), "2026/12/10 09:05:03");
}

TEST(AfterDateRules, NoDayAfterTheServerTimeIsAccepted) {
  struct Case {
    CBSDateTime chosen;
    CBSDateTime now;
    bool refused;
  } const cases[] = {
      // Today, at any hour of the server's day, including its first second.
      {CBSDateTime::make(2026, 12, 10), CBSDateTime::make(2026, 12, 10, 0, 0, 0), false},
      {CBSDateTime::make(2026, 12, 10), CBSDateTime::make(2026, 12, 10, 10, 0, 0), false},
      {CBSDateTime::make(2026, 12, 10), CBSDateTime::make(2026, 12, 10, 23, 59, 59), false},
      // Back-dated days, across month and year ends.
      {CBSDateTime::make(2026, 12, 9), CBSDateTime::make(2026, 12, 10, 0, 0, 0), false},
      {CBSDateTime::make(2025, 12, 31), CBSDateTime::make(2026, 1, 1, 0, 0, 0), false},
      {CBSDateTime::make(2004, 7, 6), CBSDateTime::make(2026, 12, 10, 10, 0, 0), false},
      // Any later day.
      {CBSDateTime::make(2026, 12, 11), CBSDateTime::make(2026, 12, 10, 23, 59, 59), true},
      {CBSDateTime::make(2027, 1, 1), CBSDateTime::make(2026, 12, 31, 23, 59, 59), true},
      {CBSDateTime::make(2026, 12, 10, 0, 0, 1), CBSDateTime::make(2026, 12, 10, 0, 0, 0), true},
      // Lengths differ nowhere, so 10 sorts after 9.
      {CBSDateTime::make(2026, 10, 1), CBSDateTime::make(2026, 9, 30, 12, 0, 0), true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsLaterThanServerTime(c.chosen, c.now), c.refused)
        << BackDateText(c.chosen) << " against " << BackDateText(c.now);
}
