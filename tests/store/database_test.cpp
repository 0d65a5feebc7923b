#include "database.h"

#include <gtest/gtest.h>
#include <soci/soci.h>

#include <algorithm>
#include <set>
#include <thread>

#include "fixtures.h"
#include "password.h"
#include "rows.h"
#include "schema.h"
#include "test_store.h"

using namespace zp::store;
using zp::testing::freshStoreUrl;

namespace {

class Store : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    ZP_REQUIRE_BACKEND(GetParam());
    url_ = freshStoreUrl(GetParam());
    db_ = Database::open({url_, 4});
  }
  long long count(const std::string& table) {
    long long n = -1;
    db_->transact(Database::Intent::read, [&](soci::session& sql) { sql << "SELECT COUNT(*) FROM " + table, soci::into(n); });
    return n;
  }
  std::string url_;
  std::unique_ptr<Database> db_;
};

}  // namespace

TEST_P(Store, MigratesOnceAndRefusesANewerStore) {
  const int latest = migrations().back().version;
  EXPECT_EQ(db_->schemaVersion(), latest);
  db_.reset();
  auto again = Database::open({url_, 2});
  EXPECT_EQ(again->schemaVersion(), latest);
  again->transact(Database::Intent::write, [](soci::session& sql) {
    sql << "INSERT INTO zp_schema_version (version, applied) VALUES (999, 0)";
  });
  again.reset();
  EXPECT_THROW(Database::open({url_, 1}), StoreError);
}

TEST_P(Store, AFailedTransactionLeavesNothing) {
  EXPECT_THROW(db_->transact(Database::Intent::write,
                             [](soci::session& sql) {
                               sql << "INSERT INTO zp_operator (op_id, org_id, region_code, county_code, op_name) VALUES (1, 2, 3, 4, 'x')";
                               throw std::runtime_error("refused");
                             }),
               std::runtime_error);
  EXPECT_EQ(count("zp_operator"), 0);
  const auto before = db_->commits();
  db_->transact(Database::Intent::write, [](soci::session& sql) { sql << "INSERT INTO zp_operator (op_id, org_id, region_code, county_code, op_name) VALUES (1, 2, 3, 4, 'x')"; });
  EXPECT_EQ(count("zp_operator"), 1);
  EXPECT_GT(db_->commits(), before);
}

// A read sees the store as of one moment: what is committed while a lookup
// runs its several queries shows in none of them, not in some.
TEST_P(Store, AReadSeesOneMomentOfTheStore) {
  long long before = -1, after = -1;
  db_->transact(Database::Intent::read, [&](soci::session& sql) {
    sql << "SELECT COUNT(*) FROM zp_operator", soci::into(before);
    std::thread([&] {
      db_->transact(Database::Intent::write, [](soci::session& w) {
        w << "INSERT INTO zp_operator (op_id, org_id, region_code, county_code, op_name) VALUES (1, 2, 3, 4, 'x')";
      });
    }).join();
    sql << "SELECT COUNT(*) FROM zp_operator", soci::into(after);
  });
  EXPECT_EQ(before, 0);
  EXPECT_EQ(after, 0);
  EXPECT_EQ(count("zp_operator"), 1);
}

TEST_P(Store, SequenceNeverRepeatsUnderConcurrency) {
  std::mutex m;
  std::set<long long> seen;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 40; ++i) {
        long long v = 0;
        db_->transact(Database::Intent::write, [&](soci::session& sql) { v = nextSequence(sql, "so_nbr"); });
        std::lock_guard<std::mutex> lock(m);
        EXPECT_TRUE(seen.insert(v).second) << v;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(seen.size(), 160u);
}

