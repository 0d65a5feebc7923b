// Two zpservers on one PostgreSQL store, in this process: a counter whose
// call got no answer from one server asks the other under the same key,
// while the first is still at work on it. The store holds the work once and
// both servers give the one reply.
#include <gtest/gtest.h>
#include <soci/soci.h>

#include <array>
#include <memory>
#include <thread>

#include "MVasDesk.h"
#include "database.h"
#include "fixtures.h"
#include "rows.h"
#include "sample_orders.h"
#include "services.h"
#include "test_store.h"
#include "vasdesk_service.h"
#include "zpd_client.h"
#include "zpd_server.h"
#include "zpd_stub.h"

using namespace MPublicDef;
using namespace MVasDesk;

namespace {

const char* kWorld = R"({
  "operators": [{"op_id": 11, "org_id": 110, "region_code": 571, "county_code": 1},
                {"op_id": 12, "org_id": 110, "region_code": 571, "county_code": 1}],
  "operator_rights": [{"op_id": 11, "ent_id": 51501}, {"op_id": 12, "ent_id": 51501},
                      {"op_id": 11, "ent_id": 51505}],
  "catalogue_items": [{"prod_id": 31, "busi_type": 101, "prod_name": "全球呼月租"},
                      {"prod_id": 2901, "busi_type": 5, "prod_name": "GPRS包月"}],
  "book_items": [{"item_id": 100, "name": "开户费"}],
  "fee_flags": [{"busi_code": 1302, "flag": 1}, {"busi_code": 1070, "flag": 1}],
  "fee_rules": [{"busi_code": 1302, "book_item_id": 100, "item_value": 2000},
                {"busi_code": 1070, "book_item_id": 100, "item_value": 1000}],
  "customers": [{"cust_id": 1, "cust_name": "周明", "region_code": 571}],
  "accounts": [{"acct_id": 2, "cust_id": 1}],
  "users": [{"serv_id": 501, "phone_id": "13900000501", "cust_id": 1, "acct_id": 2, "region_code": 571},
            {"serv_id": 502, "phone_id": "13900000502", "cust_id": 1, "acct_id": 2, "region_code": 571}],
  "number_ranges": [{"first": "55100000", "count": 10, "region_code": 571}]
})";

constexpr long long kClock = 1796896800;  // 2026-12-10 10:00:00 UTC
constexpr int kStall = 4242;              // the advisory lock a stalled write waits for

// One zpserver: its own connections to the store, its own services and
// memory, reachable as broker `name`.
struct Server {
  Server(const std::string& url, const std::string& name) {
    db = zp::store::Database::open({url, 4});
    zp::backend::VasDeskConfig config;
    config.clock = [] { return kClock; };
    config.sessions.idleSeconds = 100LL * 365 * 24 * 3600;
    dispatcher = std::make_shared<zpd_dispatcher>();
    sessions = zp::backend::registerServices(*dispatcher, *db, config);
    const std::string registered = zp::testing::uniqueName(name.c_str());
    registration = std::make_unique<zpd_inproc_registration>(registered, dispatcher);
    ::setenv(("ZP_BROKER_" + name).c_str(), ("inproc:" + registered).c_str(), 1);
  }
  std::unique_ptr<zp::store::Database> db;
  std::shared_ptr<zpd_dispatcher> dispatcher;
  std::shared_ptr<zp::backend::Sessions> sessions;
  std::unique_ptr<zpd_inproc_registration> registration;
};

class SharedStoreCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!zp::testing::postgresAvailable()) GTEST_SKIP() << "ZP_TEST_PG is not set";
    url = zp::testing::freshStoreUrl(zp::store::Backend::postgresql);
    // Server A's connections carry a name of their own, to be cut off.
    std::string named = url;
    const std::size_t at = named.find('#');
    named.insert(at, std::string(named.find('?') < at ? "&" : "?") + "application_name=" + nameOfA);
    a = std::make_unique<Server>(named, "ZPSA");
    b = std::make_unique<Server>(url, "ZPSB");
    zp::store::loadFixtures(*a->db, kWorld);
    token = a->sessions->open(11);
    ASSERT_FALSE(token.empty());
    const std::size_t hash = url.find("#schema=");
    admin.open("postgresql", zp::store::postgresConninfo(url.substr(0, hash)));
    admin << "SET search_path TO " + url.substr(hash + 8);
    admin << "CREATE FUNCTION zp_test_stall() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
             "PERFORM pg_advisory_xact_lock_shared(" + std::to_string(kStall) + "); RETURN NEW; END $$";
  }
  void TearDown() override { zpd_set_thread_session(std::nullopt); }

  // Writes of `table` wait, inside their transaction, until release().
  void stall(const std::string& table, const char* when) {
    admin << "SELECT pg_advisory_lock(" + std::to_string(kStall) + ")";
    admin << std::string("CREATE TRIGGER stall BEFORE ") + when + " ON " + table +
                 " FOR EACH ROW EXECUTE FUNCTION zp_test_stall()";
  }
  void release() { admin << "SELECT pg_advisory_unlock(" + std::to_string(kStall) + ")"; }
  // Waits until `n` transactions wait: for the stall, or for one that does.
  void awaitWaiting(int n) {
    for (;;) {
      long long waiting = 0;
      admin << "SELECT COUNT(*) FROM pg_stat_activity a WHERE EXISTS (SELECT 1 FROM "
               "unnest(pg_blocking_pids(a.pid)) p WHERE p = pg_backend_pid() OR p IN (SELECT pid FROM pg_locks "
               "WHERE locktype = 'advisory' AND objid = " + std::to_string(kStall) + " AND NOT granted))",
          soci::into(waiting);
      if (waiting >= n) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  long long count(const std::string& query) {
    long long n = -1;
    a->db->transact(zp::store::Database::Intent::read, [&](soci::session& sql) { sql << query, soci::into(n); });
    return n;
  }

  // One call through `broker` under `key`, as operator 11 on this thread.
  std::int32_t submit(const char* broker, const SSoUserServiceIn& in, const std::string& key, SSoUserServiceOut& out,
                      CBSErrorMsg& err) {
    zpd_set_thread_session(token);
    IVasDesk c;
    if (c.bind_zpBroker(broker) != 0) return -1;
    const zpd_call_key_scope scope(key);
    return c.so_userService(in, out, err, nullptr);
  }
  std::int32_t reserve(const char* broker, const std::string& number, int act, const std::string& key,
                       SDoSignResOut& out, CBSErrorMsg& err) {
    zpd_set_thread_session(token);
    IVasDesk c;
    if (c.bind_zpBroker(broker) != 0) return -1;
    const zpd_call_key_scope scope(key);
    SDoSignResIn in;
    in.set_RES_ID(number);
    in.set_ACT_TYPE(static_cast<std::int16_t>(act));
    return c.do_signRes(in, out, err, nullptr);
  }

  // Ends every connection server A holds to the store, as a restart of the
  // store or a fail-over does.
  void cutOffA() {
    std::vector<int> pids(16);
    admin << "SELECT pid FROM pg_stat_activity WHERE application_name = :n", soci::use(nameOfA), soci::into(pids);
    ASSERT_FALSE(pids.empty());
    for (int pid : pids) {
      int ended = 0;
      admin << "SELECT CAST(pg_terminate_backend(:p, 10000) AS INTEGER)", soci::use(pid), soci::into(ended);
      ASSERT_EQ(ended, 1);
    }
  }

  std::string url;
  const std::string nameOfA = zp::testing::uniqueName("zpservera");
  std::unique_ptr<Server> a, b;
  std::string token;
  soci::session admin;
};

}  // namespace

// The submission's first sending is still at work on server A (held inside
// its transaction); the counter asks server B under the same key. One order
// is stored, and both servers answer with its number.
TEST_F(SharedStoreCalls, ASubmissionAskedOfAnotherServerWhileTheFirstWorksIsStoredOnce) {
  struct Case {
    const char* what;
    const char* table;
    const char* when;
    bool globalCall;
  } cases[] = {
      {"Global Call, held at the header", "zp_order", "INSERT", true},
      {"GPRS, held at the key", "zp_call_key", "INSERT", false},
  };
  long long servId = 501;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string number = "5510000" + std::to_string(servId - 500);
    SSoUserServiceIn order = zp::testing::gprsOpen(servId);
    if (c.globalCall) {
      SDoSignResOut signedOut;
      CBSErrorMsg e;
      ASSERT_EQ(reserve("ZPSA", number, 1, zpd_new_call_key(), signedOut, e), 0) << e.text2;
      order = zp::testing::globalCallOpen(servId, number, 11);
    }
    const long long ordersBefore = count("SELECT COUNT(*) FROM zp_order");
    stall(c.table, c.when);
    const std::string key = zpd_new_call_key();
    std::array<std::int32_t, 2> r{};
    std::array<SSoUserServiceOut, 2> out;
    std::array<CBSErrorMsg, 2> err;
    std::thread first([&] { r[0] = submit("ZPSA", order, key, out[0], err[0]); });
    awaitWaiting(1);
    std::thread again([&] { r[1] = submit("ZPSB", order, key, out[1], err[1]); });
    awaitWaiting(2);
    release();
    first.join();
    again.join();
    admin << "DROP TRIGGER stall ON " + std::string(c.table);
    EXPECT_EQ(r[0], 0) << err[0].text2;
    EXPECT_EQ(r[1], 0) << err[1].text2;
    EXPECT_EQ(out[0].get_SORESULTINFO().get_SO_NBR(), out[1].get_SORESULTINFO().get_SO_NBR());
    EXPECT_EQ(count("SELECT COUNT(*) FROM zp_order"), ordersBefore + 1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM zp_order WHERE serv_id = " + std::to_string(servId)), 1);
    EXPECT_EQ(count("SELECT so_nbr FROM zp_call_key WHERE call_key = '" + key + "'"),
              out[0].get_SORESULTINFO().get_SO_NBR());
    ++servId;
  }
}

