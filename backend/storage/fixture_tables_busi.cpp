// The fixture tables of the business public service: rule checks, black and grey lists, code lists.
#include "fixture_tables.h"

namespace zp::store {

const std::vector<Table>& busiFixtureTables() {
  static const std::vector<Table> all = {};
  return all;
}

}  // namespace zp::store
