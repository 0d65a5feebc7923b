// The businesses the workspace accepts: the five business types it offers
// and the business code of each (type, operation) pair.
#pragma once

namespace zp::workspace {

// Operations as the workspace numbers them (not the order's ACT_TYPE).
enum Operation : int { kOpen = 1, kCancel = 2, kChange = 3 };

// 101 Global Call, 102 GPS, 5 GPRS, 104 ring-back tone, 131 GPRS access point.
bool IsOfferedBusiType(int busiType);

// The business code of a pair; 0 for a pair the workspace does not accept
// (Global Call, GPS and ring-back tone have no change).
int BusiCodeOf(int busiType, int operation);

}  // namespace zp::workspace
