#include "services.h"

#include "MPrivmgnt.h"
#include "MVasDesk.h"
#include "privilege_service.h"

namespace zp::backend {

void registerServices(zpd_dispatcher& d, store::Database& db, const VasDeskConfig& config) {
  MVasDesk::register_IVasDesk(d, std::make_shared<VasDeskService>(db, config));
  MPrivmgnt::register_IPrivelege(d, std::make_shared<PrivilegeService>(db));
  registerSysMgntServices(d, db, config);
  registerBusiServices(d, db, config);
}

}  // namespace zp::backend
