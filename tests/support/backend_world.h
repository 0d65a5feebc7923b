// A back end in the test's own process: a fresh store on SQLite or
// PostgreSQL with a small world loaded through the fixture loader, every
// service of zpserver registered on a dispatcher, reachable as broker
// ZEPHYRON through "inproc:". The clock is the test's.
#pragma once

#include <soci/soci.h>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <ctime>
#include <memory>
#include <string>

#include "MPrivmgnt.h"
#include "MVasDesk.h"
#include "database.h"
#include "fixtures.h"
#include "services.h"
#include "tcp_server.h"
#include "test_store.h"
#include "vasdesk_service.h"
#include "zpd_server.h"
#include "zpd_stub.h"

namespace zp::testing {

// Loads documents of the demo region (backend/demo), in the order given, as
// zpserver --seed-demo loads them.
inline void loadDemo(store::Database& db, std::initializer_list<const char*> files) {
  const auto demo = std::filesystem::path(__FILE__).parent_path() / "../../backend/demo";
  for (const char* file : files) store::loadFixtureFile(db, (demo / file).string());
}

class BackendWorld {
 public:
  explicit BackendWorld(store::Backend backend, const std::string& fixture) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    db = store::Database::open({freshStoreUrl(backend), 4});
    store::loadFixtures(*db, fixture);
    backend::VasDeskConfig config;
    config.clock = [this] { return clock; };
    dispatcher = std::make_shared<zpd_dispatcher>();
    backend::registerServices(*dispatcher, *db, config);
    const std::string name = uniqueName("world");
    registration = std::make_unique<zpd_inproc_registration>(name, dispatcher);
    ::setenv("ZP_BROKER_ZEPHYRON", ("inproc:" + name).c_str(), 1);
  }

  // Serves the same dispatcher over loopback as well and points broker
  // ZEPHYRON there: for deadlines, which an in-process call does not have.
  void serveTcp() {
    tcp = std::make_unique<transport::TcpServer>(dispatcher);
    tcp->start("127.0.0.1", 0);
    ::setenv("ZP_BROKER_ZEPHYRON", ("tcp://127.0.0.1:" + std::to_string(tcp->port())).c_str(), 1);
  }

  // Makes every later call of an operation fail or stall (zpd_fault).
  void fail(const zpd_operation& op, zpd_fault fault) { dispatcher->set_fault(op.interfaceName, op.serviceCode, fault); }

  long long count(const std::string& query) {
    long long n = -1;
    db->transact(store::Database::Intent::read, [&](soci::session& sql) { sql << query, soci::into(n); });
    return n;
  }

  // 2026-12-10 10:00:00 local time, moved by the tests.
  long long clock = 1796896800;
  std::unique_ptr<store::Database> db;
  std::shared_ptr<zpd_dispatcher> dispatcher;
  std::unique_ptr<zpd_inproc_registration> registration;
  std::unique_ptr<transport::TcpServer> tcp;
};

}  // namespace zp::testing
