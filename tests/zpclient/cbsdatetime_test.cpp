#include "cbsdatetime.h"

#include <gtest/gtest.h>

TEST(CBSDateTime, ZeroIsTheDefaultAndWritesAsZeros) {
  CBSDateTime d;
  EXPECT_TRUE(d.isZero());
  EXPECT_EQ(d, CBSDateTime(0));
  EXPECT_EQ(d.toString("%Y-%M-%D %H:%N:%S"), "0000-00-00 00:00:00");
  CBSDateTime back("2026-01-02 03:04:05");
  ASSERT_TRUE(back.fromString("0000-00-00 00:00:00", "%Y-%M-%D %H:%N:%S"));
  EXPECT_TRUE(back.isZero());
}

TEST(CBSDateTime, ReadsAndWritesEveryPlaceHolder) {
  struct Case {
    const char* text;
    const char* format;
    long long packed;
  };
  const Case cases[] = {
      {"2026-12-10 09:08:07", "%Y-%M-%D %H:%N:%S", 20261210090807},
      {"2026/12/10 23:59:59", "%Y/%M/%D %H:%N:%S", 20261210235959},
      {"2024-02-29", "%Y-%M-%D", 20240229000000},
      {"10.12.2026", "%D.%M.%Y", 20261210000000},
      {"20261210", "%Y%M%D", 20261210000000},
      {"100% 2026", "100%% %Y", 0},  // year alone is not a date
  };
  for (const Case& c : cases) {
    CBSDateTime d;
    const bool ok = d.fromString(c.text, c.format);
    EXPECT_EQ(ok, c.packed != 0) << c.text;
    if (!ok) continue;
    EXPECT_EQ(d.packed(), c.packed) << c.text;
    EXPECT_EQ(d.toString(c.format), c.text);
  }
}

TEST(CBSDateTime, RefusesTextsThatDoNotMatchAndKeepsTheValue) {
  const char* bad[] = {
      "2026-12-1 09:08:07",    // short field
      "2026-12-10 09:08:07x",  // trailing text
      "2026-12-10 09:08",      // missing part
      "2026-02-30 00:00:00",   // no such day
      "2025-02-29 00:00:00",   // not a leap year
      "2026-13-01 00:00:00",   // no such month
      "2026-12-10 24:00:00",   // no such hour
      "2026-12-10 09:60:00",   // no such minute
      "2026-00-10 00:00:00",   // partly zero
      "2026 12-10 09:08:07",   // separator differs
      "+026-12-10 09:08:07",   // sign is not a digit
      "",
  };
  const CBSDateTime before = CBSDateTime::make(2001, 2, 3, 4, 5, 6);
  for (const char* text : bad) {
    CBSDateTime d = before;
    EXPECT_FALSE(d.fromString(text, CBSDateTime::kDefaultFormat)) << text;
    EXPECT_EQ(d, before) << text;
    EXPECT_TRUE(CBSDateTime(text).isZero()) << text;
  }
}

TEST(CBSDateTime, PackedValuesAreValidatedLikeTexts) {
  EXPECT_TRUE(CBSDateTime::validPacked(0));
  EXPECT_TRUE(CBSDateTime::validPacked(20261210090807));
  EXPECT_FALSE(CBSDateTime::validPacked(20261232000000));
  EXPECT_FALSE(CBSDateTime::validPacked(-1));
  EXPECT_FALSE(CBSDateTime::validPacked(100000101000000));  // year 10000
  EXPECT_TRUE(CBSDateTime(20261232000000LL).isZero());
}

TEST(CBSDateTime, DayCountSince18991230) {
  struct Case {
    CBSDateTime value;
    double days;
  };
  const Case cases[] = {
      {CBSDateTime::make(1899, 12, 31), 1.0},
      {CBSDateTime::make(1970, 1, 1), 25569.0},
      {CBSDateTime::make(2000, 1, 1, 12, 0, 0), 36526.5},
      {CBSDateTime::make(2026, 12, 10, 6, 0, 0), 46366.25},
      {CBSDateTime::make(1899, 12, 29), -1.0},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(c.value.toTDateTime(), c.days) << c.value.toString();
    CBSDateTime back;
    ASSERT_TRUE(back.fromTDateTime(c.days)) << c.days;
    EXPECT_EQ(back, c.value) << c.days;
  }
  EXPECT_EQ(CBSDateTime().toTDateTime(), 0.0);
  CBSDateTime d = CBSDateTime::make(2001, 1, 1);
  EXPECT_FALSE(d.fromTDateTime(1e12));
  EXPECT_FALSE(d.fromTDateTime(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_EQ(d, CBSDateTime::make(2001, 1, 1));
  // A second's worth of rounding noise lands on the nearest second.
  ASSERT_TRUE(d.fromTDateTime(36526.5 + 0.4 / 86400));
  EXPECT_EQ(d, CBSDateTime::make(2000, 1, 1, 12, 0, 0));
}

TEST(CBSDateAndTime, OwnFormats) {
  CBSDate date("2026-12-10", "%Y-%M-%D");
  EXPECT_EQ(date.toString("%Y/%M/%D"), "2026/12/10");
  EXPECT_TRUE(CBSDate("2026-02-30", "%Y-%M-%D").isZero());
  // In a time there is no month: %M stands for minutes, as does %N.
  CBSTime t("09:08:07", "%H:%M:%S");
  EXPECT_EQ(t.minute(), 8);
  EXPECT_EQ(t.toString("%H:%N:%S"), "09:08:07");
  CBSTime keep = t;
  EXPECT_FALSE(keep.fromString("25:00:00", "%H:%M:%S"));
  EXPECT_EQ(keep, t);
  const CBSDateTime dt = CBSDateTime::make(2026, 12, 10, 9, 8, 7);
  EXPECT_EQ(dt.date(), date);
  EXPECT_EQ(dt.time(), t);
}
