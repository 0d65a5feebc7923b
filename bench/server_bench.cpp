// zpserver's two hot paths on SQLite, each beside SQLite's own figure for
// comparable work measured in the same run:
//   - whole so_userService orders per second, with 1 and with 8 clients over
//     loopback, beside the rate of a raw insert-and-commit transaction with
//     the same store settings;
//   - query_resList of 100 free numbers in a pool of 1,000,000, beside a
//     primary-key lookup in the same database;
//   - a counter's subscriber lookup while 8 clients submit orders without a
//     pause, beside the same lookup on an idle server.
#include <benchmark/benchmark.h>
#include <soci/soci.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "MBusiPublic.h"
#include "MVasDesk.h"
#include "bench_orders.h"
#include "busi_public_service.h"
#include "database.h"
#include "fixtures.h"
#include "ratio_reporter.h"
#include "read_lane.h"
#include "sample_orders.h"
#include "services.h"
#include "sessions.h"
#include "steady_cpu.h"
#include "tcp_server.h"
#include "vasdesk_service.h"
#include "zpd_client.h"
#include "zpd_server.h"

namespace {

using namespace MPublicDef;
using namespace MVasDesk;
namespace fs = std::filesystem;

// Subscribers: orders take one each from the first kOrderUsers, enough for
// every benchmark's repetitions at ten thousand orders a second; the order
// burst under the lookups takes its own share after the order benchmarks.
// The last kLookedUp are only ever looked up.
constexpr int kUsers = 400000;
constexpr int kLookedUp = 1000;
constexpr int kOrderUsers = kUsers - kLookedUp;

fs::path scratch() {
  static const fs::path dir = [] {
    fs::path p = fs::temp_directory_path() / ("zpbench-" + std::to_string(::getpid()));
    fs::create_directories(p);
    return p;
  }();
  return dir;
}

using zp::testing::manySubscribersPhone;

// Which of the store's subscribers (kFirstSubscriber + n) has this phone:
// manySubscribersPhone backwards.
long long subscriberOfPhone(const std::string& phone) { return std::stoll(phone.substr(3)) - 10000000; }

// The two lookups of lookUpSubscriber answered without the store, for the
// subscribers the store was filled with; everything else as zpserver
// answers it.
class LookupsFromMemory final : public zp::backend::BusiPublicService {
 public:
  explicit LookupsFromMemory(zp::store::Database& db) : BusiPublicService(db, {}) {}
  std::int32_t get_userServId(const MBusiPublic::SPhoneIn& in, MBusiPublic::SServIdOut& out, CBSErrorMsg&) override {
    out.set_SERV_ID(kFirstSubscriber + subscriberOfPhone(in.get_PHONE_ID()));
    return 0;
  }
  std::int32_t get_userInfo(const MBusiPublic::SServIdIn& in, SUserInfo& out, CBSErrorMsg&) override {
    out.set_SERV_ID(in.get_SERV_ID());
    out.set_PHONE_ID(manySubscribersPhone(in.get_SERV_ID() - kFirstSubscriber));
    out.set_REGION_CODE(571);
    return 0;
  }
};

// One server over one store with many subscribers without GPRS, and a pool
// of a million numbers; built once for every benchmark of this program.
//
// It is served on one dispatcher by two servers: as zpserver serves it,
// reads on workers of their own (broker ZEPHYRON), and with every request on
// one set of workers (broker ONELANE), to show what the read lane is for. A
// third server (broker MEMORY) takes the same orders into the same store
// but answers the two lookups from memory, to show what the transport and
// the sharing of the processor cost a lookup on their own.
struct World {
  // The lookups' time inside zpserver's server (from a request's last byte
  // to its reply being ready), idle and under the burst, while
  // BM_SubscriberLookupBesideOrders times them on that server: what of the
  // counter's wait is the server's own work and queueing.
  struct InServer {
    std::atomic<int> phase{-1};  // 0 idle, 1 burst, -1 not recording
    std::mutex mutex;
    std::vector<double> us[2];
  } inServer;
  std::unique_ptr<zp::store::Database> db;
  std::shared_ptr<zp::backend::Sessions> sessions;
  std::unique_ptr<zp::transport::TcpServer> server;
  std::unique_ptr<zp::transport::TcpServer> oneLane;
  std::unique_ptr<zp::transport::TcpServer> memory;
  std::atomic<long long> nextUser{0};
  std::string file;

