// Fresh, empty stores for tests: a SQLite file in a temporary folder, or a
// schema of its own in the PostgreSQL database named by ZP_TEST_PG (the test
// command starts a throwaway cluster and sets it).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "database.h"

namespace zp::testing {

inline bool postgresAvailable() {
  const char* url = std::getenv("ZP_TEST_PG");
  return url && *url;
}

inline std::string uniqueName(const char* prefix) {
  static std::mt19937_64 rng{std::random_device{}()};
  return prefix + std::to_string(rng() % 1000000000000ull);
}

// A database address nobody else uses; for PostgreSQL a schema of its own,
// left behind (the cluster is thrown away after the run).
std::string freshStoreUrl(zp::store::Backend backend);

inline const char* backendName(zp::store::Backend b) {
  return b == zp::store::Backend::sqlite ? "sqlite" : "postgresql";
}

}  // namespace zp::testing

// Skips a test on PostgreSQL when no cluster was given.
#define ZP_REQUIRE_BACKEND(backend)                                                 \
  do {                                                                              \
    if ((backend) == zp::store::Backend::postgresql && !zp::testing::postgresAvailable()) \
      GTEST_SKIP() << "ZP_TEST_PG is not set";                                      \
  } while (0)
