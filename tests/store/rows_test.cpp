// Statements through the row functions are prepared once per connection and
// kept. What must hold on both stores: values land in the right places, a
// failing run leaves the kept statement usable, texts past what a connection
// keeps still run, and a kept statement outlives a rolled-back transaction.
#include "rows.h"

#include <gtest/gtest.h>
#include <soci/soci.h>

#include <algorithm>
#include <tuple>

#include "database.h"
#include "test_store.h"

using namespace zp::store;
using zp::testing::freshStoreUrl;

namespace {

class Rows : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    ZP_REQUIRE_BACKEND(GetParam());
    // One session, so every statement meets the same connection's kept ones.
    db_ = Database::open({freshStoreUrl(GetParam()), 1});
    db_->transact(Database::Intent::write, [](soci::session& sql) {
      execute(sql, "CREATE TABLE t_rows (id INTEGER PRIMARY KEY, a INTEGER NOT NULL, b TEXT, c TEXT NOT NULL)", {});
    });
  }
  void write(const std::function<void(soci::session&)>& fn) { db_->transact(Database::Intent::write, fn); }
  std::vector<std::string> rows(const std::string& query, const std::vector<Param>& params = {}) {
    std::vector<std::string> out;
    db_->transact(Database::Intent::read, [&](soci::session& sql) {
      forEachRow(sql, query, "iiss", params, [&](const Row& r) {
        out.push_back(std::to_string(r.i(0)) + "|" + std::to_string(r.i(1)) + "|" + r.s(2) + "|" + r.s(3));
      });
    });
    return out;
  }
  std::unique_ptr<Database> db_;
};

}  // namespace

// Values go to their placeholders in order, one per occurrence, also where
// a name repeats; a colon inside a literal or a cast is not a placeholder;
// NULL reads as 0 and "". The same text run again with other values (now
// a kept statement) must not answer with the first run's values.
TEST_P(Rows, ValuesReachTheirPlaceholdersOnEveryRunOfAKeptStatement) {
  const std::string insert = "INSERT INTO t_rows (id, a, b, c) VALUES (:id, :a, :b, ':not a value')";
  write([&](soci::session& sql) {
    EXPECT_EQ(execute(sql, insert, {1LL, 10LL, std::string("一")}), 1);
    EXPECT_EQ(execute(sql, insert, {2LL, 20LL, std::string("two")}), 1);
    EXPECT_EQ(execute(sql, "INSERT INTO t_rows (id, a, c) VALUES (:id, :a, :c)", {3LL, 30LL, std::string("x:y")}), 1);
  });
  const std::string query = "SELECT id, a, b, c FROM t_rows WHERE a >= :low AND a <= :low2 ORDER BY id";
  EXPECT_EQ(rows(query, {10LL, 20LL}), (std::vector<std::string>{"1|10|一|:not a value", "2|20|two|:not a value"}));
  EXPECT_EQ(rows(query, {25LL, 30LL}), (std::vector<std::string>{"3|30||x:y"}));
  // A name used twice takes two values.
  EXPECT_EQ(rows("SELECT id, a, b, c FROM t_rows WHERE id = :v OR a = :v ORDER BY id", {2LL, 30LL}),
            (std::vector<std::string>{"2|20|two|:not a value", "3|30||x:y"}));
  long long changed = 0;
  write([&](soci::session& sql) { changed = execute(sql, "UPDATE t_rows SET a = a + 1 WHERE a > :a", {15LL}); });
  EXPECT_EQ(changed, 2);
  // Too few values is refused, not run with whatever was bound before.
  EXPECT_ANY_THROW(rows(query, {10LL}));
}

