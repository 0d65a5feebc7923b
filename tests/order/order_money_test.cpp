// The money rule of an order: an entry's amount, whether an entry can be
// booked, the invoice lines and the six lines of the printed form.
#include "order_money.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

using MPublicDef::SSoFee;
using MPublicDef::SSoFeeList;

namespace {

SSoFee Entry(int item, std::int64_t value, std::int64_t count, std::int64_t discount,
             std::optional<std::int64_t> total = std::nullopt) {
  SSoFee fee;
  fee.set_BOOK_ITEM_ID(item);
  fee.set_ITEM_VALUE(value);
  fee.set_ITEM_COUNT(count);
  fee.set_ITEM_DISCOUNT(discount);
  if (total) fee.set_ITEM_TOTAL(*total);
  return fee;
}

std::string Name(int item) { return "科目" + std::to_string(item); }

}  // namespace

TEST(OrderMoney, AnEntrysAmountAndWhetherItCanBeBooked) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  const struct {
    const char* what;
    SSoFee fee;
    std::optional<std::int64_t> amount;
    bool agrees;
  } cases[] = {
      {"a plain fee", Entry(101, 3000, 1, 0, 3000), 3000, true},
      {"a calculated discount", Entry(101, 1000, 1, -200, 800), 800, true},
      {"a count multiplies the unit price", Entry(101, 500, 3, -100, 1400), 1400, true},
      {"a count below 1 counts as 1", Entry(101, 500, 0, 0, 500), 500, true},
      {"no total carried: the rule's amount", Entry(101, 500, 2, -50), 950, true},
      {"a total that says another amount", Entry(101, 1000, 1, -200, 1000), 800, false},
      {"a reduction item", Entry(27000003, -1000, 1, 0, -1000), -1000, true},
      {"beyond 64 bits", Entry(101, kMax, 2, 0, 0), std::nullopt, false},
      {"the discount beyond 64 bits", Entry(101, std::numeric_limits<std::int64_t>::min(), 1, -1), std::nullopt, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(zpmoney::EntryAmount(c.fee), c.amount) << c.what;
    EXPECT_EQ(zpmoney::EntryAgrees(c.fee), c.agrees) << c.what;
  }
  EXPECT_EQ(zpmoney::OrderAmount({Entry(101, kMax, 1, 0), Entry(102, 1, 1, 0)}), std::nullopt);
  EXPECT_EQ(zpmoney::OrderAmount({}), 0);
}

TEST(OrderMoney, InvoiceLinesAreTheEntriesThatAreNotZeroDiscountsIncluded) {
  const SSoFeeList fees{Entry(103, 500, 1, 0, 500),     Entry(101, 1000, 1, -200, 800), Entry(302, -300, 1, 0, -300),
                        Entry(103, 200, 1, -200, 0),    Entry(201, 3000, 1, 0, 3000),   Entry(27000003, -1000, 1, 0),
                        Entry(999, 100, 1, 0, 999999)};  // does not agree: refused before, left out here
  const MPublicDef::STiketInfoList lines = zpmoney::InvoiceLinesOf(fees, Name);
  ASSERT_EQ(lines.size(), 5u);
  const std::pair<int, std::int64_t> expected[] = {{103, 500}, {101, 800}, {302, -300}, {201, 3000}, {27000003, -1000}};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].get_BOOK_ITEM_ID(), expected[i].first) << i;
    EXPECT_EQ(lines[i].get_ITEM_TOTAL(), expected[i].second) << i;
    EXPECT_EQ(lines[i].get_BOOK_ITEM_NAME(), Name(expected[i].first)) << i;
  }
  // Booked and invoiced agree once the refused entry is gone.
  const SSoFeeList booked(fees.begin(), fees.end() - 1);
  EXPECT_EQ(zpmoney::InvoiceTotal(lines), *zpmoney::OrderAmount(booked));
  EXPECT_EQ(zpmoney::InvoiceTotal(lines), 3000);
}

TEST(OrderMoney, TheFormsSixLinesFoldTheRestIntoTheLastWithoutChangingTheTotal) {
  SSoFeeList fees;
  for (int i = 1; i <= 9; ++i) fees.push_back(Entry(100 + i, i * 100, 1, 0));
  fees.push_back(Entry(301, -250, 1, 0));
  const MPublicDef::STiketInfoList lines = zpmoney::InvoiceLinesOf(fees, Name);
  for (std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{5}, std::size_t{6}, std::size_t{10}}) {
    const MPublicDef::STiketInfoList some(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(count));
    const std::vector<zpmoney::PaperLine> paper = zpmoney::PaperLinesOf(some, 6);
    EXPECT_EQ(paper.size(), std::min<std::size_t>(count, 6)) << count;
    std::int64_t sum = 0;
    for (const zpmoney::PaperLine& line : paper) sum += line.amount;
    EXPECT_EQ(sum, zpmoney::InvoiceTotal(some)) << count;
    if (count > 6) {
      EXPECT_EQ(paper[5].name, zpmoney::kOtherFeesName);
      EXPECT_EQ(paper[5].amount, 600 + 700 + 800 + 900 - 250);
      EXPECT_EQ(paper[4].name, Name(105));
    } else if (count > 0) {
      EXPECT_EQ(paper.back().name, Name(100 + static_cast<int>(count)));
    }
  }
}

TEST(OrderMoney, InvoiceLinesCarryAmountsBeyond32BitsWhole) {
  const SSoFeeList fees{Entry(101, 5'000'000'000, 3, -1, 14'999'999'999)};
  const MPublicDef::STiketInfoList lines = zpmoney::InvoiceLinesOf(fees, Name);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].get_ITEM_VALUE(), 5'000'000'000);
  EXPECT_EQ(lines[0].get_ITEM_COUNT(), 3);
  EXPECT_EQ(lines[0].get_ITEM_TOTAL(), 14'999'999'999);
}
