#include "fee_rules.h"

#include <algorithm>

#include "money.h"

namespace zpfee {

FeeTotals TotalsOfRows(const std::vector<FeeRow>& rows) {
  FeeTotals totals;
  for (const FeeRow& row : rows) {
    totals.totalDue += StringToInt64(row.dueText);
    totals.totalReduction += StringToInt64(row.discountText);
  }
  totals.totalToCollect = totals.totalDue + totals.totalReduction;
  const auto moved =
      std::find_if(rows.begin(), rows.end(), [](const FeeRow& row) { return row.itemCode == kItemCountedAsReduction; });
  if (moved != rows.end()) {
    // Moving it keeps the amount to collect as it is.
    const std::int64_t amount = StringToInt64(moved->dueText);
    totals.totalDue -= amount;
    totals.totalReduction += amount;
  }
  return totals;
}

namespace {
// Works on the magnitude so that the most negative amount has a text too.
std::string PlainText(bool negative, std::uint64_t magnitude) {
  std::string text = std::to_string(magnitude / 100);
  const unsigned cents = static_cast<unsigned>(magnitude % 100);
  if (cents != 0) {
    text += '.';
    text += static_cast<char>('0' + cents / 10);
    if (cents % 10 != 0) text += static_cast<char>('0' + cents % 10);
  }
  if (negative && magnitude != 0) text.insert(text.begin(), '-');
  return text;
}

std::uint64_t Magnitude(std::int64_t fen) {
  return fen < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(fen) : static_cast<std::uint64_t>(fen);
}
}  // namespace

std::string PlainNumberText(std::int64_t fen) { return PlainText(fen < 0, Magnitude(fen)); }

std::string NegatedAmountText(const std::string& yuanText) {
  const std::int64_t fen = StringToCurrency(yuanText);
  return PlainText(fen > 0, Magnitude(fen));
}

bool IsMoneyKey(char32_t key) {
  if (key >= U'0' && key <= U'9') return true;
  switch (key) {
    case 8:   // Backspace
    case 46:  // '.'
    case 22:  // Ctrl+V
    case 3:   // Ctrl+C
    case 24:  // Ctrl+X
    case 1:   // Ctrl+A
      return true;
    default:
      return false;
  }
}

bool MayDiscountRow(const std::string& feeTypeText, int itemCode) {
  if (feeTypeText == kPrepaymentType) return false;
  return itemCode != kItemNeverDiscounted;
}

DiscountCheck CheckItemDiscount(const std::string& dueText, const std::string& discountText) {
  const std::int64_t due = StringToCurrency(dueText);
  const std::int64_t discount = StringToCurrency(discountText);
  if (discount == 0) return DiscountCheck::zero;
  if (discount < 0) return DiscountCheck::negative;
  if (discount > due) return DiscountCheck::exceedsDue;
  return DiscountCheck::accepted;
}

DiscountBooking GrantItemDiscount(const MPublicDef::SSoFeeList& fees, ItemGrants& grants,
                                  const MProductIntfApp::SAccItemRelList& rels, const std::vector<int>& rowCodes,
                                  std::size_t feeIndex, std::int64_t wholeDiscount, const std::string& remark) {
  // Nothing to book it against: saying "recorded" would show a discount the
  // order never carries.
  if (feeIndex >= fees.size()) return DiscountBooking::noFeeItem;
  const MPublicDef::SSoFee& fee = fees[feeIndex];
  const int code = fee.get_BOOK_ITEM_ID();
  const auto rel = std::find_if(rels.begin(), rels.end(), [code](const MProductIntfApp::SAccItemRel& r) {
    return r.get_FEE_ITEM() == code;
  });
  if (rel == rels.end()) return DiscountBooking::noDiscountItem;
  const int discItem = rel->get_DISC_ITEM();
  if (std::find(rowCodes.begin(), rowCodes.end(), discItem) != rowCodes.end())
    return DiscountBooking::alreadyDiscounted;
  const std::int64_t calculated = fee.get_ITEM_DISCOUNT();
  if (wholeDiscount > calculated) return DiscountBooking::belowCalculated;

  const std::int64_t extra = wholeDiscount - calculated;
  const auto earlier = std::find_if(grants.begin(), grants.end(),
                                    [feeIndex](const ItemGrant& g) { return g.feeIndex == feeIndex; });
  if (extra == 0) {
    // The operator confirmed the calculated discount: nothing of its own.
    if (earlier != grants.end()) grants.erase(earlier);
  } else if (earlier != grants.end()) {
    earlier->amount = extra;
    earlier->remark = remark;
  } else {
    grants.push_back({feeIndex, discItem, extra, remark});
  }
  return DiscountBooking::recorded;
}

std::int64_t WholeDiscount(const MPublicDef::SSoFeeList& fees, const ItemGrants& grants, std::size_t feeIndex) {
  std::int64_t whole = feeIndex < fees.size() ? fees[feeIndex].get_ITEM_DISCOUNT() : 0;
  for (const ItemGrant& g : grants)
    if (g.feeIndex == feeIndex) whole += g.amount;
  return whole;
}

MPublicDef::SSoFeeList BookedFees(const MPublicDef::SSoFeeList& fees, const ItemGrants& grants) {
  MPublicDef::SSoFeeList booked = fees;
  for (const ItemGrant& g : grants) {
    // The grant keeps the discounted entry's other fields (resource, operator,
    // charge data) but is an amount of its own: no count, no discount.
    MPublicDef::SSoFee discount = fees[g.feeIndex];
    discount.set_BOOK_ITEM_ID(g.discItem);
    discount.set_ITEM_VALUE(g.amount);
    discount.set_ITEM_DISCOUNT(0);
    discount.set_ITEM_RETREAT(0);
    discount.set_ITEM_COUNT(1);
    discount.set_ITEM_TOTAL(g.amount);
    discount.set_REMARK(g.remark);
    discount.set_OPER_TYPE(2);
    booked.push_back(std::move(discount));
  }
  return booked;
}

MPublicDef::SSoFee FeeOfPrepayment(const MPublicDef::SPrepayOper& prepay) {
  MPublicDef::SSoFee fee;
  fee.set_BOOK_ITEM_ID(prepay.get_BOOK_ITEM_ID());
  fee.set_RES_CODE(0);
  fee.set_ITEM_VALUE(prepay.get_AMOUNT());
  fee.set_ITEM_DISCOUNT(0);
  fee.set_ITEM_RETREAT(0);
  fee.set_ITEM_COUNT(1);
  fee.set_ITEM_TOTAL(prepay.get_AMOUNT());
  fee.set_REMARK(prepay.get_REMARK());
  fee.set_OPER_TYPE(1);
  return fee;
}

void FoldPrepaymentsIntoFees(MPublicDef::SSoFeeList& fees, MPublicDef::SPrepayOperList& prepays) {
  for (MPublicDef::SPrepayOper& prepay : prepays) {
    fees.push_back(FeeOfPrepayment(prepay));
    prepay.set_BOOK_ID(0);
  }
}

}  // namespace zpfee