// A run that fails (a duplicate key) rolls its transaction back and leaves the
// kept statement as good as before: the next transaction runs it.
TEST_P(Rows, AFailedRunLeavesTheKeptStatementUsable) {
  const std::string insert = "INSERT INTO t_rows (id, a, c) VALUES (:id, :a, 'c')";
  write([&](soci::session& sql) { execute(sql, insert, {1LL, 1LL}); });
  EXPECT_ANY_THROW(write([&](soci::session& sql) {
    execute(sql, insert, {2LL, 2LL});
    execute(sql, insert, {1LL, 3LL});  // taken
  }));
  write([&](soci::session& sql) { execute(sql, insert, {2LL, 4LL}); });
  EXPECT_EQ(rows("SELECT id, a, b, c FROM t_rows ORDER BY id"), (std::vector<std::string>{"1|1||c", "2|4||c"}));
}

// A statement first prepared inside a transaction that rolled back is still
// there for the next one (on PostgreSQL a prepared statement belongs to the
// connection; were it dropped, the next run would ask for a missing one).
TEST_P(Rows, AStatementPreparedInARolledBackTransactionRunsInTheNext) {
  const std::string query = "SELECT id, a, b, c FROM t_rows WHERE id > :i";
  EXPECT_THROW(db_->transact(Database::Intent::read,
                             [&](soci::session& sql) {
                               forEachRow(sql, query, "iiss", {0LL}, [](const Row&) {});
                               throw std::runtime_error("refused");
                             }),
               std::runtime_error);
  write([&](soci::session& sql) { execute(sql, "INSERT INTO t_rows (id, a, c) VALUES (:id, :a, 'c')", {7LL, 8LL}); });
  EXPECT_EQ(rows(query, {0LL}), (std::vector<std::string>{"7|8||c"}));
}

// Texts with values written into them would fill a connection's kept
// statements; past what it keeps, new texts still run, and right.
TEST_P(Rows, TextsPastWhatAConnectionKeepsStillRun) {
  write([&](soci::session& sql) {
    for (long long i = 0; i < 700; ++i)
      execute(sql, "INSERT INTO t_rows (id, a, c) VALUES (" + std::to_string(i) + ", :a, 'c')", {i * 2});
  });
  for (long long i : {0LL, 400LL, 699LL})
    EXPECT_EQ(rows("SELECT id, a, b, c FROM t_rows WHERE id = " + std::to_string(i)),
              (std::vector<std::string>{std::to_string(i) + "|" + std::to_string(i * 2) + "||c"}));
}

namespace {

// Catalogue answers kept in memory, on a store opened by two servers.
class CatalogueMemory : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    ZP_REQUIRE_BACKEND(GetParam());
    url_ = freshStoreUrl(GetParam());
    db_ = Database::open({url_, 2});
    other_ = Database::open({url_, 1});
    other_->transact(Database::Intent::write, [](soci::session& sql) {
      for (const auto& [name, region, value] : {std::tuple{"MAX_PROM", 571LL, "3"}, std::tuple{"MAX_PROM", 572LL, "5"},
                                                std::tuple{"GPS_SP", 571LL, "11"}})
        execute(sql, "INSERT INTO zp_sys_para (region_code, para_name, para_value, remark) VALUES (:r, :n, :v, '')",
                {region, std::string(name), std::string(value)});
    });
  }
  // A parameter as a server reads it, in a transaction of its own.
  std::string para(Database& db, const std::string& name, long long region) {
    std::string value = "(none)";
    db.transact(Database::Intent::read, [&](soci::session& sql) { value = paraIn(sql, name, region); });
    return value;
  }
  static std::string paraIn(soci::session& sql, const std::string& name, long long region) {
    Row r;
    return firstRow(sql, "SELECT para_value FROM zp_sys_para WHERE para_name = :n AND region_code = :r", "s",
                    {name, region}, r)
               ? r.s(0)
               : "(none)";
  }
  std::string url_;
  std::unique_ptr<Database> db_, other_;
};

}  // namespace