// A reservation's first sending is still at work on server A; asked of B
// under the same key, it is answered as A answered, and the lease is A's.
TEST_F(SharedStoreCalls, AReservationAskedOfAnotherServerWhileTheFirstWorksIsDoneOnce) {
  stall("zp_res_number", "UPDATE");
  const std::string key = zpd_new_call_key();
  std::array<std::int32_t, 2> r{};
  std::array<SDoSignResOut, 2> out;
  std::array<CBSErrorMsg, 2> err;
  std::thread first([&] { r[0] = reserve("ZPSA", "55100007", 1, key, out[0], err[0]); });
  awaitWaiting(1);
  std::thread again([&] { r[1] = reserve("ZPSB", "55100007", 1, key, out[1], err[1]); });
  awaitWaiting(2);
  release();
  first.join();
  again.join();
  admin << "DROP TRIGGER stall ON zp_res_number";
  EXPECT_EQ(r[0], 0) << err[0].text2;
  EXPECT_EQ(r[1], 0) << err[1].text2;
  EXPECT_EQ(out[0].get_RESSIGN(), out[1].get_RESSIGN());
  EXPECT_EQ(count("SELECT COUNT(*) FROM zp_call_key"), 1);
  EXPECT_EQ(count("SELECT sts FROM zp_res_number WHERE res_id = '55100007'"), 2);
}

// The store cuts server A off in the middle of a keyed submission (it
// restarted, or failed over): the work is rolled back, and A runs the call
// once more on connections opened afresh, so the order is stored once and
// the counter told its number. A server used to answer "数据库访问失败,业务
// 没有受理" to it and to every later call, until it was restarted.
TEST_F(SharedStoreCalls, ASubmissionCutOffFromTheStoreIsRunAgainOnANewConnection) {
  SDoSignResOut signedOut;
  CBSErrorMsg e;
  ASSERT_EQ(reserve("ZPSA", "55100004", 1, zpd_new_call_key(), signedOut, e), 0) << e.text2;
  stall("zp_order", "INSERT");
  const std::string key = zpd_new_call_key();
  std::int32_t r = -1;
  SSoUserServiceOut out;
  CBSErrorMsg err;
  std::thread first([&] { r = submit("ZPSA", zp::testing::globalCallOpen(502, "55100004", 11), key, out, err); });
  awaitWaiting(1);
  cutOffA();
  release();
  first.join();
  admin << "DROP TRIGGER stall ON zp_order";
  ASSERT_EQ(r, 0) << err.text2;
  EXPECT_EQ(count("SELECT COUNT(*) FROM zp_order WHERE serv_id = 502"), 1);
  EXPECT_EQ(count("SELECT so_nbr FROM zp_order WHERE serv_id = 502"), out.get_SORESULTINFO().get_SO_NBR());
  EXPECT_EQ(count("SELECT so_nbr FROM zp_call_key WHERE call_key = '" + key + "'"),
            out.get_SORESULTINFO().get_SO_NBR());
  EXPECT_EQ(count("SELECT sts FROM zp_res_number WHERE res_id = '55100004'"), 3);
  // Later calls to A are served too.
  ASSERT_EQ(reserve("ZPSA", "55100005", 1, zpd_new_call_key(), signedOut, e), 0) << e.text2;
}
