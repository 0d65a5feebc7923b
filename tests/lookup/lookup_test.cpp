#include "lookup.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <gtest/gtest.h>

#include "catalogue_lookups.h"

using namespace MProductIntfApp;

namespace {

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "test_lookup";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QApplication> app_;
};
const auto* const kQt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

SBookItem item(int id, const std::string& name) {
  SBookItem b;
  b.set_ITEM_ID(id);
  b.set_NAME(name);
  return b;
}

SBookItemList items() { return {item(12, "OPEN FEE"), item(7, "选号费"), item(12, "second twelve"), item(-3, "退费")}; }

std::vector<std::string> texts(const QComboBox& c) {
  std::vector<std::string> out;
  for (int i = 0; i < c.count(); ++i) out.push_back(c.itemText(i).toStdString());
  return out;
}

}  // namespace

TEST(Lookup, CodesAndTextsBothWays) {
  auto l = zp::lookup::MakeBookItemLookup(items());
  EXPECT_EQ(l->TextOfCode(7), "[7] 选号费");
  EXPECT_EQ(l->TextOfCode(12), "[12] OPEN FEE");  // the first of two with the same code
  EXPECT_EQ(l->NameOfCode(12), "OPEN FEE");
  EXPECT_EQ(l->TextOfCode(-3), "[-3] 退费");
  struct Case {
    const char* text;
    int code;
  };
  const Case byText[] = {
      {"[7] 选号费", 7},
      {"[12] open fee", 12},      // ASCII case is ignored
      {"[12] Second Twelve", 12},
      {"[7] 选号费 ", 0},         // not a display text: its leading number, none
      {"[99] nothing", 0},        // begins with "[": no leading number
      {"  -42 rest", -42},        // blanks, sign, digits
      {"+8", 8},
      {"99999999999", INT_MAX},   // clamped
      {"", 0},
  };
  for (const Case& c : byText) EXPECT_EQ(l->CodeOfText(c.text), c.code) << c.text;
  EXPECT_EQ(l->CodeOfName("open FEE"), 12);
  EXPECT_EQ(l->CodeOfName("选号费"), 7);
  EXPECT_EQ(l->CodeOfName("15 other"), 15);
  // Fallbacks for a code that is not there.
  EXPECT_EQ(l->TextOfCode(5), "5");
  EXPECT_EQ(l->NameOfCode(5), "");
}

TEST(Lookup, OnlyAsciiLettersFoldTheirCase) {
  // "Ａ" (a full-width letter) is not ASCII: its bytes must match exactly.
  auto l = zp::lookup::MakeBookItemLookup({item(1, "Ａbc"), item(2, "ÉTÉ")});
  EXPECT_EQ(l->CodeOfText("[1] Ａbc"), 1);
  EXPECT_EQ(l->CodeOfText("[1] ＡBC"), 1);
  EXPECT_EQ(l->CodeOfText("[1] ａbc"), 0);
  EXPECT_EQ(l->CodeOfName("été"), 0);  // É is not ASCII
  EXPECT_EQ(l->CodeOfName("ÉtÉ"), 2);
}

TEST(Lookup, LongNamesAreCutTo127GbkBytesWithoutSplittingACharacter) {
  std::string chinese = std::string(10, 'x');
  for (int i = 0; i < 60; ++i) chinese += "费";  // 2 bytes each in GBK
  auto l = zp::lookup::MakeBookItemLookup({item(12, chinese)});
  const std::string text = l->TextOfCode(12);
  // "[12] " is 5 bytes, then 10 ASCII: 112 bytes left, 56 characters.
  EXPECT_EQ(zp::gbk::byteLength(text), 127u);
  EXPECT_EQ(text, "[12] " + std::string(10, 'x') + [] {
    std::string s;
    for (int i = 0; i < 56; ++i) s += "费";
    return s;
  }());
  EXPECT_EQ(l->CodeOfText("[12] " + chinese), 0);  // the full text no longer matches
  EXPECT_EQ(l->CodeOfText(text), 12);
  // An odd budget never takes half a character.
  auto odd = zp::lookup::MakeBookItemLookup({item(1, chinese)});  // "[1] " leaves an odd 113 bytes
  EXPECT_EQ(zp::gbk::byteLength(odd->TextOfCode(1)), 126u);
}

TEST(Lookup, KeepsItsOwnCopyOfTheList) {
  SBookItemList list = items();
  auto l = zp::lookup::MakeBookItemLookup(list);
  list[1].set_NAME("changed");
  list.clear();
  EXPECT_EQ(l->NameOfCode(7), "选号费");
}

TEST(Lookup, FillsCombosAndListsInOrder) {
  auto l = zp::lookup::MakeBookItemLookup(items());
  QComboBox combo;
  combo.addItem("kept");
  l->FillCombo(&combo);
  EXPECT_EQ(texts(combo), (std::vector<std::string>{"kept", "[12] OPEN FEE", "[7] 选号费", "[12] second twelve",
                                                     "[-3] 退费"}));
  EXPECT_EQ(combo.currentIndex(), 0);
  QListWidget list;
  l->FillList(&list);
  EXPECT_EQ(list.count(), 4);
  EXPECT_EQ(list.currentRow(), -1);
  l->FillCombo(nullptr);
  l->FillList(nullptr);

  auto empty = zp::lookup::MakeBookItemLookup({});
  QComboBox none;
  empty->FillCombo(&none);
  EXPECT_EQ(none.count(), 0);
  EXPECT_EQ(none.currentIndex(), -1);
  EXPECT_EQ(empty->TextOfCode(3), "3");
  EXPECT_EQ(empty->CodeOfText("[3] x"), 0);
  EXPECT_EQ(empty->NameOfCode(3), "");
}

TEST(Lookup, EveryCatalogueListReadsItsOwnFields) {
  SSpromPlanMap prom;
  prom.set_PROM_ID(21);
  prom.set_PROM_NAME("保底");
  prom.set_PLAN_ID(999);
  EXPECT_EQ(zp::lookup::MakePromLookup({prom})->TextOfCode(21), "[21] 保底");
  SBusiProdInfo bp;
  bp.set_PROD_ID(22);
  bp.set_PROD_NAME("GPRS套餐");
  bp.set_BUSI_TYPE(5);
  EXPECT_EQ(zp::lookup::MakeBusiProdLookup({bp})->TextOfCode(22), "[22] GPRS套餐");
  SBusiType bt;
  bt.set_BUSI_TYPE(101);
  bt.set_BUSI_NAME("全球呼");
  bt.set_SERVICE_ID(7);
  EXPECT_EQ(zp::lookup::MakeBusiTypeLookup({bt})->CodeOfText("[101] 全球呼"), 101);
  SProdName pn;
  pn.set_PROD_ID(23);
  pn.set_NAME("呼叫转移");
  EXPECT_EQ(zp::lookup::MakeProdNameLookup({pn})->NameOfCode(23), "呼叫转移");
  SProdPlanMap pp;
  pp.set_PRODUCT_ID(24);
  pp.set_DESCRIPTION("彩铃功能");
  pp.set_SERVICE_ID(5);
  EXPECT_EQ(zp::lookup::MakePlanProdLookup({pp})->TextOfCode(24), "[24] 彩铃功能");
  MBusiDataMgnt::SSpInfo sp;
  sp.set_SP_ID(3);
  sp.set_SP_NAME("定位服务商");
  sp.set_OP_ID(77);
  EXPECT_EQ(zp::lookup::MakeSpLookup({sp})->TextOfCode(3), "[3] 定位服务商");
}