// The second asking of the same catalogue question is answered from memory,
// each set of values its own answer; a change by another server (update,
// insert, delete) or by hand is seen by the next transaction.
TEST_P(CatalogueMemory, AnswersComeFromMemoryUntilAnyoneChangesTheCatalogue) {
  EXPECT_EQ(para(*db_, "MAX_PROM", 571), "3");
  const auto before = db_->catalogueAnswers();
  EXPECT_EQ(para(*db_, "MAX_PROM", 571), "3");
  EXPECT_EQ(para(*db_, "MAX_PROM", 572), "5");  // other values: asked of the store
  EXPECT_EQ(para(*db_, "MAX_PROM", 572), "5");
  EXPECT_EQ(db_->catalogueAnswers(), before + 2);

  other_->transact(Database::Intent::write, [](soci::session& sql) {
    execute(sql, "UPDATE zp_sys_para SET para_value = '4' WHERE para_name = 'MAX_PROM' AND region_code = 571", {});
  });
  EXPECT_EQ(para(*db_, "MAX_PROM", 571), "4");
  other_->transact(Database::Intent::write, [](soci::session& sql) {
    execute(sql, "INSERT INTO zp_sys_para (region_code, para_name, para_value, remark) VALUES (573, 'MAX_PROM', '7', '')",
            {});
  });
  EXPECT_EQ(para(*db_, "MAX_PROM", 573), "7");
  // By hand: a statement the row functions never saw.
  other_->transact(Database::Intent::write, [](soci::session& sql) {
    sql << "DELETE FROM zp_sys_para WHERE para_name = 'MAX_PROM' AND region_code = 572";
  });
  EXPECT_EQ(para(*db_, "MAX_PROM", 572), "(none)");
  EXPECT_EQ(para(*db_, "MAX_PROM", 571), "4");
}

// Only plain reads of catalogue tables alone are kept: a query that also
// reads a table the services write, or locks its rows, always asks the store.
TEST_P(CatalogueMemory, QueriesOfOtherTablesAlwaysAskTheStore) {
  db_->transact(Database::Intent::write, [](soci::session& sql) {
    execute(sql, "INSERT INTO zp_operator (op_id, org_id, region_code, county_code, op_name) VALUES (9, 1, 571, 1, 'a')",
            {});
  });
  const auto named = [&] {
    std::string out;
    db_->transact(Database::Intent::read, [&](soci::session& sql) {
      Row r;
      if (firstRow(sql,
                   "SELECT o.op_name FROM zp_operator o JOIN zp_sys_para p ON p.region_code = o.region_code "
                   "WHERE o.op_id = :o AND p.para_name = 'GPS_SP'",
                   "s", {9LL}, r))
        out = r.s(0);
    });
    return out;
  };
  const auto locked = [&] {
    std::string out;
    db_->transact(Database::Intent::write, [&](soci::session& sql) {
      Row r;
      if (firstRow(sql, std::string("SELECT para_value FROM zp_sys_para WHERE para_name = 'GPS_SP'") + db_->rowLock(),
                   "s", {}, r))
        out = r.s(0);
    });
    return out;
  };
  EXPECT_EQ(named(), "a");
  EXPECT_EQ(locked(), "11");
  const auto before = db_->catalogueAnswers();
  EXPECT_EQ(named(), "a");
  if (GetParam() == Backend::postgresql) EXPECT_EQ(locked(), "11");
  EXPECT_EQ(db_->catalogueAnswers(), before);
  other_->transact(Database::Intent::write, [](soci::session& sql) {
    execute(sql, "UPDATE zp_operator SET op_name = 'b' WHERE op_id = 9", {});
  });
  EXPECT_EQ(named(), "b");
}

