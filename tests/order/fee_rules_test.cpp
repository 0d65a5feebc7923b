#include "fee_rules.h"
#include "order_money.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

using MProductIntfApp::SAccItemRel;
using MProductIntfApp::SAccItemRelList;
using MPublicDef::SPrepayOper;
using MPublicDef::SPrepayOperList;
using MPublicDef::SSoFee;
using MPublicDef::SSoFeeList;
using zpfee::DiscountBooking;
using zpfee::DiscountCheck;
using zpfee::FeeRow;
using zpfee::FeeTotals;

namespace {

SSoFee Fee(int item, std::int64_t value, std::int64_t discount = 0) {
  SSoFee fee;
  fee.set_BOOK_ITEM_ID(item);
  fee.set_RES_CODE(7);
  fee.set_ITEM_VALUE(value);
  fee.set_ITEM_DISCOUNT(discount);
  fee.set_ITEM_COUNT(1);
  fee.set_ITEM_TOTAL(value + discount);
  fee.set_REMARK("计费");
  fee.set_OPER_TYPE(1);
  fee.set_OP_ID(11);
  return fee;
}

SAccItemRel Rel(int feeItem, int discItem) {
  SAccItemRel rel;
  rel.set_FEE_ITEM(feeItem);
  rel.set_DISC_ITEM(discItem);
  return rel;
}

SPrepayOper Prepay(int item, std::int64_t amount, const std::string& remark) {
  SPrepayOper p;
  p.set_BOOK_ID(9001);
  p.set_BOOK_ITEM_ID(item);
  p.set_AMOUNT(amount);
  p.set_REMARK(remark);
  return p;
}

TEST(FeeTotalsOfRows, SumsTheRowTextsAndMovesOnlyTheFirstReductionItemRow) {
  struct Case {
    const char* what;
    std::vector<FeeRow> rows;
    FeeTotals expected;
  };
  const std::int64_t big = 3'000'000'000'00;  // 3e11 fen: far beyond 32 bits
  const Case cases[] = {
      {"fees and a prepayment",
       {{101, "30.00", "0.00"}, {103, "20.00", "-5.00"}, {201, "100.00", "0.00"}},
       {15000, -500, 14500}},
      {"the reduction item moves to the reduction",
       {{101, "50.00", "0.00"}, {103, "20.00", "0.00"}, {zpfee::kItemCountedAsReduction, "-10.00", "0.00"}},
       {7000, -1000, 6000}},
      {"a second row of that item stays in the amount due",
       {{zpfee::kItemCountedAsReduction, "-10.00", "0.00"}, {101, "50.00", "0.00"}, {zpfee::kItemCountedAsReduction, "-4.00", "0.00"}},
       {4600, -1000, 3600}},
      {"a discount written as a plain number",
       {{101, "30.00", "-5"}, {103, "0.05", "-0.01"}},
       {3005, -501, 2504}},
      {"64-bit amounts stay exact",
       {{101, "3000000000.01", "-0.01"}, {103, "3000000000.00", "-1000000000.00"}},
       {2 * big + 1, -1 * big / 3 - 1, 2 * big + 1 - big / 3 - 1}},
      {"no rows", {}, {0, 0, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(zpfee::TotalsOfRows(c.rows), c.expected) << c.what;
}

TEST(FeeAmountTexts, PlainNumbersAndTheirNegation) {
  const std::pair<std::int64_t, const char*> plain[] = {
      {500, "5"}, {530, "5.3"}, {505, "5.05"}, {5, "0.05"}, {0, "0"}, {-500, "-5"}, {-1, "-0.01"},
      {std::numeric_limits<std::int64_t>::max(), "92233720368547758.07"},
      {std::numeric_limits<std::int64_t>::min(), "-92233720368547758.08"}};
  for (const auto& [fen, text] : plain) EXPECT_EQ(zpfee::PlainNumberText(fen), text) << fen;

  const std::pair<const char*, const char*> negated[] = {
      {"-5.00", "5"}, {"5.00", "-5"}, {"0.00", "0"}, {"-0.30", "0.3"}, {"3", "-3"}, {"abc", "0"}, {"1.234", "0"}};
  for (const auto& [text, expected] : negated) EXPECT_EQ(zpfee::NegatedAmountText(text), expected) << text;
}

TEST(FeeDiscountLimits, PositiveAndNoMoreThanTheAmountDue) {
  const struct {
    const char* due;
    const char* discount;
    DiscountCheck expected;
  } cases[] = {
      {"30.00", "30.00", DiscountCheck::accepted},   {"30.00", "0.01", DiscountCheck::accepted},
      {"30.00", "30.01", DiscountCheck::exceedsDue}, {"30.00", "0.00", DiscountCheck::zero},
      {"30.00", "", DiscountCheck::zero},            {"30.00", "5.001", DiscountCheck::zero},
      {"30.00", "1.2.3", DiscountCheck::zero},       {"30.00", "-1", DiscountCheck::negative},
      {"", "1", DiscountCheck::exceedsDue},          {"99999999999.99", "99999999999.99", DiscountCheck::accepted},
  };
  for (const auto& c : cases)
    EXPECT_EQ(zpfee::CheckItemDiscount(c.due, c.discount), c.expected) << c.due << " / " << c.discount;
}

TEST(FeeDiscountRows, PrepaymentsAndTheFixedPriceItemAreNeverDiscounted) {
  EXPECT_TRUE(zpfee::MayDiscountRow(zpfee::kAcceptanceFeeType, 101));
  EXPECT_TRUE(zpfee::MayDiscountRow(zpfee::kAcceptanceFeeType, zpfee::kItemCountedAsReduction));
  EXPECT_FALSE(zpfee::MayDiscountRow(zpfee::kAcceptanceFeeType, zpfee::kItemNeverDiscounted));
  EXPECT_FALSE(zpfee::MayDiscountRow(zpfee::kPrepaymentType, 101));
}

TEST(FeeMoneyKeys, DigitsPointBackspaceAndClipboardKeysOnly) {
  for (char32_t key : {U'0', U'5', U'9', U'.', char32_t{8}, char32_t{1}, char32_t{3}, char32_t{22}, char32_t{24}})
    EXPECT_TRUE(zpfee::IsMoneyKey(key)) << static_cast<int>(key);
  for (char32_t key : {U'a', U'-', U'+', U'%', U'\'', U' ', U',', U'５', char32_t{13}, char32_t{0}})
    EXPECT_FALSE(zpfee::IsMoneyKey(key)) << static_cast<int>(key);
}

class GrantDiscount : public ::testing::Test {
 protected:
  // Two entries of 101 and one of 102 that shares 103's discount item.
  SSoFeeList fees{Fee(101, 3000), Fee(103, 2000, -500), Fee(101, 1000), Fee(102, 800)};
  SAccItemRelList rels{Rel(103, 302), Rel(101, 301), Rel(101, 399), Rel(102, 302)};
  std::vector<int> rowCodes{101, 103, 101, 102, 201};
  zpfee::ItemGrants grants;

  DiscountBooking Grant(std::size_t index, std::int64_t whole, const char* remark = "r") {
    return zpfee::GrantItemDiscount(fees, grants, rels, rowCodes, index, whole, remark);
  }
};

TEST_F(GrantDiscount, AGrantIsAnEntryOfItsOwnOnTheDiscountItem) {
  ASSERT_EQ(Grant(0, -500, "老客户"), DiscountBooking::recorded);
  const SSoFeeList booked = zpfee::BookedFees(fees, grants);
  ASSERT_EQ(booked.size(), 5u);
  EXPECT_EQ(SSoFeeList(booked.begin(), booked.begin() + 4), fees) << "the fee entries themselves never change";
  SSoFee expected = Fee(101, 3000);
  expected.set_BOOK_ITEM_ID(301);  // the first relation of the item wins
  expected.set_ITEM_VALUE(-500);
  expected.set_ITEM_DISCOUNT(0);
  expected.set_ITEM_RETREAT(0);
  expected.set_ITEM_COUNT(1);
  expected.set_ITEM_TOTAL(-500);
  expected.set_REMARK("老客户");
  expected.set_OPER_TYPE(2);
  EXPECT_EQ(booked[4], expected);
  EXPECT_EQ(zpfee::WholeDiscount(fees, grants, 0), -500);
}

// The operator states the entry's whole discount; with a calculated
// discount the grant is what comes on top of it, and confirming the
// calculated discount unchanged books nothing.
TEST_F(GrantDiscount, TheWholeDiscountReplacesAndNeverDoubles) {
  const struct {
    std::int64_t whole;
    DiscountBooking expected;
    std::size_t grants;
    std::int64_t shown;
  } steps[] = {
      {-500, DiscountBooking::recorded, 0, -500},          // the calculated one, confirmed: nothing added
      {-800, DiscountBooking::recorded, 1, -800},          // 3.00 on top of the calculated 5.00
      {-800, DiscountBooking::recorded, 1, -800},          // the same again: still 3.00 on top
      {-1200, DiscountBooking::recorded, 1, -1200},        // replaced, not added
      {-400, DiscountBooking::belowCalculated, 1, -1200},  // less than configured: refused
      {-500, DiscountBooking::recorded, 0, -500},          // back to the calculated one: the grant goes
  };
  for (const auto& s : steps) {
    EXPECT_EQ(Grant(1, s.whole), s.expected) << s.whole;
    EXPECT_EQ(grants.size(), s.grants) << s.whole;
    EXPECT_EQ(zpfee::WholeDiscount(fees, grants, 1), s.shown) << s.whole;
    EXPECT_EQ(zpmoney::OrderAmount(zpfee::BookedFees(fees, grants)), 3000 + 2000 + 1000 + 800 + s.shown)
        << "what the row shows is what the order books, " << s.whole;
  }
}

TEST_F(GrantDiscount, GrantsOnEntriesSharingADiscountItemAreAllKept) {
  ASSERT_EQ(Grant(0, -100, "a"), DiscountBooking::recorded);  // 101, first entry
  ASSERT_EQ(Grant(2, -200, "b"), DiscountBooking::recorded);  // 101, second entry
  ASSERT_EQ(Grant(3, -300, "c"), DiscountBooking::recorded);  // 102 → 302
  ASSERT_EQ(Grant(1, -900, "d"), DiscountBooking::recorded);  // 103 → 302, 4.00 on top
  ASSERT_EQ(Grant(0, -150, "a2"), DiscountBooking::recorded);  // the first again: replaced in place
  const SSoFeeList booked = zpfee::BookedFees(fees, grants);
  ASSERT_EQ(booked.size(), 8u);
  const std::vector<std::pair<int, std::int64_t>> added{{301, -150}, {301, -200}, {302, -300}, {302, -400}};
  for (std::size_t i = 0; i < added.size(); ++i) {
    EXPECT_EQ(booked[4 + i].get_BOOK_ITEM_ID(), added[i].first) << i;
    EXPECT_EQ(booked[4 + i].get_ITEM_TOTAL(), added[i].second) << i;
  }
  EXPECT_EQ(booked[4].get_REMARK(), "a2");
  EXPECT_EQ(zpmoney::OrderAmount(booked), 6800 - 500 - 150 - 200 - 300 - 400);
}

TEST_F(GrantDiscount, RefusalsLeaveTheGrantsAsTheyWere) {
  const struct {
    const char* what;
    std::size_t index;
    std::vector<int> rows;
    DiscountBooking expected;
  } cases[] = {
      {"no relation for the fee item", 4, {101, 103, 104}, DiscountBooking::noDiscountItem},
      {"the discount item already has a row", 1, {101, 103, 302}, DiscountBooking::alreadyDiscounted},
      {"a prepayment row on the discount item counts too", 0, {101, 301}, DiscountBooking::alreadyDiscounted},
      {"not a fee entry", 5, {101, 103}, DiscountBooking::noFeeItem},
      {"less than the calculated discount", 1, {101, 103}, DiscountBooking::belowCalculated},
  };
  fees.push_back(Fee(104, 100));
  ASSERT_EQ(Grant(0, -100), DiscountBooking::recorded);
  for (const auto& c : cases) {
    rowCodes = c.rows;
    const zpfee::ItemGrants before = grants;
    EXPECT_EQ(Grant(c.index, -50), c.expected) << c.what;
    ASSERT_EQ(grants.size(), before.size()) << c.what;
    EXPECT_EQ(grants[0].amount, before[0].amount) << c.what;
  }
}

TEST(FoldPrepayments, EachPrepaymentBecomesAFeeItemAfterTheFees) {
  SSoFeeList fees{Fee(101, 3000)};
  SPrepayOperList prepays{Prepay(201, 10000, "预存"), Prepay(202, 3'000'000'000'00, "保底")};
  zpfee::FoldPrepaymentsIntoFees(fees, prepays);

  ASSERT_EQ(fees.size(), 3u);
  EXPECT_EQ(fees[0], Fee(101, 3000));
  SSoFee expected;
  expected.set_BOOK_ITEM_ID(201);
  expected.set_RES_CODE(0);
  expected.set_ITEM_VALUE(10000);
  expected.set_ITEM_DISCOUNT(0);
  expected.set_ITEM_RETREAT(0);
  expected.set_ITEM_COUNT(1);
  expected.set_ITEM_TOTAL(10000);
  expected.set_REMARK("预存");
  expected.set_OPER_TYPE(1);
  // Equality covers the presence words: exactly these nine fields are set.
  EXPECT_EQ(fees[1], expected);
  EXPECT_EQ(fees[1].Marker, 0x1FFu);
  EXPECT_EQ(fees[2].get_BOOK_ITEM_ID(), 202);
  EXPECT_EQ(fees[2].get_ITEM_VALUE(), 3'000'000'000'00);
  EXPECT_EQ(fees[2].get_ITEM_TOTAL(), 3'000'000'000'00);
  EXPECT_EQ(fees[2].get_REMARK(), "保底");
  for (const SPrepayOper& p : prepays) EXPECT_EQ(p.get_BOOK_ID(), 0);
  EXPECT_EQ(prepays[0].get_AMOUNT(), 10000) << "the prepayments themselves are kept";
}

}  // namespace
