// What the validity cycle dialog allows: how the caller's cycle setting
// opens the number of cycles to the operator, what the operator must type
// before confirming, and how the lock level opens the validity mode.
#pragma once

#include <string>

namespace zpdialogs {

// The promotion's cycle setting as the catalogue writes it.
inline constexpr const char* kCyclesOptional = "-1";  // may be typed, may be left empty or 0
inline constexpr const char* kCyclesRequired = "-2";  // a positive number must be typed

enum class CycleEntry { optional, required, fixed };

// Any setting other than the two markers is a fixed number of cycles the
// operator cannot change.
CycleEntry CycleEntryOf(const std::string& cycleSetting);

enum class CycleRefusal {
  none,
  missing,      // nothing typed where a number is required
  notPositive,  // a number is required and it is 0 (or not a number at all)
};

// Checks the typed number of cycles against the setting before the dialog
// may be confirmed.
CycleRefusal CheckCycleCount(const std::string& cycleSetting, const std::string& typed);

// How the validity mode list behaves for the promotion's lock level.
struct ValidModeAccess {
  bool readOnly = true;
  bool offersMultiCycle = false;  // "[2] 多周期生效" joins the list
};
ValidModeAccess ValidModeAccessOf(int lockLevel);

}  // namespace zpdialogs
