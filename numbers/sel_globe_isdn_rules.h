// The number dialog's rules, kept free of widgets: how the operator's range
// becomes the two eight-character texts the pool compares against, what
// quantity is asked for, and how the found numbers are laid out in pages of
// ten grid rows of five.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace zpnumbers {

// Pool numbers are compared as eight-character texts.
inline constexpr std::size_t kNumberTextLength = 8;
inline constexpr int kNumbersPerRow = 5;
inline constexpr int kRowsPerPage = 10;
inline constexpr int kNumbersPerPage = kNumbersPerRow * kRowsPerPage;

struct NumberRange {
  std::string start;
  std::string end;
  bool operator==(const NumberRange&) const = default;
};

// The range the pool is asked for. The start is cut or padded with '0' to
// eight characters; the end likewise with '9', taken from the start text
// when the end text is empty, so a bare prefix finds every number under it.
// Nothing when the end would lie below the start.
std::optional<NumberRange> NormaliseNumberRange(const std::string& startText, const std::string& endText);

// The quantity text to ask for: "100" when the operator left it empty.
std::string QuantityOrDefault(const std::string& quantityText);

// Pages needed for `entryCount` numbers (0 for none).
int PageCount(int entryCount);

// The numbers of one page: positions `first` up to, not including, `end`
// in the list the pool returned. Empty for a page that does not exist.
struct EntrySpan {
  int first = 0;
  int end = 0;
  bool operator==(const EntrySpan&) const = default;
};
EntrySpan PageEntries(int page, int entryCount);

// A grid cell, its row counted among the data rows from 0.
struct GridCell {
  int row = 0;
  int column = 0;
  bool operator==(const GridCell&) const = default;
};
// Where the `offset`-th number of a page is shown: row by row, five a row.
GridCell CellOfPageOffset(int offset);
// The list position shown in `cell` of `page`; -1 outside the grid.
int EntryAtCell(int page, GridCell cell);

}  // namespace zpnumbers
