#include "schema.h"

namespace zp::store {

const std::vector<Migration>& sysmgntMigrations() {
  static const std::vector<Migration> all = {};
  return all;
}

}  // namespace zp::store
