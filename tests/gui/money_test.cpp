#include "money.h"

#include <gtest/gtest.h>

#include <limits>

TEST(Money, YuanTextsReadAsFen) {
  struct Case {
    const char* text;
    std::int64_t fen;
    bool ok;
  };
  const Case cases[] = {
      {"0.1", 10, true},
      {"-5.00", -500, true},
      {"12", 1200, true},
      {"12.5", 1250, true},
      {"12.05", 1205, true},
      {" +7. ", 700, true},
      {".5", 50, true},
      {"-0.01", -1, true},
      {"0", 0, true},
      // Amounts a binary fraction cannot hold: read through a double they
      // come out a fen short, or a fen off once beyond a float's digits.
      {"19.99", 1999, true},
      {"0.29", 29, true},
      {"0.57", 57, true},
      {"1.15", 115, true},
      {"4.35", 435, true},
      {"1234567.89", 123456789, true},
      {"20000000.01", 2000000001, true},
      {"10995116277.76", 1099511627776, true},  // 2^40 fen
      {"92233720368547758.07", std::numeric_limits<std::int64_t>::max(), true},
      {"-92233720368547758.08", std::numeric_limits<std::int64_t>::min(), true},
      {"92233720368547758.08", 0, false},  // one fen beyond
      {"1.234", 0, false},
      {"", 0, false},
      {"-", 0, false},
      {".", 0, false},
      {"1,000", 0, false},
      {"12a", 0, false},
      {"1.2.3", 0, false},
      {"１２", 0, false},  // full-width digits are not digits here
  };
  for (const Case& c : cases) {
    bool ok = !c.ok;
    EXPECT_EQ(StringToCurrency(c.text, &ok), c.fen) << c.text;
    EXPECT_EQ(ok, c.ok) << c.text;
    EXPECT_EQ(StringToInt64(c.text), c.fen) << c.text;
  }
}

TEST(Money, FenWriteAsYuanWithTwoDecimalsAndRoundTrip) {
  EXPECT_EQ(CurrencyToPlainText(10), "0.10");
  EXPECT_EQ(CurrencyToPlainText(-500), "-5.00");
  EXPECT_EQ(CurrencyToPlainText(0), "0.00");
  EXPECT_EQ(CurrencyToPlainText(-7), "-0.07");
  EXPECT_EQ(CurrencyToPlainText(std::numeric_limits<std::int64_t>::min()), "-92233720368547758.08");
  for (const std::int64_t fen : {std::int64_t{1} << 40, -(std::int64_t{1} << 40), std::int64_t{123456789},
                                 std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::min()}) {
    bool ok = false;
    EXPECT_EQ(StringToCurrency(CurrencyToPlainText(fen), &ok), fen) << fen;
    EXPECT_TRUE(ok);
  }
}
