#include "offer_dates.h"

#include <cstdio>

namespace offers {

CalendarDate FirstOfMonthPlus(const CalendarDate& date, int months) {
  long long index = static_cast<long long>(date.year) * 12 + (date.month - 1) + months;
  CalendarDate out;
  out.year = static_cast<int>(index >= 0 ? index / 12 : (index - 11) / 12);
  out.month = static_cast<int>(index - static_cast<long long>(out.year) * 12) + 1;
  out.day = 1;
  return out;
}

std::string SlashDate(const CalendarDate& date) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d", date.year, date.month, date.day);
  return text;
}

}  // namespace offers
