#include "services.h"

#include "MPrivmgnt.h"
#include "MVasDesk.h"
#include "privilege_service.h"
#include "session_service.h"

namespace zp::backend {

std::shared_ptr<Sessions> registerServices(zpd_dispatcher& d, store::Database& db, const VasDeskConfig& config) {
  auto sessions = std::make_shared<Sessions>(db, config.clock, config.sessions);
  sessions->install(d);
  MSession::register_ISession(d, std::make_shared<SessionService>(sessions));
  MVasDesk::register_IVasDesk(d, std::make_shared<VasDeskService>(db, config));
  MPrivmgnt::register_IPrivelege(d, std::make_shared<PrivilegeService>(db));
  registerSysMgntServices(d, db, config);
  registerBusiServices(d, db, config);
  return sessions;
}

}  // namespace zp::backend
