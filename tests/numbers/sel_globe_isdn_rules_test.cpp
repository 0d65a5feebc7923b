#include "sel_globe_isdn_rules.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using zpnumbers::EntrySpan;
using zpnumbers::GridCell;
using zpnumbers::NumberRange;

TEST(SelGlobeIsdnRules, RangeTextsBecomeEightCharactersOrAreRefused) {
  struct Case {
    const char* start;
    const char* end;
    std::optional<NumberRange> range;
  };
  const Case cases[] = {
      {"", "", NumberRange{"00000000", "99999999"}},
      {"551", "", NumberRange{"55100000", "55199999"}},
      {"5510", "", NumberRange{"55100000", "55109999"}},
      {"55100007", "", NumberRange{"55100007", "55100007"}},
      {"551000071", "55101", NumberRange{"55100007", "55101999"}},
      {"5510000712", "551000089", NumberRange{"55100007", "55100008"}},
      {"", "5510", NumberRange{"00000000", "55109999"}},
      {"5510", "5511", NumberRange{"55100000", "55119999"}},
      // The end is padded with nines before it is compared: a shorter end
      // that is a prefix of the start still covers it.
      {"55100007", "5510", NumberRange{"55100007", "55109999"}},
      {"55100007", "5509", std::nullopt},
      {"56000000", "5599", std::nullopt},
      {"5510", "5509", std::nullopt},
      // Compared as texts, not as numbers.
      {"9", "10", std::nullopt},
      {"1", "9", NumberRange{"10000000", "99999999"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(zpnumbers::NormaliseNumberRange(c.start, c.end), c.range)
        << "start \"" << c.start << "\" end \"" << c.end << "\"";
  }
}

TEST(SelGlobeIsdnRules, EmptyQuantityAsksForAHundred) {
  EXPECT_EQ(zpnumbers::QuantityOrDefault(""), "100");
  EXPECT_EQ(zpnumbers::QuantityOrDefault("0"), "0");
  EXPECT_EQ(zpnumbers::QuantityOrDefault("7"), "7");
  EXPECT_EQ(zpnumbers::QuantityOrDefault("999"), "999");
}

TEST(SelGlobeIsdnRules, PagesHoldFiftyNumbers) {
  const std::pair<int, int> cases[] = {{0, 0}, {1, 1}, {49, 1}, {50, 1}, {51, 2}, {100, 2}, {101, 3}, {150, 3}, {151, 4}};
  for (const auto& [count, pages] : cases) EXPECT_EQ(zpnumbers::PageCount(count), pages) << count << " numbers";
}

TEST(SelGlobeIsdnRules, EachPageSpansItsOwnNumbersOnly) {
  EXPECT_EQ(zpnumbers::PageEntries(0, 101), (EntrySpan{0, 50}));
  EXPECT_EQ(zpnumbers::PageEntries(1, 101), (EntrySpan{50, 100}));
  EXPECT_EQ(zpnumbers::PageEntries(2, 101), (EntrySpan{100, 101}));
  EXPECT_EQ(zpnumbers::PageEntries(1, 100), (EntrySpan{50, 100}));
  EXPECT_EQ(zpnumbers::PageEntries(0, 7), (EntrySpan{0, 7}));
  // Pages that do not exist show nothing.
  for (const auto& [page, count] : {std::pair{3, 101}, {2, 100}, {-1, 101}, {0, 0}}) {
    const EntrySpan span = zpnumbers::PageEntries(page, count);
    EXPECT_EQ(span.first, span.end) << "page " << page << " of " << count;
  }
}

TEST(SelGlobeIsdnRules, NumbersFillTheGridRowByRowFiveToARow) {
  struct Case {
    int offset;
    GridCell cell;
  };
  const Case cases[] = {{0, {0, 0}}, {4, {0, 4}}, {5, {1, 0}}, {7, {1, 2}}, {44, {8, 4}}, {45, {9, 0}}, {49, {9, 4}}};
  for (const Case& c : cases) {
    EXPECT_EQ(zpnumbers::CellOfPageOffset(c.offset), c.cell) << "offset " << c.offset;
    for (int page : {0, 1, 2})
      EXPECT_EQ(zpnumbers::EntryAtCell(page, c.cell), page * 50 + c.offset) << "offset " << c.offset << " page " << page;
  }
  // Every cell of a page is one position and back again.
  for (int offset = 0; offset < zpnumbers::kNumbersPerPage; ++offset)
    EXPECT_EQ(zpnumbers::EntryAtCell(0, zpnumbers::CellOfPageOffset(offset)), offset);
  for (const GridCell outside : {GridCell{10, 0}, GridCell{0, 5}, GridCell{-1, 0}, GridCell{0, -1}})
    EXPECT_EQ(zpnumbers::EntryAtCell(0, outside), -1) << outside.row << "," << outside.column;
}
