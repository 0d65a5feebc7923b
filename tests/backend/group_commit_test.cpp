// Writes on SQLite grouped into one flush: requests that queue behind a
// running one are committed together, a failing one rolls back alone, and
// reads never wait for the writer.
#include <gtest/gtest.h>
#include <soci/soci.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <stdexcept>
#include <thread>
#include <vector>

#include "database.h"

namespace {

namespace fs = std::filesystem;
using zp::store::Database;

struct GroupCommitStore : ::testing::Test {
  fs::path dir = fs::temp_directory_path() / ("zp-group-" + std::to_string(::getpid()));
  std::unique_ptr<Database> db;

  void SetUp() override {
    fs::remove_all(dir);
    fs::create_directories(dir);
    db = Database::open({"sqlite:" + (dir / "g.db").string(), 2});
    db->transact(Database::Intent::write,
                 [](soci::session& sql) { sql << "CREATE TABLE g (name TEXT PRIMARY KEY)"; });
  }
  void TearDown() override {
    db.reset();
    fs::remove_all(dir);
  }
  void insert(const char* name) {
    db->transact(Database::Intent::write, [&](soci::session& sql) {
      sql << "INSERT INTO g (name) VALUES (:n)", soci::use(std::string(name));
    });
  }
  std::vector<std::string> names() {
    std::vector<std::string> out;
    db->transact(Database::Intent::read, [&](soci::session& sql) {
      soci::rowset<std::string> rows = (sql.prepare << "SELECT name FROM g ORDER BY name");
      for (const auto& n : rows) out.push_back(n);
    });
    return out;
  }
};

// The first writer holds the writer until two more have queued; they run
// after it in the same transaction, the second of them fails, and one flush
// stores the first and the third.
TEST_F(GroupCommitStore, WritesQueuedMeanwhileShareOneFlushAndAFailureRollsBackAlone) {
  const auto flushesBefore = db->flushes();
  const auto commitsBefore = db->commits();
  std::promise<void> firstRunning;
  auto first = std::async(std::launch::async, [&] {
    db->transact(Database::Intent::write, [&](soci::session& sql) {
      sql << "INSERT INTO g (name) VALUES ('first')";
      firstRunning.set_value();
      std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the others queue meanwhile
    });
  });
  firstRunning.get_future().wait();
  auto failing = std::async(std::launch::async, [&] {
    db->transact(Database::Intent::write, [&](soci::session& sql) {
      sql << "INSERT INTO g (name) VALUES ('refused')";
      throw std::runtime_error("refused by its rules");
    });
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the refused one queues first
  auto third = std::async(std::launch::async, [&] { insert("third"); });
  first.get();
  EXPECT_THROW(failing.get(), std::runtime_error);  // its own exception, not a store failure
  third.get();

  EXPECT_EQ(names(), (std::vector<std::string>{"first", "third"}));
  EXPECT_EQ(db->flushes() - flushesBefore, 1u) << "the queued writes were flushed one by one";
  EXPECT_EQ(db->commits() - commitsBefore, 3u);  // two writes and the read above
}

// A single writer commits at once, without waiting for company.
TEST_F(GroupCommitStore, ALoneWriteIsFlushedOnItsOwn) {
  const auto before = db->flushes();
  insert("a");
  insert("b");
  EXPECT_EQ(db->flushes() - before, 2u);
  EXPECT_EQ(names(), (std::vector<std::string>{"a", "b"}));
}

// A read is answered while a write holds the writer: it sees the last
// committed state, not the running write.
TEST_F(GroupCommitStore, AReadDoesNotWaitForARunningWrite) {
  insert("committed");
  std::promise<void> writing, readDone;
  auto write = std::async(std::launch::async, [&] {
    db->transact(Database::Intent::write, [&](soci::session& sql) {
      sql << "INSERT INTO g (name) VALUES ('running')";
      writing.set_value();
      // Holds the writer until the read is done; a read that waited for
      // writes would never come back.
      if (readDone.get_future().wait_for(std::chrono::seconds(10)) != std::future_status::ready)
        throw std::runtime_error("the read waited for the write");
    });
  });
  writing.get_future().wait();
  EXPECT_EQ(names(), (std::vector<std::string>{"committed"}));
  readDone.set_value();
  EXPECT_NO_THROW(write.get());
  EXPECT_EQ(names(), (std::vector<std::string>{"committed", "running"}));
}

}  // namespace
