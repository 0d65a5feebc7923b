#include "show_detail_rules.h"

namespace zpdialogs {

std::optional<DetailControls> DetailControlsOf(int detailType) {
  switch (detailType) {
    case 1:
      return DetailControls{true, false, false};
    case 2:
      return DetailControls{false, true, false};
    case 3:
      return DetailControls{true, true, false};
    case 4:
      return DetailControls{true, false, true};
    case 5:
      return DetailControls{false, false, true};
    default:
      return std::nullopt;
  }
}

std::string RingItemText(const std::string& songId, const std::string& songName) {
  return "[" + songId + "] " + songName;
}

std::string RingCodeOf(const std::string& itemText) {
  const auto open = itemText.find('[');
  if (open == std::string::npos) return {};
  const auto close = itemText.find(']', open + 1);
  if (close == std::string::npos) return {};
  return itemText.substr(open + 1, close - open - 1);
}

}  // namespace zpdialogs
