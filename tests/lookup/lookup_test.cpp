#include "lookup.h"

#include <QComboBox>
#include <QListWidget>
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <type_traits>
#include <vector>

#include "MProductIntfApp.h"
#include "catalogue_lookups.h"
#include "gbk.h"

using MProductIntfApp::SBookItem;
using MProductIntfApp::SBookItemList;
using zp::lookup::MakeBookItemLookup;

static_assert(std::is_abstract_v<CBasicLookup<SBookItemList>>);
static_assert(std::has_virtual_destructor_v<CBasicLookup<SBookItemList>>);
// Results are owned by the caller: a shared buffer would let one result
// overwrite the next.
static_assert(std::is_same_v<decltype(std::declval<CBasicLookup<SBookItemList>&>().TextOfCode(0)), std::string>);
static_assert(std::is_same_v<decltype(std::declval<CBasicLookup<SBookItemList>&>().NameOfCode(0)), std::string>);

namespace {

SBookItem item(int id, const std::string& name) {
  SBookItem b;
  b.set_ITEM_ID(id);
  b.set_NAME(name);
  return b;
}

// Two records share code 12, two names differ only in ASCII case.
SBookItemList items() {
  return {item(12, "OPEN FEE"), item(7, "选号费"), item(12, "second twelve"), item(-3, "退费"), item(40, "Fee"),
          item(41, "FEE")};
}

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

std::vector<std::string> texts(const QComboBox& c) {
  std::vector<std::string> out;
  for (int i = 0; i < c.count(); ++i) out.push_back(c.itemText(i).toStdString());
  return out;
}

std::vector<std::string> texts(const QListWidget& l) {
  std::vector<std::string> out;
  for (int i = 0; i < l.count(); ++i) out.push_back(l.item(i)->text().toStdString());
  return out;
}

struct TextCase {
  std::string text;
  int code;
};

}  // namespace

TEST(LookupTranslation, CodeOfTextMatchesDisplayTextsAndElseReadsTheLeadingNumber) {
  auto l = MakeBookItemLookup(items());
  const TextCase cases[] = {
      {"[7] 选号费", 7},
      {"[12] OPEN FEE", 12},
      {"[12] open fee", 12},  // ASCII case is ignored
      {"[12] Second Twelve", 12},
      {"[41] fee", 41},       // the code is part of the text: not the first "fee"
      {"[-3] 退费", -3},
      {"[7] 选号费 ", 0},     // not a display text; "[" is no number
      {"[7]  选号费", 0},
      {"[99] nothing", 0},
      {"[40]", 0},
      {"12", 12},             // no record's text, but a number
      {"  -42 rest", -42},
      {"\t\n+8x", 8},
      {"007", 7},
      {"2147483647", INT_MAX},
      {"2147483648", INT_MAX},  // clamped, not wrapped
      {"99999999999999999999999", INT_MAX},
      {"18446744073709551617", INT_MAX},  // 2^64 + 1: no wrap in a wider type either
      {"-18446744073709551617", INT_MIN},
      {"-2147483648", INT_MIN},
      {"-99999999999", INT_MIN},
      {"", 0},
      {"-", 0},
      {"+-3", 0},
      {"- 3", 0},
      {"0x1F", 0},
      {"１２", 0},  // full-width digits are no decimal number
  };
  for (const TextCase& c : cases) EXPECT_EQ(l->CodeOfText(c.text), c.code) << '"' << c.text << '"';
}

TEST(LookupTranslation, CodeOfNameMatchesNamesAndElseReadsTheLeadingNumber) {
  auto l = MakeBookItemLookup(items());
  const TextCase cases[] = {
      {"OPEN FEE", 12},
      {"open Fee", 12},
      {"SECOND TWELVE", 12},
      {"fee", 40},  // "Fee" and "FEE" both match: the first wins
      {"FEE", 40},
      {"选号费", 7},
      {"退费", -3},
      {"[7] 选号费", 0},   // a display text is not a name
      {"second twelve ", 0},
      {"15 other", 15},
      {" -6", -6},
      {"", 0},
  };
  for (const TextCase& c : cases) EXPECT_EQ(l->CodeOfName(c.text), c.code) << '"' << c.text << '"';
}

