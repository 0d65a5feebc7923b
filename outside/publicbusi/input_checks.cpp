// The checks of typed numbers and the display-text code: no Qt, no server.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "item_code.h"
#include "publicbusi_functions.h"

namespace {

bool allDigits(const std::string& s, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to; ++i)
    if (s[i] < '0' || s[i] > '9') return false;
  return true;
}

int number(const std::string& s, std::size_t from, std::size_t count) {
  int n = 0;
  for (std::size_t i = from; i < from + count; ++i) n = n * 10 + (s[i] - '0');
  return n;
}

// A real calendar day from 1900 that is not after today.
bool bornOn(int year, int month, int day) {
  using namespace std::chrono;
  const year_month_day ymd{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                           std::chrono::day{static_cast<unsigned>(day)}};
  if (year < 1900 || !ymd.ok()) return false;
  const year_month_day today{floor<days>(system_clock::now())};
  return ymd <= today;
}

}  // namespace

int CheckPhoneId(const std::string& phone) {
  if (phone.size() != 11 || !allDigits(phone, 0, 11)) return 0;
  const int segment = number(phone, 0, 3);
  const bool mobile = (segment >= 130 && segment <= 139) || segment == 145 || segment == 147 || segment == 149 ||
                      (segment >= 150 && segment <= 153) || (segment >= 155 && segment <= 159) || segment == 162 ||
                      (segment >= 165 && segment <= 167) || (segment >= 170 && segment <= 178) ||
                      (segment >= 180 && segment <= 189) || (segment >= 190 && segment <= 199);
  return mobile ? 1 : 0;
}

bool CheckRegNbr(const std::string& regNbr) {
  if (regNbr.size() == 15) {
    return allDigits(regNbr, 0, 15) && bornOn(1900 + number(regNbr, 6, 2), number(regNbr, 8, 2), number(regNbr, 10, 2));
  }
  if (regNbr.size() != 18 || !allDigits(regNbr, 0, 17)) return false;
  static const int kWeights[17] = {7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2};
  static const char kCheck[] = "10X98765432";
  int sum = 0;
  for (int i = 0; i < 17; ++i) sum += (regNbr[i] - '0') * kWeights[i];
  char last = regNbr[17];
  if (last == 'x') last = 'X';
  if (last != kCheck[sum % 11]) return false;
  return bornOn(number(regNbr, 6, 4), number(regNbr, 10, 2), number(regNbr, 12, 2));
}

namespace publicbusi_detail {

std::optional<int> itemCode(const std::string& text) {
  std::size_t i = text.find_first_not_of(' ');
  if (i == std::string::npos || text[i] != '[') return std::nullopt;
  ++i;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::int64_t value = 0;
  std::size_t digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
    value = value * 10 + (text[i] - '0');
    if (value > 2147483648LL) return std::nullopt;
  }
  while (i < text.size() && text[i] == ' ') ++i;
  if (digits == 0 || i >= text.size() || text[i] != ']') return std::nullopt;
  if (negative) value = -value;
  if (value > 2147483647LL) return std::nullopt;
  return static_cast<int>(value);
}

}  // namespace publicbusi_detail

int ExtractItemCode(const std::string& text) { return publicbusi_detail::itemCode(text).value_or(0); }
