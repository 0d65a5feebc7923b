// zpserver as an administrator runs it: a configuration file under the
// command line, the version, the readiness check, a busy port, the log and
// its reopening, the two stops, and a backup taken while serving that
// restores into a fresh store with every order.
#include <gtest/gtest.h>
#include <soci/soci.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "MVasDesk.h"
#include "database.h"
#include "loopback_ports.h"
#include "operator_sign_in.h"
#include "sample_orders.h"
#include "server_process.h"
#include "test_store.h"

using zp::testing::ServerProcess;

namespace {

namespace fs = std::filesystem;

struct TempDir {
  TempDir() : path(fs::temp_directory_path() / zp::testing::uniqueName("zpadmin-")) { fs::create_directories(path); }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  std::string file(const std::string& name) const { return (path / name).string(); }
  fs::path path;
};

struct Outcome {
  int status = -1;  // exit status, -1 when it did not exit normally
  std::string output;
};

// Runs zpserver with these arguments to its end; stdout and stderr together.
Outcome zpserver(const std::string& args) {
  Outcome r;
  // A command that does not end (a server that should have refused to
  // start) fails the test instead of hanging it.
  std::FILE* p = ::popen(("timeout 60 " + std::string(ZPSERVER_PATH) + " " + args + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buf[4096];
  while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) r.output.append(buf, n);
  const int s = ::pclose(p);
  r.status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
  return r;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> linesWith(const std::string& text, const std::string& needle) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.find(needle) != std::string::npos) out.push_back(line);
  return out;
}

std::string fixtureFile(const TempDir& dir, int users) {
  const std::string path = dir.file("fixture.json");
  std::ofstream(path) << zp::testing::manySubscribers(700000, users);
  return path;
}

// Opens GPRS for each subscriber as operator 11 and returns the order numbers.
std::vector<long long> submitOrders(const ServerProcess& server, long long firstServId, int count) {
  ::setenv("ZP_BROKER_ZEPHYRON", server.address().c_str(), 1);
  OperatorSignIn in;
  std::string why;
  EXPECT_TRUE(SignInOperator(11, "pw0011", in, why)) << why;
  MVasDesk::IVasDesk client;
  EXPECT_EQ(client.bind_zpBroker("ZEPHYRON"), 0);
  std::vector<long long> orders;
  for (int i = 0; i < count; ++i) {
    MVasDesk::SSoUserServiceOut out;
    CBSErrorMsg err;
    const std::int32_t r = client.so_userService(zp::testing::gprsOpen(firstServId + i), out, err, nullptr);
    EXPECT_EQ(r, 0) << err.text1 << " " << err.text2;
    if (r == 0) orders.push_back(out.get_SORESULTINFO().get_SO_NBR());
  }
  return orders;
}

std::set<long long> storedOrders(const std::string& url) {
  std::set<long long> got;
  auto db = zp::store::Database::open({url, 1});
  db->transact(zp::store::Database::Intent::read, [&](soci::session& sql) {
    soci::rowset<long long> rows = (sql.prepare << "SELECT so_nbr FROM zp_order");
    for (long long n : rows) got.insert(n);
  });
  return got;
}

class ZpServerAdmin : public ::testing::Test {
 protected:
  void TearDown() override {
    zpd_set_session({});
    ::unsetenv("ZP_BROKER_ZEPHYRON");
  }
  TempDir dir;
};

}  // namespace

