#include "test_store.h"

namespace zp::testing {

std::string freshStoreUrl(zp::store::Backend backend) {
  if (backend == zp::store::Backend::sqlite) {
    const auto dir = std::filesystem::temp_directory_path() / uniqueName("zptest-");
    std::filesystem::create_directories(dir);
    return "sqlite:" + (dir / "store.db").string();
  }
  return std::string(std::getenv("ZP_TEST_PG")) + "#schema=" + uniqueName("t");
}

}  // namespace zp::testing
