#include "MBusiDataMgnt.h"
#include "MSysmgntDef.h"
#include "busidata_service.h"
#include "services.h"
#include "sysmgnt_service.h"

namespace zp::backend {

void registerSysMgntServices(zpd_dispatcher& d, store::Database& db, const VasDeskConfig& config) {
  MSysmgntDef::register_ISysmgntPublic(d, std::make_shared<SysMgntService>(db, config.clock));
  MBusiDataMgnt::register_IBusiDataMgnt(d, std::make_shared<BusiDataService>(db));
}

}  // namespace zp::backend
