#include "show_detail_rules.h"

#include <gtest/gtest.h>

using zpdialogs::DetailControlsOf;
using zpdialogs::RingCodeOf;
using zpdialogs::RingItemText;

TEST(ShowDetailRules, EachDetailTypeShowsItsControls) {
  struct Case {
    int type;
    bool mode, number, ring;
  } const cases[] = {
      {1, true, false, false}, {2, false, true, false}, {3, true, true, false},
      {4, true, false, true},  {5, false, false, true},
  };
  for (const auto& c : cases) {
    const auto controls = DetailControlsOf(c.type);
    ASSERT_TRUE(controls) << "type " << c.type;
    EXPECT_EQ(controls->mode, c.mode) << "type " << c.type;
    EXPECT_EQ(controls->number, c.number) << "type " << c.type;
    EXPECT_EQ(controls->ring, c.ring) << "type " << c.type;
  }
  for (int other : {0, 6, -1, 100}) EXPECT_FALSE(DetailControlsOf(other)) << "type " << other;
}

TEST(ShowDetailRules, RingCodesGoIntoTheListAndComeBackOut) {
  EXPECT_EQ(RingItemText("S001", "春天"), "[S001] 春天");
  EXPECT_EQ(RingItemText("", ""), "[] ");
  struct Case {
    const char* text;
    const char* code;
  } const cases[] = {
      {"[S001] 春天", "S001"},
      {"[12345] name [x]", "12345"},  // the first pair only
      {"[] nameless", ""},
      {"未开通", ""},                 // no brackets at all
      {"[S001 no close", ""},
      {"", ""},
      {"  [7] padded", "7"},
  };
  for (const auto& c : cases) EXPECT_EQ(RingCodeOf(c.text), c.code) << '"' << c.text << '"';
  for (const char* id : {"S001", "0", "abc def"}) EXPECT_EQ(RingCodeOf(RingItemText(id, "song")), id);
}
