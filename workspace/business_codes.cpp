#include "business_codes.h"

namespace zp::workspace {
namespace {
struct Codes {
  int busiType, open, cancel, change;
};
constexpr Codes kCodes[] = {
    {101, 1302, 1303, 0}, {102, 1304, 1305, 0}, {5, 1070, 1071, 1073}, {104, 1324, 1325, 0}, {131, 1076, 1077, 1078},
};
}  // namespace

bool IsOfferedBusiType(int busiType) {
  for (const Codes& c : kCodes)
    if (c.busiType == busiType) return true;
  return false;
}

int BusiCodeOf(int busiType, int operation) {
  for (const Codes& c : kCodes) {
    if (c.busiType != busiType) continue;
    switch (operation) {
      case kOpen: return c.open;
      case kCancel: return c.cancel;
      case kChange: return c.change;
      default: return 0;
    }
  }
  return 0;
}

}  // namespace zp::workspace