  World() {
    zp::transport::Limits limits;
    limits.workerThreads = 8;
    file = (scratch() / "orders.db").string();
    // A session for every worker of the three servers.
    db = zp::store::Database::open({"sqlite:" + file, 3 * limits.workerThreads + 2 * limits.readThreads});
    zp::store::loadFixtures(*db, zp::testing::manySubscribers(kFirstSubscriber, kUsers));
    zp::store::loadFixtures(*db, R"({"number_ranges": [{"first": "50000000", "count": 1000000, "region_code": 571}]})");
    auto d = std::make_shared<zpd_dispatcher>();
    register_IVasDesk(*d, std::make_shared<zp::backend::VasDeskService>(*db));
    zp::backend::registerBusiServices(*d, *db, {});
    // Orders are taken for operator 11's session, as at a counter.
    sessions = std::make_shared<zp::backend::Sessions>(*db, nullptr);
    sessions->install(*d);
    zpd_set_session(sessions->open(11));
    server = std::make_unique<zp::transport::TcpServer>(d, limits);
    server->set_read_lane(zp::backend::readsOnly);
    server->set_log_hook([this](const zp::transport::RequestLog& r) {
      const int phase = inServer.phase.load();
      if (phase < 0 || (r.serviceCode != MBusiPublic::IBusiPublic_get_userServId.serviceCode &&
                        r.serviceCode != MBusiPublic::IBusiPublic_get_userInfo.serviceCode))
        return;
      std::lock_guard lock(inServer.mutex);
      inServer.us[phase].push_back(static_cast<double>(r.duration.count()));
    });
    server->start("127.0.0.1", 0);
    ::setenv("ZP_BROKER_ZEPHYRON", ("tcp://127.0.0.1:" + std::to_string(server->port())).c_str(), 1);
    oneLane = std::make_unique<zp::transport::TcpServer>(d, limits);
    oneLane->start("127.0.0.1", 0);
    ::setenv("ZP_BROKER_ONELANE", ("tcp://127.0.0.1:" + std::to_string(oneLane->port())).c_str(), 1);
    auto m = std::make_shared<zpd_dispatcher>();
    register_IVasDesk(*m, std::make_shared<zp::backend::VasDeskService>(*db));
    register_IBusiPublic(*m, std::make_shared<LookupsFromMemory>(*db));
    sessions->install(*m);
    memory = std::make_unique<zp::transport::TcpServer>(m, limits);
    memory->set_read_lane(zp::backend::readsOnly);
    memory->start("127.0.0.1", 0);
    ::setenv("ZP_BROKER_MEMORY", ("tcp://127.0.0.1:" + std::to_string(memory->port())).c_str(), 1);
  }
};

World& world() {
  static World w;
  return w;
}

// Whole orders, each submitted under a key of its own (as the counter sends
// them) or without one; `keyed` is the benchmark's argument.
void BM_Orders(benchmark::State& state) {
  World& w = world();
  const bool keyed = state.range(0) != 0;
  const unsigned long long flushesBefore = w.db->flushes();
  thread_local std::unique_ptr<IVasDesk> client;
  if (!client) {
    client = std::make_unique<IVasDesk>();
    client->bind_zpBroker("ZEPHYRON");
  }
  for (auto _ : state) {
    if (const std::string why = orderForNextSubscriber(*client, w.nextUser, kOrderUsers, keyed); !why.empty()) {
      state.SkipWithError(why.c_str());
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
  // How many orders one flush of the store carried (group commit at work).
  if (state.thread_index() == 0) {
    const unsigned long long flushes = w.db->flushes() - flushesBefore;
    if (flushes > 0) state.counters["orders_per_flush"] = static_cast<double>(state.iterations() * state.threads()) / flushes;
  }
}

// Keyed and unkeyed orders in turn, one of each per iteration, each timed on
// its own: load from elsewhere on the machine falls on both alike, which two
// benchmarks run one after the other cannot promise.
double keyedOverUnkeyed = 0;
void BM_OrdersKeyedBesideUnkeyed(benchmark::State& state) {
  World& w = world();
  IVasDesk client;
  client.bind_zpBroker("ZEPHYRON");
  using clock = std::chrono::steady_clock;
  clock::duration spent[2]{};
  for (auto _ : state) {
    for (int keyed = 0; keyed < 2; ++keyed) {
      const auto start = clock::now();
      if (const std::string why = orderForNextSubscriber(client, w.nextUser, kOrderUsers, keyed != 0); !why.empty()) {
        state.SkipWithError(why.c_str());
        return;
      }
      spent[keyed] += clock::now() - start;
    }
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["unkeyed_us"] = std::chrono::duration<double, std::micro>(spent[0]).count() / n;
  state.counters["keyed_us"] = std::chrono::duration<double, std::micro>(spent[1]).count() / n;
  keyedOverUnkeyed = spent[0].count() ? static_cast<double>(spent[1].count()) / spent[0].count() : 0;
}

// The reference: BEGIN IMMEDIATE, one insert, COMMIT, on a connection with
// the store's settings (WAL, synchronous FULL), by as many threads.
void BM_SqliteInsertCommit(benchmark::State& state) {
  static std::once_flag once;
  const std::string file = (scratch() / "raw.db").string();
  std::call_once(once, [&] {
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; CREATE TABLE t (id INTEGER PRIMARY KEY, a INTEGER, b TEXT)", nullptr,
                 nullptr, nullptr);
    sqlite3_close(db);
  });
  sqlite3* db = nullptr;
  sqlite3_open(file.c_str(), &db);
  sqlite3_busy_timeout(db, 10000);
  sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
  sqlite3_stmt* ins = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO t (a, b) VALUES (?, 'order line')", -1, &ins, nullptr);
  // Eight writers meet the lock now and then in ways the busy timeout does
  // not wait out (a BEGIN IMMEDIATE or COMMIT refused at once): those are
  // tried again, as a store would, so the reference is always measured.
  const auto busy = [](int rc) { return (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED; };
  const auto until_not_busy = [&](const char* sql) {
    int rc;
    while (busy(rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr))) std::this_thread::yield();
    return rc;
  };
  long long i = 0;
  for (auto _ : state) {
    if (until_not_busy("BEGIN IMMEDIATE") != SQLITE_OK) {
      state.SkipWithError(sqlite3_errmsg(db));
      break;
    }
    sqlite3_bind_int64(ins, 1, ++i);
    const int inserted = sqlite3_step(ins);
    sqlite3_reset(ins);
    // A COMMIT refused as busy leaves the transaction open to be committed again.
    if (inserted != SQLITE_DONE || until_not_busy("COMMIT") != SQLITE_OK) {
      state.SkipWithError(sqlite3_errmsg(db));
      sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
      break;
    }
  }
  sqlite3_finalize(ins);
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations());
}

void BM_QueryResList100(benchmark::State& state) {
  world();
  IVasDesk client;
  client.bind_zpBroker("ZEPHYRON");
  SQueryResListIn in;
  in.set_REGION_CODE(571);
  in.set_RES_TYPE(30);
  in.set_MAX_NUM(100);
  in.set_START_NO("50500000");
  in.set_END_NO("50599999");
  for (auto _ : state) {
    SQueryResListOut out;
    CBSErrorMsg err;
    if (client.query_resList(in, out, err, nullptr) != 0 || out.get_RESINFOLIST().size() != 100)
      state.SkipWithError("query failed");
  }
}

// The reference: one primary-key lookup of a number, through the same
// service path (a reservation release of a number nobody holds reads one row
// by key and changes nothing).
void BM_KeyLookup(benchmark::State& state) {
  world();
  IVasDesk client;
  client.bind_zpBroker("ZEPHYRON");
  SDoSignResIn in;
  in.set_REGION_CODE(571);
  in.set_OP_ID(11);
  in.set_RES_ID("50500000");
  in.set_ACT_TYPE(2);
  for (auto _ : state) {
    SDoSignResOut out;
    CBSErrorMsg err;
    client.do_signRes(in, out, err, nullptr);
  }
}

// What the counter asks when a subscriber steps up: his id by phone number,
// then his details. False when either is refused or finds another one.
bool lookUpSubscriber(MBusiPublic::IBusiPublic& client, long long n) {
  MBusiPublic::SPhoneIn phone;
  phone.set_PHONE_ID(manySubscribersPhone(n));
  MBusiPublic::SServIdOut id;
  CBSErrorMsg err;
  if (client.get_userServId(phone, id, err, nullptr) != 0 || id.get_SERV_ID() != kFirstSubscriber + n) return false;
  MBusiPublic::SServIdIn user;
  user.set_SERV_ID(id.get_SERV_ID());
  MPublicDef::SUserInfo info;
  return client.get_userInfo(user, info, err, nullptr) == 0 && info.get_SERV_ID() == id.get_SERV_ID();
}

// Clients submitting orders back to back, each on a connection of its own,
// while let run; they start held.
class OrderBurst {
 public:
  OrderBurst(int clients, const char* broker) {
    for (int i = 0; i < clients; ++i) {
      auto client = std::make_shared<IVasDesk>();
      client->bind_zpBroker(broker);  // here: the environment is read on this thread only
      threads_.emplace_back([this, client] { submit(*client); });
    }
  }
  ~OrderBurst() {
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
    }
    changed_.notify_all();
    for (auto& t : threads_) t.join();
  }
  // Lets the clients go and returns once each has had an order answered
  // since, so the burst is under way when the caller starts timing.
  void run() {
    std::unique_lock lock(mutex_);
    running_ = true;
    const long long from = orders_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return orders_ >= from + static_cast<long long>(threads_.size()) || !broken_.empty(); });
  }
  // Holds the clients; returns once none has an order in work.
  void hold() {
    std::unique_lock lock(mutex_);
    running_ = false;
    changed_.wait(lock, [&] { return inWork_ == 0; });
  }
  long long orders() {
    std::lock_guard lock(mutex_);
    return orders_;
  }
  // Why the burst stopped by itself; empty while it has not.
  std::string broken() {
    std::lock_guard lock(mutex_);
    return broken_;
  }

 private:
  void submit(IVasDesk& client) {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [&] { return quit_ || (running_ && broken_.empty()); });
      if (quit_) return;
      ++inWork_;
      lock.unlock();
      const std::string why = orderForNextSubscriber(client, world().nextUser, kOrderUsers);
      lock.lock();
      --inWork_;
      if (why.empty())
        ++orders_;
      else
        broken_ = "an order of the burst failed: " + why;
      changed_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  bool running_ = false, quit_ = false;
  int inWork_ = 0;
  long long orders_ = 0;
  std::string broken_;
  std::vector<std::thread> threads_;
};