TEST_F(ZpServerAdmin, TheConfigurationFileSetsEveryOptionAndTheCommandLineWins) {
  // The file names a store, a log and a port; the test's --listen (port 0)
  // and --db on the command line must win over the file's.
  std::ofstream(dir.file("zpserver.conf")) << "# the counter's server\n"
                                           << "db = sqlite:" << dir.file("from-file.db") << "\n"
                                           << "listen = 127.0.0.1:1\n"
                                           << "log-file = " << dir.file("zpserver.log") << "\n"
                                           << "seed-demo = yes\n"
                                           << "relaxed-sync = no   # durable\n"
                                           << "max-held-numbers = 3\n";
  ServerProcess server;
  ASSERT_TRUE(server.start({"--config", dir.file("zpserver.conf"), "--db", "sqlite:" + dir.file("from-line.db")}));
  EXPECT_TRUE(fs::exists(dir.file("from-line.db")));
  EXPECT_FALSE(fs::exists(dir.file("from-file.db")));
  const std::string log = readFile(dir.file("zpserver.log"));
  EXPECT_NE(log.find("demo region loaded"), std::string::npos) << log;
  EXPECT_NE(log.find("listening on 127.0.0.1:" + std::to_string(server.port())), std::string::npos) << log;
  EXPECT_EQ(server.kill(SIGTERM), 0);

  // A wrong line is named by its number, and nothing starts.
  std::ofstream(dir.file("bad.conf")) << "db = sqlite:" << dir.file("bad.db") << "\n\nworkers = many\n";
  Outcome bad = zpserver("--config " + dir.file("bad.conf"));
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.output.find("bad.conf:3: workers takes a number"), std::string::npos) << bad.output;
  std::ofstream(dir.file("typo.conf")) << "listen-on = 0.0.0.0:7070\n";
  Outcome typo = zpserver("--config " + dir.file("typo.conf"));
  EXPECT_EQ(typo.status, 2);
  EXPECT_NE(typo.output.find("unknown option \"listen-on\""), std::string::npos) << typo.output;
  EXPECT_FALSE(fs::exists(dir.file("bad.db")));

  Outcome version = zpserver("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_TRUE(std::regex_search(version.output, std::regex(R"(^zpserver \d+\.\d+\.\d+ \(store schema \d+\))")))
      << version.output;
}

TEST_F(ZpServerAdmin, ABusyPortStopsTheStartBeforeTheStoreIsCreated) {
  std::optional<zp::testing::HeldPort> busy(std::in_place);
  ASSERT_TRUE(busy->ok());
  const int port = busy->port();

  Outcome r = zpserver("--db sqlite:" + dir.file("never.db") + " --seed-demo --listen 127.0.0.1:" + std::to_string(port));
  busy.reset();
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("cannot listen on 127.0.0.1:" + std::to_string(port)), std::string::npos) << r.output;
  for (const char* f : {"never.db", "never.db-wal", "never.db-shm"}) EXPECT_FALSE(fs::exists(dir.file(f))) << f;
}

TEST_F(ZpServerAdmin, TheReadinessCheckAnswersOnlyWhileAServerWithItsStoreListens) {
  ServerProcess server;
  ASSERT_TRUE(server.start({"--db", "sqlite:" + dir.file("ready.db"), "--quiet"}));
  const std::string listen = " --listen 127.0.0.1:" + std::to_string(server.port());
  Outcome ready = zpserver("--check" + listen);
  EXPECT_EQ(ready.status, 0) << ready.output;
  EXPECT_NE(ready.output.find("is ready (schema version"), std::string::npos) << ready.output;
  // A listener on 0.0.0.0 is asked on loopback.
  EXPECT_EQ(zpserver("--check --listen 0.0.0.0:" + std::to_string(server.port())).status, 0);

  EXPECT_EQ(server.kill(SIGTERM), 0);
  Outcome gone = zpserver("--check" + listen);
  EXPECT_EQ(gone.status, 1);
  EXPECT_NE(gone.output.find("is not ready"), std::string::npos) << gone.output;
}

TEST_F(ZpServerAdmin, EachRequestIsOneLineWithTimePeerOperatorServiceResultAndOrder) {
  ServerProcess server;
  const std::string logFile = dir.file("zpserver.log");
  ASSERT_TRUE(server.start({"--db", "sqlite:" + dir.file("log.db"), "--fixture", fixtureFile(dir, 3), "--relaxed-sync",
                            "--log-file", logFile}));
  const std::vector<long long> orders = submitOrders(server, 700000, 2);
  ASSERT_EQ(orders.size(), 2u);
  ASSERT_NE(orders[0], orders[1]);
  // Refused: no session.
  zpd_set_session({});
  MVasDesk::IVasDesk client;
  ASSERT_EQ(client.bind_zpBroker("ZEPHYRON"), 0);
  MVasDesk::SSoUserServiceOut out;
  CBSErrorMsg err;
  EXPECT_NE(client.so_userService(zp::testing::gprsOpen(700002), out, err, nullptr), 0);
  server.kill(SIGTERM);

  const std::string log = readFile(logFile);
  const std::vector<std::string> submissions = linesWith(log, "service=BAVDKU03");
  ASSERT_EQ(submissions.size(), 3u) << log;
  const std::regex shape(
      R"(^time=\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z peer=127\.0\.0\.1:\d+ op=(\S+) interface=MVasDesk_IVasDesk )"
      R"(service=BAVDKU03 duration_us=\d+ result=(-?\d+)( so_nbr=(\d+))?$)");
  for (int i = 0; i < 3; ++i) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(submissions[i], m, shape)) << submissions[i];
    if (i < 2) {
      EXPECT_EQ(m[1], "11");
      EXPECT_EQ(m[2], "0");
      EXPECT_EQ(m[4], std::to_string(orders[i]));
    } else {
      EXPECT_EQ(m[1], "-") << "a call without a session has no operator";
      EXPECT_NE(m[2], "0");
      EXPECT_FALSE(m[3].matched) << "a refused order has no number";
    }
  }
  // The sign-in is logged too, with the operator it signed in.
  const std::vector<std::string> signIns = linesWith(log, "interface=MSession_ISession");
  ASSERT_EQ(signIns.size(), 1u) << log;
  EXPECT_NE(signIns[0].find(" op=11 "), std::string::npos) << signIns[0];
}