TEST_P(Store, FixturesLoadWholeOrNotAtAll) {
  loadFixtures(*db_, R"({
    "operators": [{"op_id": 7, "org_id": 70, "region_code": 571, "county_code": 1, "op_name": "张三"}],
    "customers": [{"cust_id": 1, "cust_name": "李四", "region_code": 571}],
    "accounts": [{"acct_id": 2, "cust_id": 1}],
    "users": [{"serv_id": 3, "phone_id": "13900000001", "cust_id": 1, "acct_id": 2, "password": "135790",
               "create_date": "2024-02-29 08:00:00"}],
    "number_ranges": [{"first": "0057100", "count": 120, "region_code": 571}]
  })");
  EXPECT_EQ(count("zp_user"), 1);
  EXPECT_EQ(count("zp_res_number"), 120);
  std::string name, salt, hash, last;
  long long created = 0;
  db_->transact(Database::Intent::read, [&](soci::session& sql) {
    sql << "SELECT op_name FROM zp_operator WHERE op_id = 7", soci::into(name);
    sql << "SELECT password_salt, password_hash, create_date FROM zp_user WHERE serv_id = 3", soci::into(salt),
        soci::into(hash), soci::into(created);
    sql << "SELECT MAX(res_id) FROM zp_res_number", soci::into(last);
  });
  EXPECT_EQ(name, "张三");
  EXPECT_TRUE(verifyPassword("135790", {salt, hash}));
  EXPECT_FALSE(verifyPassword("135791", {salt, hash}));
  EXPECT_EQ(created, 20240229080000);
  EXPECT_EQ(last, "0057219");  // width of "first" kept

  struct Bad {
    const char* doc;
    const char* mentions;
  };
  const Bad bad[] = {
      {R"({"planets": []})", "planets"},
      {R"({"operators": [{"op_id": 8, "colour": 1}]})", "colour"},
      {R"({"operators": [{"org_id": 8}]})", "operators[0].op_id"},
      {R"({"customers": [{"cust_id": 9, "create_date": "2024-02-30 00:00:00"}]})", "create_date"},
      {R"({"operators": [{"op_id": "x"}]})", "op_id"},
      {R"({"operators": [{"op_id": 9}], "users": [{"serv_id": 3, "phone_id": "1", "cust_id": 1, "acct_id": 2}]})",
       "rejected"},  // duplicate key: the operator of the same document must not stay
      {R"([1, 2])", "object"},
      {R"({"operators": )", "JSON"},
  };
  for (const Bad& b : bad) {
    try {
      loadFixtures(*db_, b.doc);
      ADD_FAILURE() << b.doc;
    } catch (const LoadError& e) {
      EXPECT_NE(std::string(e.what()).find(b.mentions), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(count("zp_operator"), 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, Store, ::testing::Values(Backend::sqlite, Backend::postgresql),
                         [](const auto& info) { return std::string(zp::testing::backendName(info.param)); });

// A PostgreSQL store made by a server of the schema before order numbers came
// from a sequence of the store, with orders numbered by the counter row (and
// one entered by hand above it): once a current server opens it, the numbers
// it gives continue above every number already given.
TEST(StoreUpgrade, OrderNumbersContinueAboveEveryNumberGivenBefore) {
  ZP_REQUIRE_BACKEND(Backend::postgresql);
  constexpr int kBeforeSequence = 7;
  struct Case {
    long long counter;   // zp_sequence's value when the old server stopped
    long long highest;   // the highest order number stored
  };
  for (const Case c : {Case{100250, 100180}, Case{100250, 100400}}) {
    const std::string url = freshStoreUrl(Backend::postgresql);
    const std::string schema = url.substr(url.find("#schema=") + 8);
    {
      soci::session old("postgresql", zp::store::postgresConninfo(url.substr(0, url.find('#'))));
      old << "CREATE SCHEMA " + schema;
      old << "SET search_path TO " + schema;
      old << "CREATE TABLE zp_schema_version (version INTEGER NOT NULL, applied BIGINT NOT NULL)";
      for (const Migration& m : migrations()) {
        if (m.version > kBeforeSequence) break;
        for (const std::string& statement : m.statements)
          if (const std::string text = dialect(statement, Backend::postgresql); !text.empty()) old << text;
        old << "INSERT INTO zp_schema_version (version, applied) VALUES (:v, 0)", soci::use(m.version);
      }
      old << "UPDATE zp_sequence SET value = :v WHERE name = 'so_nbr'", soci::use(c.counter);
      for (const long long soNbr : {c.highest - 1, c.highest})
        old << "INSERT INTO zp_order (so_nbr, busi_code, serv_id, cust_id, acct_id, op_id, region_code, county_code, "
               "org_id, so_region_code, so_county_code, so_org_id, so_date, after_flag, after_date, verify_mode, "
               "line_count, print_count) VALUES (:n, 1302, 1, 1, 1, 1, 571, 1, 1, 571, 1, 1, 0, 0, 0, 0, 0, 0)",
            soci::use(soNbr);
    }
    const auto db = Database::open({url, 4});
    EXPECT_EQ(db->schemaVersion(), migrations().back().version);
    const long long above = std::max(c.counter, c.highest);
    std::vector<long long> drawn;
    for (int i = 0; i < 3; ++i)
      db->transact(Database::Intent::write, [&](soci::session& sql) { drawn.push_back(nextSequence(sql, "so_nbr")); });
    EXPECT_EQ(drawn, (std::vector<long long>{above + 1, above + 2, above + 3})) << c.counter << " " << c.highest;

    // A number drawn by an order that then failed is not given again: the
    // numbers have gaps on this store, never repeats.
    EXPECT_THROW(db->transact(Database::Intent::write,
                              [&](soci::session& sql) {
                                drawn.push_back(nextSequence(sql, "so_nbr"));
                                throw std::runtime_error("refused");
                              }),
                 std::runtime_error);
    db->transact(Database::Intent::write, [&](soci::session& sql) { drawn.push_back(nextSequence(sql, "so_nbr")); });
    EXPECT_GT(drawn.back(), drawn[drawn.size() - 2]);
  }
}

// PostgreSQL dropped the server's connections (restarted, failed over, or an
// administrator ended them): the next requests, reads and writes, open them
// again and run, with the statements they had kept prepared on the old
// ones. A server used to refuse every request from then on, until it was
// restarted by hand.
TEST(StoreConnections, ConnectionsTheStoreDroppedAreOpenedAgain) {
  ZP_REQUIRE_BACKEND(Backend::postgresql);
  std::string url = freshStoreUrl(Backend::postgresql);
  const std::string name = zp::testing::uniqueName("zpdropped");
  const std::size_t hash = url.find('#');
  url.insert(hash, std::string(url.find('?') < hash ? "&" : "?") + "application_name=" + name);
  const auto db = Database::open({url, 3});
  const auto insert = [&](long long opId) {
    db->transact(Database::Intent::write, [&](soci::session& sql) {
      execute(sql, "INSERT INTO zp_operator (op_id, org_id, region_code, county_code, op_name) VALUES (:o, 2, 3, 4, :n)",
              {opId, std::string("营业员") + std::to_string(opId)});
    });
  };
  const auto operators = [&] {
    Row r;
    db->transact(Database::Intent::read,
                 [&](soci::session& sql) { firstRow(sql, "SELECT COUNT(*) FROM zp_operator WHERE org_id = :g", "i", {2LL}, r); });
    return r.i(0);
  };
  for (long long op = 1; op <= 3; ++op) insert(op);
  ASSERT_EQ(operators(), 3);

  soci::session admin("postgresql", postgresConninfo(std::getenv("ZP_TEST_PG")));
  std::vector<int> pids(8);
  admin << "SELECT pid FROM pg_stat_activity WHERE application_name = :n", soci::use(name), soci::into(pids);
  ASSERT_EQ(pids.size(), 3u);
  for (int pid : pids) {
    int ended = 0;
    admin << "SELECT CAST(pg_terminate_backend(:p, 10000) AS INTEGER)", soci::use(pid), soci::into(ended);
    ASSERT_EQ(ended, 1) << pid;
  }

  for (long long op = 4; op <= 9; ++op) EXPECT_NO_THROW(insert(op)) << op;
  EXPECT_EQ(operators(), 9);
  long long open = 0;
  admin << "SELECT COUNT(*) FROM pg_stat_activity WHERE application_name = :n", soci::use(name), soci::into(open);
  EXPECT_GE(open, 1);
}

TEST(Password, HashIsSaltedAndKnownVectorHolds) {
  EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  const PasswordHash a = hashPassword("123456"), b = hashPassword("123456");
  EXPECT_NE(a.salt, b.salt);
  EXPECT_NE(a.hash, b.hash);
  EXPECT_TRUE(verifyPassword("123456", a));
  EXPECT_FALSE(verifyPassword("12345", a));
}

TEST(StoreAddress, UnknownSchemesAreRefused) {
  EXPECT_THROW(Database::open({"mysql://x"}), StoreError);
  EXPECT_THROW(Database::open({"sqlite:"}), StoreError);
}