TEST(LookupTranslation, TextAndNameOfCodeTakeTheFirstRecordOrFallBack) {
  auto l = MakeBookItemLookup(items());
  struct Case {
    int code;
    std::string text;
    std::string name;
  };
  const Case cases[] = {
      {7, "[7] 选号费", "选号费"},
      {12, "[12] OPEN FEE", "OPEN FEE"},  // first of two with code 12
      {-3, "[-3] 退费", "退费"},
      {41, "[41] FEE", "FEE"},
      {5, "5", ""},  // not in the list: the bare code, no name
      {0, "0", ""},
      {-5, "-5", ""},
      {INT_MIN, std::to_string(INT_MIN), ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(l->TextOfCode(c.code), c.text) << c.code;
    EXPECT_EQ(l->NameOfCode(c.code), c.name) << c.code;
  }
}

TEST(LookupTranslation, ResultsOfOneLookupStayValidAfterLaterCalls) {
  auto l = MakeBookItemLookup(items());
  auto other = MakeBookItemLookup({item(7, "another")});
  const auto first = l->TextOfCode(7);
  const auto second = l->TextOfCode(-3);
  const auto name = l->NameOfCode(12);
  const auto secondName = l->NameOfCode(41);
  const auto fromOther = other->TextOfCode(7);
  EXPECT_EQ(first, "[7] 选号费");
  EXPECT_EQ(second, "[-3] 退费");
  EXPECT_EQ(name, "OPEN FEE");
  EXPECT_EQ(secondName, "FEE");
  EXPECT_EQ(fromOther, "[7] another");
}

TEST(LookupTranslation, OnlyAsciiLettersFoldTheirCase) {
  // 癆 and 癮 are B0 41 and B0 61 in GBK: a case-blind compare of the GBK
  // bytes would take one for the other.
  ASSERT_EQ(zp::gbk::fromUtf8OrEmpty("癆"), "\xB0\x41");
  ASSERT_EQ(zp::gbk::fromUtf8OrEmpty("癮"), "\xB0\x61");
  auto l = MakeBookItemLookup({item(1, "Ａbc"), item(2, "ÉTÉ"), item(3, "癆"), item(4, "癮"), item(5, "Ǆx")});
  const TextCase names[] = {
      {"Ａbc", 1},
      {"ＡBC", 1},
      {"ａbc", 0},  // full-width letters are not ASCII
      {"ÉtÉ", 2},
      {"été", 0},
      {"癆", 3},
      {"癮", 4},
      {"ǆX", 0},
  };
  for (const TextCase& c : names) EXPECT_EQ(l->CodeOfName(c.text), c.code) << c.text;
  const TextCase displayTexts[] = {
      {"[1] ＡBC", 1},
      {"[1] ａbc", 0},
      {"[2] ÉtÉ", 2},
      {"[2] été", 0},
      {"[3] 癮", 0},
      {"[4] 癮", 4},
  };
  for (const TextCase& c : displayTexts) EXPECT_EQ(l->CodeOfText(c.text), c.code) << c.text;
}

TEST(LookupCut, DisplayTextsStopAt127GbkBytes) {
  // "[12] " takes 5 bytes: a name of 122 bytes still fits whole.
  struct Case {
    std::string name;
    std::string shown;  // the name part of the display text
  };
  const Case cases[] = {
      {std::string(122, 'a'), std::string(122, 'a')},
      {std::string(123, 'a'), std::string(122, 'a')},
      {std::string(300, 'a'), std::string(122, 'a')},
      {repeat("费", 61), repeat("费", 61)},       // 122 bytes
      {repeat("费", 62), repeat("费", 61)},       // 124 bytes: the 62nd is dropped whole
      {"x" + repeat("费", 61), "x" + repeat("费", 60)},  // 126 bytes shown, never half a character
      {repeat("a费", 41), repeat("a费", 40) + "a"},
  };
  for (const Case& c : cases) {
    auto l = MakeBookItemLookup({item(12, c.name)});
    const std::string shown = "[12] " + c.shown;
    const std::string full = "[12] " + c.name;
    const std::string text = l->TextOfCode(12);
    EXPECT_EQ(text, shown) << c.name;
    EXPECT_LE(zp::gbk::byteLength(text), 127u);
    EXPECT_FALSE(zp::gbk::fromUtf8OrEmpty(text).empty());  // whole characters only
    EXPECT_EQ(l->CodeOfText(text), 12) << c.name;          // what the screens show still matches
    EXPECT_EQ(l->CodeOfText(full), shown == full ? 12 : 0) << c.name;
    QComboBox combo;
    l->FillCombo(&combo);
    EXPECT_EQ(texts(combo), std::vector<std::string>{shown});
  }
}

TEST(LookupCut, NamesAreComparedAndReturnedCutTo127GbkBytes) {
  const std::string fits = repeat("费", 63) + "x";  // 127 bytes
  const std::string longer = repeat("费", 70);     // 140 bytes
  auto l = MakeBookItemLookup({item(1, fits), item(2, longer), item(3, std::string(128, 'n'))});
  EXPECT_EQ(l->NameOfCode(1), fits);
  EXPECT_EQ(l->CodeOfName(fits), 1);
  EXPECT_EQ(l->NameOfCode(2), repeat("费", 63));
  EXPECT_EQ(l->CodeOfName(repeat("费", 63)), 2);
  EXPECT_EQ(l->CodeOfName(longer), 0);
  EXPECT_EQ(l->NameOfCode(3), std::string(127, 'n'));
  EXPECT_EQ(l->CodeOfName(std::string(127, 'N')), 3);
  EXPECT_EQ(l->CodeOfName(std::string(128, 'n')), 0);
  // "[2] " leaves an odd 123 bytes for the name: 61 characters, never 61 and a half.
  EXPECT_EQ(l->TextOfCode(2), "[2] " + repeat("费", 61));
}

TEST(LookupCopy, LaterChangesToTheCallersListDoNotReachTheLookup) {
  SBookItemList list = items();
  auto l = MakeBookItemLookup(list);
  list[1].set_NAME("changed");
  list[1].set_ITEM_ID(99);
  list.insert(list.begin(), item(7, "in front"));
  EXPECT_EQ(l->NameOfCode(7), "选号费");
  EXPECT_EQ(l->TextOfCode(99), "99");
  list.clear();
  list.shrink_to_fit();
  EXPECT_EQ(l->TextOfCode(7), "[7] 选号费");
  EXPECT_EQ(l->CodeOfName("退费"), -3);
}

TEST(LookupControls, FillComboAppendsEveryTextInOrderAndSelectsTheFirstItem) {
  auto l = MakeBookItemLookup(items());
  QComboBox combo;
  combo.addItems({"kept", "also kept"});
  combo.setCurrentIndex(1);
  l->FillCombo(&combo);
  const std::vector<std::string> expected = {"kept",      "also kept",  "[12] OPEN FEE", "[7] 选号费",
                                             "[12] second twelve", "[-3] 退费", "[40] Fee", "[41] FEE"};
  EXPECT_EQ(texts(combo), expected);
  EXPECT_EQ(combo.currentIndex(), 0);
  // Every item the lookup added turns back into its record's code.
  const int codes[] = {12, 7, 12, -3, 40, 41};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(l->CodeOfText(combo.itemText(i + 2).toStdString()), codes[i]) << i;

  // A second fill appends again; the caller clears when it wants a fresh list.
  l->FillCombo(&combo);
  EXPECT_EQ(combo.count(), 14);
}

TEST(LookupControls, FillComboFromAnEmptyList) {
  auto empty = MakeBookItemLookup({});
  QComboBox none;
  empty->FillCombo(&none);
  EXPECT_EQ(none.count(), 0);
  EXPECT_EQ(none.currentIndex(), -1);
  // Items already there are kept; as the combo holds items, the first is selected.
  QComboBox some;
  some.addItems({"a", "b", "c"});
  some.setCurrentIndex(2);
  empty->FillCombo(&some);
  EXPECT_EQ(texts(some), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(some.currentIndex(), 0);
}

TEST(LookupControls, FillListAppendsEveryTextAndSelectsNothing) {
  auto l = MakeBookItemLookup(items());
  QListWidget list;
  list.addItem("kept");
  l->FillList(&list);
  EXPECT_EQ(texts(list), (std::vector<std::string>{"kept", "[12] OPEN FEE", "[7] 选号费", "[12] second twelve",
                                                   "[-3] 退费", "[40] Fee", "[41] FEE"}));
  EXPECT_EQ(list.currentRow(), -1);
  EXPECT_TRUE(list.selectedItems().isEmpty());

  auto empty = MakeBookItemLookup({});
  QListWidget none;
  empty->FillList(&none);
  EXPECT_EQ(none.count(), 0);
  EXPECT_EQ(none.currentRow(), -1);
}

TEST(LookupControls, NullControlsAreLeftAlone) {
  auto l = MakeBookItemLookup(items());
  auto empty = MakeBookItemLookup({});
  l->FillCombo(nullptr);
  l->FillList(nullptr);
  empty->FillCombo(nullptr);
  empty->FillList(nullptr);
  EXPECT_EQ(l->TextOfCode(7), "[7] 选号费");
}

TEST(LookupEmpty, EveryOperationFallsBack) {
  auto l = MakeBookItemLookup({});
  EXPECT_EQ(l->TextOfCode(3), "3");
  EXPECT_EQ(l->NameOfCode(3), "");
  EXPECT_EQ(l->CodeOfText("[3] x"), 0);
  EXPECT_EQ(l->CodeOfText("3 x"), 3);
  EXPECT_EQ(l->CodeOfName("x"), 0);
  EXPECT_EQ(l->CodeOfName("-3"), -3);
}
