#include "sel_globe_isdn_rules.h"

#include <algorithm>

namespace zpnumbers {
namespace {

std::string FitToNumberLength(const std::string& text, char pad) {
  if (text.size() >= kNumberTextLength) return text.substr(0, kNumberTextLength);
  return text + std::string(kNumberTextLength - text.size(), pad);
}

}  // namespace

std::optional<NumberRange> NormaliseNumberRange(const std::string& startText, const std::string& endText) {
  NumberRange range;
  range.start = FitToNumberLength(startText, '0');
  range.end = FitToNumberLength(endText.empty() ? startText : endText, '9');
  // The pool compares the texts byte by byte, so must we.
  if (range.end < range.start) return std::nullopt;
  return range;
}

std::string QuantityOrDefault(const std::string& quantityText) {
  return quantityText.empty() ? std::string("100") : quantityText;
}

int PageCount(int entryCount) {
  if (entryCount <= 0) return 0;
  return entryCount / kNumbersPerPage + (entryCount % kNumbersPerPage != 0 ? 1 : 0);
}

EntrySpan PageEntries(int page, int entryCount) {
  if (page < 0 || page >= PageCount(entryCount)) return {};
  const int first = page * kNumbersPerPage;
  return {first, std::min(first + kNumbersPerPage, entryCount)};
}

GridCell CellOfPageOffset(int offset) { return {offset / kNumbersPerRow, offset % kNumbersPerRow}; }

int EntryAtCell(int page, GridCell cell) {
  if (page < 0 || cell.row < 0 || cell.row >= kRowsPerPage || cell.column < 0 || cell.column >= kNumbersPerRow)
    return -1;
  return page * kNumbersPerPage + cell.row * kNumbersPerRow + cell.column;
}

}  // namespace zpnumbers
