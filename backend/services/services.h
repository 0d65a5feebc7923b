// Every service of zpserver on one dispatcher: what the server runs and what
// the tests' in-process back end runs.
#pragma once

#include <memory>

#include "database.h"
#include "sessions.h"
#include "vasdesk_service.h"
#include "zpd_server.h"

namespace zp::backend {

// `config.clock` is the clock of every service (the server's date, leases).
// Every call but the sign-in passes the returned sessions' check first.
std::shared_ptr<Sessions> registerServices(zpd_dispatcher& d, store::Database& db, const VasDeskConfig& config);

// Each group of services registers its own interfaces.
void registerSysMgntServices(zpd_dispatcher& d, store::Database& db, const VasDeskConfig& config);
void registerBusiServices(zpd_dispatcher& d, store::Database& db, const VasDeskConfig& config);

}  // namespace zp::backend
