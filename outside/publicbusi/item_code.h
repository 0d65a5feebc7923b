// The code of a "[%d] %s" display text, shared by the library's functions.
#pragma once

#include <optional>
#include <string>

namespace publicbusi_detail {

// The code when the text has that form (blanks may lead and surround the
// number); nothing otherwise.
std::optional<int> itemCode(const std::string& text);

}  // namespace publicbusi_detail
