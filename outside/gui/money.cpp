#include "money.h"

#include <limits>

std::int64_t StringToCurrency(const std::string& text, bool* ok) {
  const auto refuse = [&] {
    if (ok) *ok = false;
    return std::int64_t{0};
  };
  std::size_t i = 0, end = text.size();
  while (i < end && (text[i] == ' ' || text[i] == '\t')) ++i;
  while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  bool negative = false;
  if (i < end && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulate the magnitude in fen as unsigned, so the most negative amount
  // reads exactly too.
  constexpr std::uint64_t kLimitPositive = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  const std::uint64_t limit = negative ? kLimitPositive + 1 : kLimitPositive;
  std::uint64_t yuan = 0;
  int digits = 0;
  for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
    const unsigned d = static_cast<unsigned>(text[i] - '0');
    if (yuan > (limit / 100 - d) / 10) return refuse();
    yuan = yuan * 10 + d;
  }
  std::uint64_t cents = 0;
  int decimals = 0;
  if (i < end && text[i] == '.') {
    for (++i; i < end && text[i] >= '0' && text[i] <= '9'; ++i, ++decimals) {
      if (decimals == 2) return refuse();
      cents = cents * 10 + static_cast<unsigned>(text[i] - '0');
    }
    if (decimals == 1) cents *= 10;
  }
  if (i != end || digits + decimals == 0) return refuse();
  const std::uint64_t fen = yuan * 100;
  if (fen > limit - cents) return refuse();
  const std::uint64_t total = fen + cents;
  if (ok) *ok = true;
  if (!negative) return static_cast<std::int64_t>(total);
  return total == kLimitPositive + 1 ? std::numeric_limits<std::int64_t>::min() : -static_cast<std::int64_t>(total);
}

std::int64_t StringToInt64(const std::string& text, bool* ok) { return StringToCurrency(text, ok); }

std::string CurrencyToPlainText(std::int64_t fen) {
  const bool negative = fen < 0;
  const std::uint64_t magnitude =
      negative ? static_cast<std::uint64_t>(-(fen + 1)) + 1 : static_cast<std::uint64_t>(fen);
  std::string text = std::to_string(magnitude / 100);
  const unsigned cents = static_cast<unsigned>(magnitude % 100);
  text += '.';
  text += static_cast<char>('0' + cents / 10);
  text += static_cast<char>('0' + cents % 10);
  return negative ? "-" + text : text;
}
