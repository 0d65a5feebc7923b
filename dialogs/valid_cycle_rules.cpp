#include "valid_cycle_rules.h"

#include <algorithm>

namespace zpdialogs {

CycleEntry CycleEntryOf(const std::string& cycleSetting) {
  if (cycleSetting == kCyclesOptional) return CycleEntry::optional;
  if (cycleSetting == kCyclesRequired) return CycleEntry::required;
  return CycleEntry::fixed;
}

CycleRefusal CheckCycleCount(const std::string& cycleSetting, const std::string& typed) {
  if (CycleEntryOf(cycleSetting) != CycleEntry::required) return CycleRefusal::none;
  if (typed.empty()) return CycleRefusal::missing;
  // The edit lets only digits in, but a text that is not a number must not
  // slip through as a count: it is refused like 0 rather than taken as one.
  const bool allDigits = std::all_of(typed.begin(), typed.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (!allDigits) return CycleRefusal::notPositive;
  const bool allZero = std::all_of(typed.begin(), typed.end(), [](char c) { return c == '0'; });
  return allZero ? CycleRefusal::notPositive : CycleRefusal::none;
}

ValidModeAccess ValidModeAccessOf(int lockLevel) {
  switch (lockLevel) {
    case 0:
      return {false, false};
    case 1:
      return {true, false};
    default:
      return {true, true};
  }
}

}  // namespace zpdialogs
