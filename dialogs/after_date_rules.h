// The back-dating window: an order may be dated back to any day up to the
// back end's current time, never after it.
#pragma once

#include <string>

#include "cbsdatetime.h"

namespace zpdialogs {

// How both times are written in the refusal and compared.
inline constexpr const char* kBackDateTextFormat = "%Y/%M/%D %H:%N:%S";

// The chosen day as the order carries it: the day at 00:00:00, whatever
// time of day the value holds.
CBSDateTime BackDateDay(const CBSDateTime& chosen);

// The two times as the operator reads them in the refusal.
std::string BackDateText(const CBSDateTime& value);

// True when the chosen day lies after the server's time. The day counts
// from its first second, so today is accepted at any hour.
bool IsLaterThanServerTime(const CBSDateTime& chosenDay, const CBSDateTime& serverNow);

}  // namespace zpdialogs
