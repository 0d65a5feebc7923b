#include "gbk.h"

#include <gtest/gtest.h>

using namespace zp;

TEST(Gbk, RoundTripOfChineseAndAscii) {
  const std::string utf8 = "新业务受理 [12] OK";
  std::string wire;
  ASSERT_TRUE(gbk::fromUtf8(utf8, wire));
  EXPECT_EQ(wire, "\xD0\xC2\xD2\xB5\xCE\xF1\xCA\xDC\xC0\xED [12] OK");
  std::string back;
  ASSERT_TRUE(gbk::toUtf8(wire, back));
  EXPECT_EQ(back, utf8);
  EXPECT_EQ(gbk::byteLength(utf8), wire.size());
}

TEST(Gbk, TextWithoutGbkFormIsRefusedAndOutputKept) {
  const char* bad[] = {
      "\xF0\x9F\x98\x80",  // an emoji: outside GBK
      "a\xE2\x82\xACz",    // the euro sign: not in GBK
      "\xC3\x28",          // not UTF-8
      "\xED\xA0\x80",      // a surrogate
      "\xC0\xAF",          // overlong
  };
  for (const char* text : bad) {
    std::string out = "kept";
    std::string why;
    EXPECT_FALSE(gbk::fromUtf8(text, out, &why)) << text;
    EXPECT_EQ(out, "kept");
    EXPECT_FALSE(why.empty());
  }
}

TEST(Gbk, BytesThatAreNotGbkAreRefused) {
  const std::string bad[] = {
      "\xD0",            // lone lead byte
      "ab\xD0",          // lone lead byte at the end
      "\xD0\x7F",        // trail byte 0x7F is never valid
      "\x80\x41",        // 0x80 is not a lead byte
      "\xFF\xFF",        // neither is 0xFF
      std::string("\xD0\x00", 2),
  };
  for (const std::string& text : bad) {
    std::string out = "kept";
    EXPECT_FALSE(gbk::toUtf8(text, out));
    EXPECT_EQ(out, "kept");
  }
}

TEST(Gbk, CutNeverSplitsACharacter) {
  const std::string text = "ab新业务";  // 2 + 3 * 2 GBK bytes
  struct Case {
    std::size_t max;
    const char* expect;
  };
  const Case cases[] = {{0, ""}, {1, "a"}, {2, "ab"}, {3, "ab"}, {4, "ab新"}, {7, "ab新业"}, {8, "ab新业务"}, {100, "ab新业务"}};
  for (const Case& c : cases) EXPECT_EQ(gbk::cutToBytes(text, c.max), c.expect) << c.max;
}