TEST_F(ZpServerAdmin, SighupReopensTheLogAndSigtermStopsCleanly) {
  ServerProcess server;
  const std::string logFile = dir.file("zpserver.log");
  ASSERT_TRUE(server.start({"--db", "sqlite:" + dir.file("hup.db"), "--log-file", logFile}));
  const std::string listen = " --listen 127.0.0.1:" + std::to_string(server.port());
  ASSERT_EQ(zpserver("--check" + listen).status, 0);
  fs::rename(logFile, logFile + ".1");  // as logrotate does

  ASSERT_TRUE(server.signal(SIGHUP));
  for (int i = 0; i < 50 && !fs::exists(logFile); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(server.exited()) << "SIGHUP must not stop the server";
  ASSERT_EQ(zpserver("--check" + listen).status, 0);
  ASSERT_EQ(server.kill(SIGTERM), 0) << "SIGTERM stops it with status 0";

  const std::string before = readFile(logFile + ".1"), after = readFile(logFile);
  EXPECT_EQ(linesWith(before, "service=READY").size(), 1u) << before;
  EXPECT_EQ(linesWith(after, "service=READY").size(), 1u) << after;
  EXPECT_EQ(linesWith(after, "log reopened").size(), 1u) << after;
  EXPECT_EQ(linesWith(after, "zpserver: stopped").size(), 1u) << after;

  // SIGINT (Ctrl+C) stops it the same way.
  ServerProcess again;
  ASSERT_TRUE(again.start({"--db", "sqlite:" + dir.file("hup.db"), "--quiet"}));
  EXPECT_EQ(again.kill(SIGINT), 0);
}

TEST_F(ZpServerAdmin, ABackupTakenWhileServingRestoresEveryOrderIntoAFreshStore) {
  ServerProcess server;
  const std::string store = dir.file("live.db");
  ASSERT_TRUE(server.start({"--db", "sqlite:" + store, "--fixture", fixtureFile(dir, 40), "--quiet"}));
  const std::vector<long long> before = submitOrders(server, 700000, 20);
  ASSERT_EQ(before.size(), 20u);

  // Orders keep coming while the backup runs: the copy holds every order
  // confirmed before it started, each whole.
  std::atomic<bool> done{false};
  std::thread more([&] {
    ::setenv("ZP_BROKER_ZEPHYRON", server.address().c_str(), 1);
    MVasDesk::IVasDesk client;
    if (client.bind_zpBroker("ZEPHYRON") != 0) return;
    for (int i = 20; i < 40 && !done; ++i) {
      MVasDesk::SSoUserServiceOut out;
      CBSErrorMsg err;
      client.so_userService(zp::testing::gprsOpen(700000 + i), out, err, nullptr);
    }
  });
  Outcome backup = zpserver("--db sqlite:" + store + " --backup " + dir.file("backup.db"));
  done = true;
  more.join();
  ASSERT_EQ(backup.status, 0) << backup.output;
  EXPECT_EQ(zpserver("--db sqlite:" + store + " --backup " + dir.file("backup.db")).status, 1)
      << "a backup never overwrites a file";
  EXPECT_EQ(server.kill(SIGTERM), 0);

  // Restore: the copy put in place of a fresh server's store.
  TempDir fresh;
  fs::copy_file(dir.file("backup.db"), fresh.file("zpserver.db"));
  ServerProcess restored;
  ASSERT_TRUE(restored.start({"--db", "sqlite:" + fresh.file("zpserver.db"), "--quiet"}));
  EXPECT_EQ(zpserver("--check --listen 127.0.0.1:" + std::to_string(restored.port())).status, 0);
  // The restored server signs the operator in from the restored store.
  ::setenv("ZP_BROKER_ZEPHYRON", restored.address().c_str(), 1);
  OperatorSignIn in;
  std::string why;
  ASSERT_TRUE(SignInOperator(11, "pw0011", in, why)) << why;
  EXPECT_EQ(restored.kill(SIGTERM), 0);

  const std::set<long long> stored = storedOrders("sqlite:" + fresh.file("zpserver.db"));
  for (long long n : before) EXPECT_TRUE(stored.count(n)) << "order " << n << " lost in the backup";
  auto db = zp::store::Database::open({"sqlite:" + fresh.file("zpserver.db"), 1});
  db->transact(zp::store::Database::Intent::read, [&](soci::session& sql) {
    long long broken = -1;
    sql << "SELECT COUNT(*) FROM zp_order o WHERE line_count <> (SELECT COUNT(*) FROM zp_order_line l "
           "WHERE l.so_nbr = o.so_nbr)",
        soci::into(broken);
    EXPECT_EQ(broken, 0);
  });

  // PostgreSQL is backed up with its own tools; the command says so.
  Outcome pg = zpserver("--db postgresql://zp@127.0.0.1/zp --backup " + dir.file("pg.db"));
  EXPECT_EQ(pg.status, 2);
  EXPECT_NE(pg.output.find("pg_dump"), std::string::npos) << pg.output;
}

// PostgreSQL is backed up with its own tools, as the README says: pg_dump
// while the server serves, pg_restore into a fresh database.
TEST_F(ZpServerAdmin, APgDumpTakenWhileServingRestoresEveryOrderIntoAFreshDatabase) {
  ZP_REQUIRE_BACKEND(zp::store::Backend::postgresql);
  const std::string url = zp::testing::freshStoreUrl(zp::store::Backend::postgresql);
  const std::string base = url.substr(0, url.find('#'));          // postgresql://zp@host:port/zptest
  const std::string schema = url.substr(url.find("#schema=") + 8);
  ServerProcess server;
  ASSERT_TRUE(server.start({"--db", url, "--fixture", fixtureFile(dir, 10), "--quiet"}));
  const std::vector<long long> orders = submitOrders(server, 700000, 10);
  ASSERT_EQ(orders.size(), 10u);

  const std::string dump = dir.file("zp.dump");
  Outcome dumped = [&] {
    Outcome r;
    const std::string command = "pg_dump -Fc -n " + schema + " -f " + dump + " '" + base + "' 2>&1";
    std::FILE* p = ::popen(command.c_str(), "r");
    char buf[512];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) r.output.append(buf, n);
    r.status = WEXITSTATUS(::pclose(p));
    return r;
  }();
  ASSERT_EQ(dumped.status, 0) << dumped.output;
  EXPECT_EQ(server.kill(SIGTERM), 0);

  const std::string fresh = zp::testing::uniqueName("restored");
  const std::string restoredBase = base.substr(0, base.rfind('/') + 1) + fresh;
  ASSERT_EQ(std::system(("psql -q '" + base + "' -c 'CREATE DATABASE " + fresh + "' >/dev/null").c_str()), 0);
  ASSERT_EQ(std::system(("pg_restore -d '" + restoredBase + "' " + dump).c_str()), 0);
  const std::string restoredUrl = restoredBase + "#schema=" + schema;

  ServerProcess restored;
  ASSERT_TRUE(restored.start({"--db", restoredUrl, "--quiet"}));
  EXPECT_EQ(zpserver("--check --listen 127.0.0.1:" + std::to_string(restored.port())).status, 0);
  EXPECT_EQ(restored.kill(SIGTERM), 0);
  const std::set<long long> stored = storedOrders(restoredUrl);
  for (long long n : orders) EXPECT_TRUE(stored.count(n)) << "order " << n << " lost in the dump";
  std::system(("psql -q '" + base + "' -c 'DROP DATABASE " + fresh + "' >/dev/null 2>&1").c_str());
}