// The lookup on an idle server and while 8 clients submit orders, in turn:
// each iteration times a round of lookups with the burst held, then a round
// with it running, so load from elsewhere on the machine falls on both
// alike. On zpserver's server (the argument 1), on the one with a single
// lane (0), or on the one answering lookups from memory (2). Each kind's
// mean goes into lookupTimes.
struct LookupTimes {
  double idleNs = 0, burstNs = 0;        // means
  double idleP50Ns = 0, burstP50Ns = 0;  // medians: less swayed by the rest of the machine
};
LookupTimes lookupTimes[3];
// Means and medians of a set of times in µs, as LookupTimes in ns: idle
// first, then the burst.
LookupTimes summarise(std::vector<double> (&us)[2]) {
  double mean[2] = {0, 0}, p50[2] = {0, 0};
  for (int k = 0; k < 2; ++k) {
    if (us[k].empty()) return {};
    for (double v : us[k]) mean[k] += v;
    mean[k] /= static_cast<double>(us[k].size());
    std::sort(us[k].begin(), us[k].end());
    p50[k] = us[k][us[k].size() / 2];
  }
  return {mean[0] * 1000, mean[1] * 1000, p50[0] * 1000, p50[1] * 1000};
}
LookupTimes inServerTimes;  // per call, on zpserver's server
void BM_SubscriberLookupBesideOrders(benchmark::State& state) {
  world();
  const int kind = static_cast<int>(state.range(0));
  const char* broker = kind == 1 ? "ZEPHYRON" : kind == 2 ? "MEMORY" : "ONELANE";
  MBusiPublic::IBusiPublic client;
  client.bind_zpBroker(broker);
  OrderBurst burst(8, broker);
  constexpr int kRound = 50;
  constexpr auto kPause = std::chrono::microseconds(500);
  // Subscribers the orders never reach: looking one up reads what no order
  // writes.
  long long n = kOrderUsers;
  std::vector<double> us[2];  // idle, burst
  using clock = std::chrono::steady_clock;
  // Orders answered while lookups were timed, and that time: the burst's
  // rate, to see that it was one.
  long long burstOrders = 0;
  clock::duration burstTime{};
  for (auto _ : state) {
    for (int underBurst = 0; underBurst < 2; ++underBurst) {
      if (underBurst)
        burst.run();
      else
        burst.hold();
      const long long ordersBefore = burst.orders();
      if (kind == 1) world().inServer.phase = underBurst;
      const auto roundStart = clock::now();
      for (int i = 0; i < kRound; ++i) {
        const auto start = clock::now();
        if (!lookUpSubscriber(client, n)) {
          state.SkipWithError("lookup failed");
          return;
        }
        us[underBurst].push_back(std::chrono::duration<double, std::micro>(clock::now() - start).count());
        n = n + 1 < kUsers ? n + 1 : kOrderUsers;
        // A counter looks a subscriber up now and then, not back to back:
        // lookups without a pause would take the processor from the orders
        // and leave no burst to measure against.
        std::this_thread::sleep_for(kPause);
      }
      world().inServer.phase = -1;
      if (underBurst) {
        burstTime += clock::now() - roundStart;
        burstOrders += burst.orders() - ordersBefore;
      }
    }
    if (const std::string why = burst.broken(); !why.empty()) {
      state.SkipWithError(why.c_str());
      return;
    }
  }
  burst.hold();
  if (burstTime.count() > 0)
    state.counters["burst_orders_per_s"] = static_cast<double>(burstOrders) / std::chrono::duration<double>(burstTime).count();
  if (kind == 1) {
    std::lock_guard lock(world().inServer.mutex);
    inServerTimes = summarise(world().inServer.us);
  }
  if (us[0].empty() || us[1].empty()) return;
  const LookupTimes t = summarise(us);  // sorts them
  lookupTimes[kind] = t;
  state.counters["idle_us"] = t.idleNs / 1000;
  state.counters["burst_us"] = t.burstNs / 1000;
  state.counters["idle_p50_us"] = t.idleP50Ns / 1000;
  state.counters["burst_p50_us"] = t.burstP50Ns / 1000;
  state.counters["idle_p99_us"] = us[0][us[0].size() * 99 / 100];
  state.counters["burst_p99_us"] = us[1][us[1].size() * 99 / 100];
}

