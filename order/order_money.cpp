#include "order_money.h"

namespace zpmoney {

std::optional<std::int64_t> EntryDue(const MPublicDef::SSoFee& fee) {
  const std::int64_t count = fee.get_ITEM_COUNT() < 1 ? 1 : fee.get_ITEM_COUNT();
  std::int64_t due = 0;
  if (__builtin_mul_overflow(fee.get_ITEM_VALUE(), count, &due)) return std::nullopt;
  return due;
}

std::optional<std::int64_t> EntryAmount(const MPublicDef::SSoFee& fee) {
  const std::optional<std::int64_t> due = EntryDue(fee);
  std::int64_t amount = 0;
  if (!due || __builtin_add_overflow(*due, fee.get_ITEM_DISCOUNT(), &amount)) return std::nullopt;
  return amount;
}

bool EntryAgrees(const MPublicDef::SSoFee& fee) {
  const std::optional<std::int64_t> amount = EntryAmount(fee);
  if (!amount) return false;
  const bool carriesTotal = (fee.UsedMarker >> MPublicDef::SSoFee::kIdx_ITEM_TOTAL) & 1U;
  return !carriesTotal || fee.get_ITEM_TOTAL() == *amount;
}

std::optional<std::int64_t> OrderAmount(const MPublicDef::SSoFeeList& fees) {
  std::int64_t sum = 0;
  for (const MPublicDef::SSoFee& fee : fees) {
    const std::optional<std::int64_t> amount = EntryAmount(fee);
    if (!amount || __builtin_add_overflow(sum, *amount, &sum)) return std::nullopt;
  }
  return sum;
}

MPublicDef::STiketInfoList InvoiceLinesOf(const MPublicDef::SSoFeeList& fees,
                                          const std::function<std::string(int)>& itemName) {
  MPublicDef::STiketInfoList lines;
  for (const MPublicDef::SSoFee& fee : fees) {
    if (!EntryAgrees(fee)) continue;
    const std::int64_t amount = *EntryAmount(fee);
    if (amount == 0) continue;
    const std::int64_t count = fee.get_ITEM_COUNT() < 1 ? 1 : fee.get_ITEM_COUNT();
    MPublicDef::STiketInfo line;
    line.set_BOOK_ITEM_ID(fee.get_BOOK_ITEM_ID());
    line.set_BOOK_ITEM_NAME(itemName(fee.get_BOOK_ITEM_ID()));
    line.set_ITEM_VALUE(fee.get_ITEM_VALUE());
    line.set_ITEM_COUNT(count);
    line.set_ITEM_TOTAL(amount);
    lines.push_back(std::move(line));
  }
  return lines;
}

std::int64_t InvoiceTotal(const MPublicDef::STiketInfoList& lines) {
  std::int64_t total = 0;
  for (const MPublicDef::STiketInfo& line : lines) total += line.get_ITEM_TOTAL();
  return total;
}

std::vector<PaperLine> PaperLinesOf(const MPublicDef::STiketInfoList& lines, std::size_t capacity) {
  std::vector<PaperLine> paper;
  if (capacity == 0) return paper;
  const bool fold = lines.size() > capacity;
  const std::size_t kept = fold ? capacity - 1 : lines.size();
  for (std::size_t i = 0; i < kept; ++i) paper.push_back({lines[i].get_BOOK_ITEM_NAME(), lines[i].get_ITEM_TOTAL()});
  if (fold) {
    PaperLine rest{kOtherFeesName, 0};
    for (std::size_t i = kept; i < lines.size(); ++i) rest.amount += lines[i].get_ITEM_TOTAL();
    paper.push_back(std::move(rest));
  }
  return paper;
}

}  // namespace zpmoney
