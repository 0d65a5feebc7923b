// A back end in the test's own process: a fresh store on SQLite or
// PostgreSQL with a small world loaded through the fixture loader, every
// service of zpserver registered on a dispatcher, reachable as broker
// ZEPHYRON through "inproc:". The clock is the test's.
//
// Every call but the sign-in needs an operator's session, as in zpserver.
// The world signs its first operator (the lowest id) in for the process's
// runtime; signIn() changes who is signed in, signOut() leaves no one.
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
#include "read_lane.h"
#include "services.h"
#include "tcp_server.h"
#include "test_store.h"
#include "vasdesk_service.h"
#include "zpd_client.h"
#include "zpd_server.h"
#include "zpd_stub.h"

namespace zp::testing {

// Loads documents of the demo region (backend/demo), in the order given, as
// zpserver --seed-demo loads them.
inline void loadDemo(store::Database& db, std::initializer_list<const char*> files) {
  const auto demo = std::filesystem::path(ZP_SOURCE_DIR) / "backend/demo";
  for (const char* file : files) store::loadFixtureFile(db, (demo / file).string());
}

// A fault under which the operation runs and commits and its reply is then
// lost, for `times` calls (0: until cleared).
inline zpd_fault lostReply(int times = 0) {
  zpd_fault f;
  f.loseReply = true;
  f.times = times;
  return f;
}

// A fault under which the request never reaches the operation: the counter
// sees its call time out, for `times` calls (0: until cleared).
inline zpd_fault lostRequest(int times = 0) {
  zpd_fault f;
  f.result = ZPE_TIMEOUT;
  f.times = times;
  return f;
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
    // The tests move the clock by days; a session of theirs never idles out
    // (the session tests give their own sessions an idle time).
    config.sessions.idleSeconds = 100LL * 365 * 24 * 3600;
    dispatcher = std::make_shared<zpd_dispatcher>();
    sessions = backend::registerServices(*dispatcher, *db, config);
    const std::string name = uniqueName("world");
    registration = std::make_unique<zpd_inproc_registration>(name, dispatcher);
    ::setenv("ZP_BROKER_ZEPHYRON", ("inproc:" + name).c_str(), 1);
    zpd_set_session({});
    // A world without operators still needs someone signed in to be asked
    // anything: a clerk of his own, who holds no right.
    if (count("SELECT COUNT(*) FROM zp_operator") == 0)
      store::loadFixtures(*db, R"({"operators": [{"op_id": 900001, "op_name": "world clerk"}]})");
    signIn(count("SELECT MIN(op_id) FROM zp_operator"));
  }
  // A world that goes leaves no one signed in, unless another world has
  // signed someone in since.
  ~BackendWorld() {
    if (zpd_session() == token_) zpd_set_session({});
  }

  // The operator the runtime's calls are made for from now on (his session
  // opened without his password, as the sign-in does once it has checked it).
  std::string signIn(long long opId) {
    token_ = sessions->open(opId);
    zpd_set_session(token_);
    return token_;
  }
  void signOut() { zpd_set_session({}); }

  // Serves the same dispatcher over loopback as well and points broker
  // ZEPHYRON there: for deadlines, which an in-process call does not have.
  void serveTcp() {
    tcp = std::make_unique<transport::TcpServer>(dispatcher);
    tcp->set_read_lane(backend::readsOnly);
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
  std::shared_ptr<backend::Sessions> sessions;
  std::unique_ptr<zpd_inproc_registration> registration;
  std::unique_ptr<transport::TcpServer> tcp;

 private:
  std::string token_;
};

}  // namespace zp::testing
