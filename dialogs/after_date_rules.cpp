#include "after_date_rules.h"

namespace zpdialogs {

CBSDateTime BackDateDay(const CBSDateTime& chosen) {
  // The day travels through its "yyyymmdd" text, which drops the time.
  CBSDateTime day;
  day.fromString(chosen.toString("%Y%M%D"), "%Y%M%D");
  return day;
}

std::string BackDateText(const CBSDateTime& value) { return value.toString(kBackDateTextFormat); }

bool IsLaterThanServerTime(const CBSDateTime& chosenDay, const CBSDateTime& serverNow) {
  // Both texts have fixed widths, so comparing them byte by byte orders
  // them as the times they name.
  return BackDateText(chosenDay) > BackDateText(serverNow);
}

}  // namespace zpdialogs
