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

// "postgresql://user@host:port/db" (the test cluster's address) as the
// key=value form the driver takes.
inline std::string conninfo(const std::string& address) {
  std::string rest = address.substr(address.find("://") + 3), info;
  if (const auto at = rest.find('@'); at != std::string::npos) {
    info += "user=" + rest.substr(0, at) + " ";
    rest = rest.substr(at + 1);
  }
  const auto slash = rest.find('/');
  std::string host = rest.substr(0, slash);
  if (const auto colon = host.rfind(':'); colon != std::string::npos) {
    info += "port=" + host.substr(colon + 1) + " ";
    host.resize(colon);
  }
  info += "host=" + host;
  if (slash != std::string::npos) info += " dbname=" + rest.substr(slash + 1, rest.find('?', slash) - slash - 1);
  return info;
}

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
