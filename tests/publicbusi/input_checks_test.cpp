#include <gtest/gtest.h>

#include "publicbusi_functions.h"

namespace {

TEST(CheckRegNbr, AcceptsRealNumbersAndRefusesEveryBrokenPart) {
  const struct {
    const char* number;
    bool valid;
    const char* why;
  } cases[] = {
      {"330102197003071231", true, "check digit 1"},
      {"330106198812124567", true, "check digit 7"},
      {"11010519491231002X", true, "check character X"},
      {"11010519491231002x", true, "lower-case x is the same X"},
      {"330102200002290015", true, "29 February of a leap year"},
      {"330102197003071232", false, "wrong check digit"},
      {"110105194912310021", false, "a digit where X belongs"},
      {"33010219700307123X", false, "X where a digit belongs"},
      {"330102190002290019", false, "1900 was no leap year (check digit right)"},
      {"330102209912310012", false, "born in the future (check digit right)"},
      {"330102197013071233", false, "month 13"},
      {"33010219700307123", false, "seventeen characters"},
      {"3301021970030712311", false, "nineteen characters"},
      {"33010219700307A231", false, "a letter among the digits"},
      {" 330102197003071231", false, "a leading blank"},
      {"", false, "empty"},
      {"330102700307123", true, "fifteen digits, born 1970-03-07"},
      {"330102000229123", false, "fifteen digits, 1900 had no 29 February"},
      {"330102991231123", true, "fifteen digits, born 1999-12-31"},
      {"330102701307123", false, "fifteen digits, month 13"},
      {"330102700230123", false, "fifteen digits, 30 February"},
      {"33010270030712X", false, "fifteen characters with X"},
      {"33010270030712", false, "fourteen digits"},
  };
  for (const auto& c : cases) EXPECT_EQ(CheckRegNbr(c.number), c.valid) << c.number << ": " << c.why;
}

TEST(CheckPhoneId, ElevenDigitsOfAMobileSegment) {
  const struct {
    const char* phone;
    int result;
  } cases[] = {
      {"13957100001", 1}, {"13000000000", 1}, {"14512345678", 1}, {"14712345678", 1}, {"15012345678", 1},
      {"15912345678", 1}, {"16612345678", 1}, {"17012345678", 1}, {"17812345678", 1}, {"18812345678", 1},
      {"19912345678", 1},
      {"15412345678", 0},  // not a segment
      {"14012345678", 0}, {"17912345678", 0}, {"12012345678", 0}, {"11012345678", 0}, {"05712345678", 0},
      {"1395710000", 0},   // ten digits
      {"139571000011", 0}, // twelve
      {"1395710000a", 0}, {"139-7100001", 0}, {" 13957100001", 0}, {"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(CheckPhoneId(c.phone), c.result) << c.phone;
}

TEST(ExtractItemCode, ReadsTheBracketedCode) {
  const struct {
    const char* text;
    int code;
  } cases[] = {
      {"[571] 杭州", 571}, {"[0] 个人客户", 0}, {"  [12]x", 12}, {"[ 7 ] 七", 7}, {"[-3] 负", -3},
      {"[2147483647] max", 2147483647}, {"[2147483648] too big", 0}, {"571 杭州", 0}, {"[] 空", 0},
      {"[12 杭州", 0}, {"[a1] 杭州", 0}, {"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ExtractItemCode(c.text), c.code) << c.text;
}

}  // namespace
