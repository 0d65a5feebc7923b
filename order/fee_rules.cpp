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

DiscountBooking BookItemDiscount(MPublicDef::SSoFeeList& fees, const MProductIntfApp::SAccItemRelList& rels,
                                 const std::vector<int>& rowCodes, int code, std::int64_t amount,
                                 const std::string& remark) {
  const auto item = std::find_if(fees.begin(), fees.end(),
                                 [code](const MPublicDef::SSoFee& fee) { return fee.get_BOOK_ITEM_ID() == code; });
  // Nothing to book it against: saying "recorded" would show a discount the
  // order never carries.
  if (item == fees.end()) return DiscountBooking::noFeeItem;
  const auto rel = std::find_if(rels.begin(), rels.end(), [code](const MProductIntfApp::SAccItemRel& r) {
    return r.get_FEE_ITEM() == code;
  });
  if (rel == rels.end()) return DiscountBooking::noDiscountItem;
  const int discItem = rel->get_DISC_ITEM();
  if (std::find(rowCodes.begin(), rowCodes.end(), discItem) != rowCodes.end())
    return DiscountBooking::alreadyDiscounted;

  const auto earlier = std::find_if(fees.begin(), fees.end(), [discItem](const MPublicDef::SSoFee& fee) {
    return fee.get_BOOK_ITEM_ID() == discItem;
  });
  if (earlier != fees.end()) {
    earlier->set_ITEM_VALUE(amount);
    earlier->set_ITEM_TOTAL(amount);
    earlier->set_REMARK(remark);
    return DiscountBooking::recorded;
  }
  MPublicDef::SSoFee discount = *item;  // copied before the push may move the list
  discount.set_BOOK_ITEM_ID(discItem);
  discount.set_ITEM_VALUE(amount);
  discount.set_ITEM_TOTAL(amount);
  discount.set_REMARK(remark);
  discount.set_OPER_TYPE(2);
  fees.push_back(std::move(discount));
  return DiscountBooking::recorded;
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
