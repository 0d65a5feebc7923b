// The fee dialog's rules that need no window: the totals of the fee rows,
// the discount limits, which rows may be discounted, how a granted discount
// is booked on its discount item, and how prepayments become fee items when
// the operator confirms. Amounts are 64-bit fen throughout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "MProductIntfApp.h"
#include "MPublicDef.h"

namespace zpfee {

// The fee type column's texts.
inline constexpr const char* kAcceptanceFeeType = "[0]受理费";
inline constexpr const char* kPrepaymentType = "[1]预付费";

// The fee calculation books this item's amount as a reduction of the order;
// the totals move it out of the amount due.
inline constexpr int kItemCountedAsReduction = 27000003;
// An item whose price the counter may not discount.
inline constexpr int kItemNeverDiscounted = 22000002;

// One row of the fee list as the totals read it: the item code and the yuan
// texts of the amount due and of the discount column.
struct FeeRow {
  int itemCode = 0;
  std::string dueText;
  std::string discountText;
};

struct FeeTotals {
  std::int64_t totalDue = 0;
  std::int64_t totalReduction = 0;
  std::int64_t totalToCollect = 0;
  bool operator==(const FeeTotals&) const = default;
};

// The totals come from the row texts, so a discount shown in a row counts
// at once. Only the first row of the item counted as a reduction is moved to the reduction.
FeeTotals TotalsOfRows(const std::vector<FeeRow>& rows);

// An amount in fen as the shortest yuan text: 500 → "5", 530 → "5.3",
// 5 → "0.05", -500 → "-5".
std::string PlainNumberText(std::int64_t fen);
// The yuan text with its sign reversed, as a plain number: "-5.00" → "5".
// A text that is not an amount counts as 0.
std::string NegatedAmountText(const std::string& yuanText);

// The amount fields' key filter: digits, Backspace, the decimal point and
// the clipboard keys (Ctrl+A, C, V, X). Arrow keys never reach a key filter,
// so their old codes 37 and 39 would only let '%' and '\'' in.
bool IsMoneyKey(char32_t key);

// Whether a double click on a row opens the discount dialog.
bool MayDiscountRow(const std::string& feeTypeText, int itemCode);

enum class DiscountCheck { accepted, zero, negative, exceedsDue };
// The discount dialog's limits: a discount is positive and at most the
// amount due (the whole amount may be waived). A text with more than two
// decimals, or no amount at all, counts as 0.
DiscountCheck CheckItemDiscount(const std::string& dueText, const std::string& discountText);

// A discount granted at the counter on one fee entry, the entry named by
// its place in the fee list as handed in. `amount` is what the grant adds
// to the entry's calculated discount (negative): the operator states the
// entry's whole discount, and the grant is booked as an entry of its own
// on the discount item (money rule, order_money.h).
struct ItemGrant {
  std::size_t feeIndex = 0;
  int discItem = 0;
  std::int64_t amount = 0;
  std::string remark;
};
using ItemGrants = std::vector<ItemGrant>;

enum class DiscountBooking { recorded, noFeeItem, noDiscountItem, alreadyDiscounted, belowCalculated };
// Grants fee entry `feeIndex` the whole discount `wholeDiscount` (negative
// fen) with `remark`. Granting again on the same entry replaces its grant;
// grants on entries that share a discount item are each kept. rowCodes are
// the item codes of every row of the list: a discount item that has a row
// was discounted by the fee calculation itself and is not discounted twice.
// A whole discount smaller than the calculated one is refused: the counter
// adds to a configured discount, it never takes one back.
DiscountBooking GrantItemDiscount(const MPublicDef::SSoFeeList& fees, ItemGrants& grants,
                                  const MProductIntfApp::SAccItemRelList& rels, const std::vector<int>& rowCodes,
                                  std::size_t feeIndex, std::int64_t wholeDiscount, const std::string& remark);
// The entry's whole discount as its row shows it: calculated plus granted.
std::int64_t WholeDiscount(const MPublicDef::SSoFeeList& fees, const ItemGrants& grants, std::size_t feeIndex);
// The fee list the order books: the entries as handed in, then one entry
// per grant, in the order the grants were first made.
MPublicDef::SSoFeeList BookedFees(const MPublicDef::SSoFeeList& fees, const ItemGrants& grants);

// The fee item a prepayment is charged as when the order is submitted.
MPublicDef::SSoFee FeeOfPrepayment(const MPublicDef::SPrepayOper& prepay);
// Appends one fee item per prepayment, in order, and clears each
// prepayment's BOOK_ID.
void FoldPrepaymentsIntoFees(MPublicDef::SSoFeeList& fees, MPublicDef::SPrepayOperList& prepays);

}  // namespace zpfee