// A transaction that changes the catalogue reads its own change; when it
// rolls back, nobody is answered with what it saw. Versions are never
// reused: a later committed change is seen, not the rolled-back one.
TEST_P(CatalogueMemory, ATransactionSeesItsOwnChangeAndARollbackLeavesNoTrace) {
  EXPECT_EQ(para(*db_, "GPS_SP", 571), "11");
  for (const bool byHand : {false, true}) {
    EXPECT_THROW(db_->transact(Database::Intent::write,
                               [&](soci::session& sql) {
                                 EXPECT_EQ(paraIn(sql, "GPS_SP", 571), "11");
                                 const char* change =
                                     "UPDATE zp_sys_para SET para_value = '99' WHERE para_name = 'GPS_SP'";
                                 if (byHand)
                                   sql << change;
                                 else
                                   execute(sql, change, {});
                                 if (!byHand) EXPECT_EQ(paraIn(sql, "GPS_SP", 571), "99");
                                 throw std::runtime_error("refused");
                               }),
                 std::runtime_error);
    EXPECT_EQ(para(*db_, "GPS_SP", 571), "11") << (byHand ? "by hand" : "through the row functions");
  }
  // A rolled-back change by hand whose own version was seen and remembered.
  EXPECT_THROW(db_->transact(Database::Intent::write,
                             [&](soci::session& sql) {
                               sql << "UPDATE zp_sys_para SET para_value = '77' WHERE para_name = 'GPS_SP'";
                               EXPECT_EQ(paraIn(sql, "GPS_SP", 571), "77");
                               throw std::runtime_error("refused");
                             }),
               std::runtime_error);
  // Straight to the next committed change: had the rolled-back version been
  // one a later change could take again, "77" would be the answer now.
  other_->transact(Database::Intent::write, [](soci::session& sql) {
    execute(sql, "UPDATE zp_sys_para SET para_value = '12' WHERE para_name = 'GPS_SP'", {});
  });
  EXPECT_EQ(para(*db_, "GPS_SP", 571), "12");
}

// Answers that would outgrow the memory (here a large list asked with many
// different values, as queries carrying the time are) make it start afresh;
// every answer stays right, before and after.
TEST_P(CatalogueMemory, AnswersPastTheMemorysBoundStayRight) {
  other_->transact(Database::Intent::write, [](soci::session& sql) {
    for (long long code = 0; code < 1500; ++code)
      execute(sql, "INSERT INTO zp_code_list (list_no, code, name) VALUES (7, :c, :n)",
              {code, "名称" + std::to_string(code)});
  });
  const auto listFrom = [&](long long from) {
    long long count = 0, first = -1;
    std::string lastName;
    db_->transact(Database::Intent::read, [&](soci::session& sql) {
      forEachRow(sql, "SELECT code, name FROM zp_code_list WHERE list_no = 7 AND code >= :f ORDER BY code", "is",
                 {from}, [&](const Row& r) {
                   if (first < 0) first = r.i(0);
                   lastName = r.s(1);
                   ++count;
                 });
    });
    return std::to_string(count) + "|" + std::to_string(first) + "|" + lastName;
  };
  std::size_t most = 0;
  for (int round = 0; round < 2; ++round)
    for (long long from = 0; from < 150; ++from) {
      ASSERT_EQ(listFrom(from), std::to_string(1500 - from) + "|" + std::to_string(from) + "|名称1499")
          << "round " << round << ", from " << from;
      most = std::max(most, db_->catalogueRowsKept());
    }
  EXPECT_GT(most, 0u);
  EXPECT_LE(most, mostRowsInMemory());
  // And the memory still serves after starting afresh.
  const auto before = db_->catalogueAnswers();
  EXPECT_EQ(listFrom(149), listFrom(149));
  EXPECT_GE(db_->catalogueAnswers(), before + 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, CatalogueMemory, ::testing::Values(Backend::sqlite, Backend::postgresql),
                         [](const auto& info) { return info.param == Backend::sqlite ? "sqlite" : "postgresql"; });

INSTANTIATE_TEST_SUITE_P(Backends, Rows, ::testing::Values(Backend::sqlite, Backend::postgresql),
                         [](const auto& info) { return info.param == Backend::sqlite ? "sqlite" : "postgresql"; });
