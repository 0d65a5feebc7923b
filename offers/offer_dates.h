// The billing calendar: a cycle is a calendar month and begins on its first
// day. Dates are shown "YYYY/MM/DD".
#pragma once

#include <string>

namespace offers {

struct CalendarDate {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;
  bool operator==(const CalendarDate&) const = default;
};

// The first day of `date`'s month moved by `months` (which may be negative).
CalendarDate FirstOfMonthPlus(const CalendarDate& date, int months);
std::string SlashDate(const CalendarDate& date);

// The date every open-ended item is shown to end on.
inline constexpr const char* kOpenEndDate = "2030/12/31";

}  // namespace offers
