// The fixture tables of system parameters, the enterprise variable, service providers and songs.
#include "fixture_tables.h"

namespace zp::store {

const std::vector<Table>& sysmgntFixtureTables() {
  static const std::vector<Table> all = {};
  return all;
}

}  // namespace zp::store
