// The money of an order: one rule that the fee dialog, the order and the
// invoice all follow, so that what the operator is told to collect, what the
// order books and what the invoice asks are the same number of fen.
//
//   an entry's amount   = ITEM_VALUE x ITEM_COUNT + ITEM_DISCOUNT
//                         (a count below 1 counts as 1; ITEM_DISCOUNT is 0
//                         or negative)
//   the order's amount  = the sum of its entries' amounts
//   the invoice's lines = the entries whose amount is not 0, in order, each
//                         with its amount; reductions and discounts are
//                         lines of their own with a negative amount
//
// A discount granted at the counter is an entry of its own on the discount
// item: ITEM_VALUE the (negative) grant, count 1, no discount of its own.
// The fee list row of the discounted item shows the item's whole discount,
// the calculated one plus the granted one, which is what the order books.
//
// Plain C++ over the records: the counter and zpserver link the same code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "MPublicDef.h"

namespace zpmoney {

// ITEM_VALUE x ITEM_COUNT; nothing when it does not fit 64 bits.
std::optional<std::int64_t> EntryDue(const MPublicDef::SSoFee& fee);
// The entry's amount by the rule; nothing when it does not fit 64 bits.
std::optional<std::int64_t> EntryAmount(const MPublicDef::SSoFee& fee);
// Whether the entry can be booked: its amount fits, and an ITEM_TOTAL it
// carries says the same amount.
bool EntryAgrees(const MPublicDef::SSoFee& fee);
// The order's amount; nothing when an entry or the sum does not fit.
std::optional<std::int64_t> OrderAmount(const MPublicDef::SSoFeeList& fees);

// The invoice lines of an order's entries, named by `itemName` (the fee
// item's catalogue name). Entries that do not agree must have been refused
// before; they are left out here.
MPublicDef::STiketInfoList InvoiceLinesOf(const MPublicDef::SSoFeeList& fees,
                                          const std::function<std::string(int)>& itemName);
std::int64_t InvoiceTotal(const MPublicDef::STiketInfoList& lines);

// What an invoice form with `capacity` item lines prints: the lines as they
// are when they fit, otherwise the first capacity-1 lines and one line
// "其他费用" holding the sum of the rest, so that the total never changes.
struct PaperLine {
  std::string name;
  std::int64_t amount = 0;
};
std::vector<PaperLine> PaperLinesOf(const MPublicDef::STiketInfoList& lines, std::size_t capacity);
inline constexpr const char* kOtherFeesName = "其他费用";

}  // namespace zpmoney
