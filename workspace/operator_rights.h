// Which operations the operator may offer for a business type: each right is
// an entity of the privilege service asked with privilege 10. Ring-back tone
// and GPRS access point need no right.
#pragma once

#include "MSysmgntDef.h"

namespace zp::workspace {

inline constexpr int kRightPrivilege = 10;

struct OperatorRights {
  bool mayOpen = false;
  bool mayCancel = false;
  bool operator==(const OperatorRights&) const = default;
};

// The asks for the type, open first; none for the types without rights.
MSysmgntDef::SOperPrivAuthList RightAsksFor(int busiType);
// True for the types whose operations are always allowed.
bool RightsAlwaysGranted(int busiType);
// A right is granted by an answer for its entity whose AUTHORIZED is 1.
OperatorRights RightsFrom(int busiType, const MSysmgntDef::SOperPrivAuthList& answers);

}  // namespace zp::workspace