BENCHMARK(BM_SqliteInsertCommit)->Threads(1)->UseRealTime();
BENCHMARK(BM_SqliteInsertCommit)->Threads(8)->UseRealTime();
BENCHMARK(BM_Orders)->Arg(0)->Threads(1)->UseRealTime();
BENCHMARK(BM_Orders)->Arg(0)->Threads(8)->UseRealTime();
BENCHMARK(BM_Orders)->Arg(1)->Threads(1)->UseRealTime();
BENCHMARK(BM_Orders)->Arg(1)->Threads(8)->UseRealTime();
BENCHMARK(BM_OrdersKeyedBesideUnkeyed)->UseRealTime();
BENCHMARK(BM_QueryResList100)->UseRealTime();
BENCHMARK(BM_KeyLookup)->UseRealTime();
// A fixed number of rounds, so that the bursts take a known share of the
// subscribers whatever the time asked of the other benchmarks.
BENCHMARK(BM_SubscriberLookupBesideOrders)->Arg(1)->Iterations(40)->UseRealTime();
BENCHMARK(BM_SubscriberLookupBesideOrders)->Arg(0)->Iterations(40)->UseRealTime();
BENCHMARK(BM_SubscriberLookupBesideOrders)->Arg(2)->Iterations(40)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  // The lookups pause between requests; without this their idle figure
  // includes waking a halted core, and the burst's does not.
  const SteadyCpu steady;
  std::printf("deep idle states: %s\n", steady.held() ? "held off for the run"
                                                       : "not held off (no access to /dev/cpu_dma_latency): "
                                                         "the idle lookups include waking the core");
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nzpserver on SQLite beside SQLite's own figures (same run; time per item, lower is better):\n");
  reporter.ratio("order, 1 client vs raw txn, 1 thread", "BM_Orders/0/real_time/threads:1",
                 "BM_SqliteInsertCommit/real_time/threads:1", "<= 2.0, i.e. >= 50% of the rate");
  reporter.ratio("order, 8 clients vs raw txn, 8 threads", "BM_Orders/0/real_time/threads:8",
                 "BM_SqliteInsertCommit/real_time/threads:8", "<= 1.0, i.e. at least the raw rate");
  reporter.ratio("keyed order vs unkeyed, 1 client", "BM_Orders/1/real_time/threads:1",
                 "BM_Orders/0/real_time/threads:1", "<= 1.05");
  reporter.ratio("keyed order vs unkeyed, 8 clients", "BM_Orders/1/real_time/threads:8",
                 "BM_Orders/0/real_time/threads:8", "<= 1.05");
  std::printf("%-44s ratio %.2f  (goal <= 1.05)\n", "keyed order vs unkeyed, taken in turn", keyedOverUnkeyed);
  reporter.ratio("query_resList 100 of 1,000,000 vs key lookup", "BM_QueryResList100/real_time", "BM_KeyLookup/real_time",
                 "<= 3.0");
  const auto burstOverIdle = [](const char* what, double burst, double idle, const char* goal) {
    std::printf("%-44s ours %10.1f ns  reference %10.1f ns  ratio %.2f  (goal %s)\n", what, burst, idle,
                idle > 0 ? burst / idle : 0.0, goal);
  };
  const LookupTimes& lane = lookupTimes[1];
  const LookupTimes& oneLane = lookupTimes[0];
  burstOverIdle("query under an order burst vs idle", lane.burstNs, lane.idleNs, "<= 1.5");
  burstOverIdle("the same, medians", lane.burstP50Ns, lane.idleP50Ns, "<= 1.5");
  burstOverIdle("the same, time inside zpserver per call", inServerTimes.burstNs, inServerTimes.idleNs,
                "none: the server's own share of the wait");
  burstOverIdle("the same, inside zpserver, medians", inServerTimes.burstP50Ns, inServerTimes.idleP50Ns,
                "none: the server's own share of the wait");
  burstOverIdle("the same, reads queued with the orders", oneLane.burstNs, oneLane.idleNs,
                "none: what the read lane saves");
  const LookupTimes& memory = lookupTimes[2];
  burstOverIdle("the same, answered from memory, medians", memory.burstP50Ns, memory.idleP50Ns,
                "none: the transport's and the processor's share");
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(scratch(), ec);
  return 0;
}
