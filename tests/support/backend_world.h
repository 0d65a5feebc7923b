// A back end in the test's own process: a fresh store on SQLite or
// PostgreSQL with a small world loaded through the fixture loader, every
// service of zpserver registered on a dispatcher, reachable as broker
// ZEPHYRON through "inproc:". The clock is the test's.
#pragma once

#include <soci/soci.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

#include "MPrivmgnt.h"
#include "MVasDesk.h"
#include "database.h"
#include "fixtures.h"
#include "services.h"
#include "test_store.h"
#include "vasdesk_service.h"
#include "zpd_server.h"

namespace zp::testing {

class BackendWorld {
 public:
  explicit BackendWorld(store::Backend backend, const std::string& fixture) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    db = store::Database::open({freshStoreUrl(backend), 4});
    store::loadFixtures(*db, fixture);
    backend::VasDeskConfig config;
    config.clock = [this] { return clock; };
    auto dispatcher = std::make_shared<zpd_dispatcher>();
    backend::registerServices(*dispatcher, *db, config);
    const std::string name = uniqueName("world");
    registration = std::make_unique<zpd_inproc_registration>(name, dispatcher);
    ::setenv("ZP_BROKER_ZEPHYRON", ("inproc:" + name).c_str(), 1);
  }

  long long count(const std::string& query) {
    long long n = -1;
    db->transact(store::Database::Intent::read, [&](soci::session& sql) { sql << query, soci::into(n); });
    return n;
  }

  // 2026-12-10 10:00:00 local time, moved by the tests.
  long long clock = 1796896800;
  std::unique_ptr<store::Database> db;
  std::unique_ptr<zpd_inproc_registration> registration;
};

}  // namespace zp::testing
