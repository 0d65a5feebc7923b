// The verification a business asks for, told apart from a lookup that
// failed: a counter that cannot learn whether the password is required must
// not take that as "not required".
#pragma once

#include <optional>

#include "cbserrormsg.h"

namespace zpverify {

// 0 none, 1 identity document to be shown, 2 password required; nothing
// when the back end could not be asked or refused, with the reason in `error`.
std::optional<short> LookUpVerifyType(int busiCode, CBSErrorMsg& error);

}  // namespace zpverify
