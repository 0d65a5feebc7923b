// The TCP server's read lane: requests its classifier calls reads have
// workers and a queue of their own, so they are answered while every
// ordinary worker is held (as by a commit being flushed), and nothing else
// ever runs on them.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <future>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <vector>

#include "gate.h"
#include "tcp_server.h"
#include "thread_priority.h"
#include "test_server.h"

namespace {

using namespace zp::testing;
using namespace std::chrono_literals;
using steady = std::chrono::steady_clock;
using zp::transport::Limits;

constexpr const char* kRead = "READ0001";
constexpr const char* kWrite = "WRITE001";
constexpr const char* kUnknown = "OTHER001";  // the classifier has never heard of it
constexpr const char* kThrows = "THROWS01";   // the classifier fails on it


struct Lanes {
  Gate reads, writes, others;
  std::shared_ptr<zpd_dispatcher> dispatcher = std::make_shared<zpd_dispatcher>();
  std::unique_ptr<zp::transport::TcpServer> server;
  std::string address;

  explicit Lanes(Limits limits) {
    dispatcher->add(kEchoInterface, kRead, reads.handler());
    dispatcher->add(kEchoInterface, kWrite, writes.handler());
    dispatcher->add(kEchoInterface, kUnknown, others.handler());
    dispatcher->add(kEchoInterface, kThrows, others.handler());
    server = std::make_unique<zp::transport::TcpServer>(dispatcher, limits);
    server->set_read_lane([](std::string_view interfaceName, std::string_view code) {
      if (code == kThrows) throw std::runtime_error("cannot tell");
      return interfaceName == kEchoInterface && code == kRead;
    });
    EXPECT_FALSE(server->start("127.0.0.1", 0));
    address = tcp_address(server->port());
  }
  ~Lanes() {
    reads.open();
    writes.open();
    others.open();
  }
};

Limits lanes(std::size_t workers, std::size_t readers, std::size_t queue = 64, int ordinaryNice = 10) {
  Limits l;
  l.workerThreads = workers;
  l.readThreads = readers;
  l.queueLength = queue;
  l.ordinaryNice = ordinaryNice;
  return l;
}

// Calls on clients of their own, each from a thread of its own. Clients are
// bound on the test's thread: the broker comes from the environment.
class Calls {
 public:
  explicit Calls(const std::string& address) : address_(address) {}
  std::shared_future<std::int32_t> start(const char* code, std::int32_t value) {
    auto client = std::shared_ptr<CZpdClientObject>(bind_client(address_, nullptr, 20s).release());
    return std::async(std::launch::async, [client, code, value] {
             const EchoResult r = echo(*client, value, "lane", code);
             return r.result == 0 && r.value != value ? -1 : r.result;
           }).share();
  }

