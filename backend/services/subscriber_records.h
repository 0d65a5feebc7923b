// The subscriber's user record as the services read it from the store.
#pragma once

#include <string>

#include "MPublicDef.h"

namespace soci {
class session;
}

namespace zp::backend {

// Reads the user with this SERV_ID into `out`; false when there is none.
// `lock` is appended to the query (" FOR UPDATE" where the store has it).
bool findUser(soci::session& sql, long long servId, const std::string& lock, MPublicDef::SUserInfo& out);

}  // namespace zp::backend
