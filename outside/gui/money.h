// Money texts: amounts are 64-bit integers in fen (1/100 yuan) and show as
// yuan with two decimals. Exact decimal arithmetic throughout; no floating
// point ever touches an amount.
#pragma once

#include <cstdint>
#include <string>

// The amount in fen of a yuan text: optional blanks and sign, digits, and at
// most two decimals ("12", "12.5", "-0.05", ".5", "7."). A text that is not
// such an amount (empty, letters, three decimals, beyond 64 bits) gives 0,
// with *ok false when asked.
std::int64_t StringToCurrency(const std::string& text, bool* ok = nullptr);
// The same reading, under the name the fee totals use.
std::int64_t StringToInt64(const std::string& text, bool* ok = nullptr);

// The yuan text of an amount in fen, with two decimals: 10 → "0.10",
// -500 → "-5.00".
std::string CurrencyToPlainText(std::int64_t fen);