 private:
  std::string address_;
};

bool answered_within(const std::shared_future<std::int32_t>& f, std::chrono::milliseconds within) {
  return f.wait_for(within) == std::future_status::ready;
}

// With every ordinary worker held and more writes queued behind them, a read
// is still answered; the queued write is not run by the idle read worker.
TEST(ReadLane, ReadIsAnsweredWhileEveryOrdinaryWorkerIsGate) {
  Lanes s(lanes(2, 1));
  Calls calls(s.address);
  auto w1 = calls.start(kWrite, 1), w2 = calls.start(kWrite, 2);
  ASSERT_TRUE(s.writes.wait_entered(2, 5s));
  auto queued = calls.start(kWrite, 3);
  auto unknown = calls.start(kUnknown, 4);
  auto failing = calls.start(kThrows, 5);

  s.reads.open();
  auto read = calls.start(kRead, 6);
  ASSERT_TRUE(answered_within(read, 5s)) << "a read waited behind held writes";
  EXPECT_EQ(read.get(), 0);

  // The read worker was free all along: neither the queued write nor what
  // the classifier did not call a read was given to it.
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(s.writes.entered(), 2);
  EXPECT_EQ(s.others.entered(), 0);
  EXPECT_FALSE(answered_within(queued, 0ms));
  EXPECT_FALSE(answered_within(unknown, 0ms));
  EXPECT_FALSE(answered_within(failing, 0ms));

  s.writes.open();
  s.others.open();
  for (auto* f : {&w1, &w2, &queued, &unknown, &failing}) EXPECT_EQ(f->get(), 0);
}

// Gate reads do not hold up the writes either: the two lanes share nothing.
TEST(ReadLane, WritesAreAnsweredWhileEveryReadWorkerIsGate) {
  Lanes s(lanes(1, 1));
  Calls calls(s.address);
  auto r1 = calls.start(kRead, 1);
  ASSERT_TRUE(s.reads.wait_entered(1, 5s));
  s.writes.open();
  auto write = calls.start(kWrite, 2);
  ASSERT_TRUE(answered_within(write, 5s));
  EXPECT_EQ(write.get(), 0);
  s.reads.open();
  EXPECT_EQ(r1.get(), 0);
}

// Over many mixed requests, reads ran only on read workers and everything
// else only on ordinary ones, which yield the processor to the reads.
TEST(ReadLane, EachKindRunsOnItsOwnWorkersOnly) {
  const int base = thread_nice();  // the server's threads start from the test's
  Lanes s(lanes(3, 2, 64, 7));
  s.reads.open();
  s.writes.open();
  s.others.open();
  Calls calls(s.address);
  std::vector<std::shared_future<std::int32_t>> all;
  const char* kinds[] = {kRead, kWrite, kUnknown, kThrows};
  for (int i = 0; i < 40; ++i) all.push_back(calls.start(kinds[i % 4], i));
  for (auto& f : all) EXPECT_EQ(f.get(), 0);
  const auto readers = s.reads.threads();
  std::set<std::thread::id> ordinary = s.writes.threads();
  for (auto id : s.others.threads()) ordinary.insert(id);
  EXPECT_LE(readers.size(), 2u);
  EXPECT_LE(ordinary.size(), 3u);
  for (auto id : readers) EXPECT_EQ(ordinary.count(id), 0u) << "a read and another request shared a worker";
  EXPECT_EQ(s.reads.nices(), std::set<int>{base});
  EXPECT_EQ(s.writes.nices(), std::set<int>{std::min(base + 7, 19)});
  EXPECT_EQ(s.others.nices(), std::set<int>{std::min(base + 7, 19)});
}

// Reads also ask for a short time slice, so that, woken while order threads
// hold the processor, they take it at once; the I/O thread too, which every
// request and reply passes. The ordinary workers keep the scheduler's own.
TEST(ReadLane, ReadWorkersAndTheIoThreadAskForShortSlices) {
  const long own = thread_slice_us();
  Limits limits = lanes(2, 2);
  limits.quickSlice = 300us;
  {
    // Whether this kernel takes a slice asked for: older ones ignore it.
    long taken = 0;
    std::thread([&] {
      zp::transport::applyToThisThread({0, limits.quickSlice});
      taken = thread_slice_us();
    }).join();
    if (taken != 300) GTEST_SKIP() << "this kernel does not take a thread's own time slice";
  }
  ASSERT_NE(own, 300);
  {
    Lanes s(limits);
    s.reads.open();
    s.writes.open();
    Calls calls(s.address);
    EXPECT_EQ(calls.start(kRead, 1).get(), 0);
    EXPECT_EQ(calls.start(kWrite, 2).get(), 0);
    EXPECT_EQ(s.reads.slices(), std::set<long>{300});
    EXPECT_EQ(s.writes.slices(), std::set<long>{own});
    // Named, so that top -H, gdb and perf tell them apart.
    EXPECT_EQ(s.reads.names(), std::set<std::string>{"zp-read"});
    EXPECT_EQ(s.writes.names(), std::set<std::string>{"zp-work"});
  }
  {
    // Without workers the I/O thread runs the handlers: its slice shows.
    Lanes s(lanes(0, 0));
    s.writes.open();
    Calls calls(s.address);
    EXPECT_EQ(calls.start(kWrite, 1).get(), 0);
    EXPECT_EQ(s.writes.slices(), std::set<long>{100}) << "the default";
    EXPECT_EQ(s.writes.names(), std::set<std::string>{"zp-io"});
  }
}

// Each lane refuses "busy" when its own queue is full, and only then: a full
// queue in one lane leaves the other answering.
TEST(ReadLane, EachLaneHasItsOwnQueueAndBusyRefusal) {
  for (const bool fillReads : {false, true}) {
    SCOPED_TRACE(fillReads ? "reads fill their lane" : "writes fill theirs");
    Lanes s(lanes(1, 1, 1));
    Calls calls(s.address);
    Gate& full = fillReads ? s.reads : s.writes;
    Gate& other = fillReads ? s.writes : s.reads;
    const char* fullCode = fillReads ? kRead : kWrite;
    const char* otherCode = fillReads ? kWrite : kRead;
    auto running = calls.start(fullCode, 1);
    ASSERT_TRUE(full.wait_entered(1, 5s));
    auto waiting = calls.start(fullCode, 2);
    // The queue of one takes the second; a third finds it full.
    std::this_thread::sleep_for(100ms);
    auto refused = calls.start(fullCode, 3);
    ASSERT_TRUE(answered_within(refused, 5s));
    EXPECT_EQ(refused.get(), ZPE_SRV_BUSY);

    other.open();
    auto served = calls.start(otherCode, 4);
    ASSERT_TRUE(answered_within(served, 5s)) << "a full lane held up the other one";
    EXPECT_EQ(served.get(), 0);

    full.open();
    EXPECT_EQ(running.get(), 0);
    EXPECT_EQ(waiting.get(), 0);
  }
}

// Without read workers, or without a classifier, reads take their turn with
// the rest, as they did before there were lanes, and no worker gives up
// priority.
TEST(ReadLane, NoReadWorkersOrNoClassifierMeansOneLane) {
  const int base = thread_nice();
  {
    Lanes s(lanes(1, 0));
    Calls calls(s.address);
    s.reads.open();
    auto write = calls.start(kWrite, 1);
    ASSERT_TRUE(s.writes.wait_entered(1, 5s));
    EXPECT_EQ(s.writes.nices(), std::set<int>{base});
    auto read = calls.start(kRead, 2);
    EXPECT_FALSE(answered_within(read, 300ms));
    s.writes.open();
    EXPECT_EQ(read.get(), 0);
    EXPECT_EQ(write.get(), 0);
  }
  {
    Gate writes;
    auto d = std::make_shared<zpd_dispatcher>();
    d->add(kEchoInterface, kWrite, writes.handler());
    d->add(kEchoInterface, kRead, echo_handler());
    auto server = start_server(d, lanes(1, 2));
    Calls calls(tcp_address(server->port()));
    auto write = calls.start(kWrite, 1);
    ASSERT_TRUE(writes.wait_entered(1, 5s));
    EXPECT_EQ(writes.nices(), std::set<int>{base});
    auto read = calls.start(kRead, 2);
    EXPECT_FALSE(answered_within(read, 300ms));
    writes.open();
    EXPECT_EQ(read.get(), 0);
    EXPECT_EQ(write.get(), 0);
  }
}

}  // namespace
