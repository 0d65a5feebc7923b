#include "MBusiPublic.h"
#include "busi_catalogue_service.h"
#include "busi_print_service.h"
#include "busi_public_service.h"
#include "services.h"

namespace zp::backend {

void registerBusiServices(zpd_dispatcher& d, store::Database& db, const VasDeskConfig& config) {
  BusiPublicConfig busi;
  busi.clock = config.clock;
  MBusiPublic::register_IBusiPublic(d, std::make_shared<BusiPublicService>(db, std::move(busi)));
  MBusiPublic::register_IBusiCatalogue(d, std::make_shared<BusiCatalogueService>(db, config.clock));
  MBusiPublic::register_IBusiPrint(d, std::make_shared<BusiPrintService>(db));
}

}  // namespace zp::backend
