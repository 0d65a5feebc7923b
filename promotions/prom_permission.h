// The permission control of promotions as the frame and the dialog use it:
// the region's switch "PromPopedomValid" and the parameter limit of a kind
// from the operator's privilege entities. Each failure is reported to the
// operator once, here.
#pragma once

#include <optional>

#include "prom_rules.h"

namespace promotions {

// The flags of the subscriber's region; nothing after a reported failure or
// a malformed value.
std::optional<PopedomFlags> ReadPromPopedomFlags(int userRegionCode);

// QueryParaLimit: true when the limit could be worked out (updated, or left
// at -1 when no entity applies), false after a reported failure.
bool QueryParaLimit(int kind, int& limit, int opId, int opOrgId);

}  // namespace promotions
