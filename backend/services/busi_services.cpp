#include "services.h"

namespace zp::backend {

void registerBusiServices(zpd_dispatcher& d, store::Database& db, const VasDeskConfig& config) {}

}  // namespace zp::backend
