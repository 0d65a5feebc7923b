// What the detail input dialog shows for each detail type, and how ring-back
// songs are written into and read back from its list.
#pragma once

#include <optional>
#include <string>

namespace zpdialogs {

// Which groups of controls a detail type shows.
struct DetailControls {
  bool mode = false;    // the validity mode list and its label
  bool number = false;  // the call-forwarding number and its label
  bool ring = false;    // the ring-back song list and its label
};

// Nothing for a type the product selection never asks for: the dialog then
// keeps the controls as they are.
std::optional<DetailControls> DetailControlsOf(int detailType);

// "[" SONG_ID "] " SONG_NAME.
std::string RingItemText(const std::string& songId, const std::string& songName);

// The text between the first "[" and the first "]" after it; "" when the
// text has no such pair.
std::string RingCodeOf(const std::string& itemText);

}  // namespace zpdialogs
