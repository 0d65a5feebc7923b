// zpserver on PostgreSQL beside PostgreSQL's own figure, all in one run on
// one cluster:
//   - whole so_userService orders per second with 8 clients over loopback,
//     against one zpserver process and against two sharing the store (the
//     clients spread over them; one client alone for scale), beside
//   - pgbench's built-in TPC-B-like script with the same 8 clients.
// The cluster is the one named by ZP_BENCH_PG, else ZP_TEST_PG (bench/run.sh
// starts a throwaway one); without either the program says so and does
// nothing. pgbench's tables go into that database's public schema, the
// servers' into a schema of their own.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "MVasDesk.h"
#include "database.h"
#include "fixtures.h"
#include "operator_sign_in.h"
#include "bench_orders.h"
#include "ratio_reporter.h"
#include "sample_orders.h"
#include "server_process.h"
#include "zpd_client.h"

namespace {

using namespace MVasDesk;
using zp::testing::ServerProcess;

constexpr int kUsers = 600000;  // enough for every repetition at several thousand orders a second
constexpr int kClients = 8;
constexpr int kPgbenchSeconds = 10;
// One branch per client, so pgbench's clients do not all queue on one row.
constexpr int kPgbenchScale = kClients;

std::string clusterAddress() {
  for (const char* var : {"ZP_BENCH_PG", "ZP_TEST_PG"})
    if (const char* v = std::getenv(var); v && *v) return v;
  return {};
}

std::string pgbenchPath() {
  if (const char* v = std::getenv("ZP_PGBENCH"); v && *v) return v;
  return "/usr/lib/postgresql/15/bin/pgbench";
}

// Runs a command and returns what it printed (stdout and stderr), and
// whether it exited with 0.
bool run(const std::string& command, std::string& output) {
  output.clear();
  FILE* p = ::popen((command + " 2>&1").c_str(), "r");
  if (!p) return false;
  char buf[4096];
  while (std::fgets(buf, sizeof buf, p)) output += buf;
  return ::pclose(p) == 0;
}

// Two zpservers on one schema of the cluster, with many subscribers without
// GPRS; built once for every benchmark of this program. Each server has a
// worker per client, so one server is not held back by its pool.
struct World {
  std::string url;
  ServerProcess servers[2];
  std::atomic<long long> nextUser{0};
  std::string failure;

  World() {
    url = clusterAddress() + "#schema=bench" + std::to_string(::getpid());
    try {
      auto db = zp::store::Database::open({url, 1});
      zp::store::loadFixtures(*db, zp::testing::manySubscribers(kFirstSubscriber, kUsers));
    } catch (const std::exception& e) {
      failure = std::string("cannot fill the store: ") + e.what();
      return;
    }
    for (int i = 0; i < 2; ++i) {
      if (!servers[i].start({"--db", url, "--quiet", "--workers", std::to_string(kClients)})) {
        failure = "zpserver did not start";
        return;
      }
      ::setenv(("ZP_BROKER_ZPBENCH" + std::to_string(i)).c_str(), servers[i].address().c_str(), 1);
    }
    // Orders are taken for operator 11's session, signed in on the first
    // server and honoured by both: the session lives in the store.
    ::setenv("ZP_BROKER_ZEPHYRON", servers[0].address().c_str(), 1);
    OperatorSignIn who;
    if (!SignInOperator(11, "pw0011", who, failure)) return;
    failure.clear();
  }
};

World& world() {
  static World w;
  return w;
}

void orders(benchmark::State& state, int serverCount) {
  World& w = world();
  if (!w.failure.empty()) {
    state.SkipWithError(w.failure.c_str());
    return;
  }
  IVasDesk client;
  client.bind_zpBroker(("ZPBENCH" + std::to_string(state.thread_index() % serverCount)).c_str());
  for (auto _ : state) {
    if (const std::string why = orderForNextSubscriber(client, w.nextUser, kUsers); !why.empty()) {
      state.SkipWithError(why.c_str());
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_OrdersOneServer(benchmark::State& state) { orders(state, 1); }
void BM_OrdersTwoServers(benchmark::State& state) { orders(state, 2); }

// The reference: pgbench's TPC-B-like transaction, 8 clients on 2 threads
// for a fixed time, on the same cluster. One iteration whose time is one
// transaction at the rate pgbench reports.
void BM_PgbenchTpcb(benchmark::State& state) {
  const std::string address = clusterAddress();
  const std::string bin = pgbenchPath();
  if (!std::filesystem::exists(bin)) {
    state.SkipWithError(("no pgbench at " + bin + " (ZP_PGBENCH names another)").c_str());
    return;
  }
  const std::string target = "'" + address.substr(0, address.find('#')) + "'";
  std::string out;
  if (!run(bin + " -i -q -s " + std::to_string(kPgbenchScale) + " " + target, out)) {
    state.SkipWithError(("pgbench -i failed: " + out).c_str());
    return;
  }
  for (auto _ : state) {
    if (!run(bin + " -n -c " + std::to_string(kClients) + " -j 2 -T " + std::to_string(kPgbenchSeconds) + " " + target,
             out)) {
      state.SkipWithError(("pgbench failed: " + out).c_str());
      return;
    }
    const std::size_t at = out.find("tps = ");
    const double tps = at == std::string::npos ? 0.0 : std::atof(out.c_str() + at + 6);
    if (tps <= 0) {
      state.SkipWithError(("no tps in pgbench's output: " + out).c_str());
      return;
    }
    state.SetIterationTime(1.0 / tps);
    state.counters["tps"] = tps;
  }
}

BENCHMARK(BM_PgbenchTpcb)->Iterations(1)->UseManualTime();
// One client alone shows what an order costs without anyone to queue behind.
BENCHMARK(BM_OrdersOneServer)->Threads(1)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_OrdersOneServer)->Threads(kClients)->MinTime(5.0)->UseRealTime();
BENCHMARK(BM_OrdersTwoServers)->Threads(kClients)->MinTime(5.0)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (clusterAddress().empty()) {
    std::printf("bench_pg: skipped, no PostgreSQL cluster (set ZP_BENCH_PG or ZP_TEST_PG, or run bench/run.sh)\n");
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  // With repetitions, each figure is the median of its runs.
  const std::string pgbench = "BM_PgbenchTpcb/iterations:1/manual_time";
  const std::string one = "BM_OrdersOneServer/min_time:5.000/real_time/threads:8";
  const std::string two = "BM_OrdersTwoServers/min_time:5.000/real_time/threads:8";
  const std::string alone = "BM_OrdersOneServer/min_time:2.000/real_time/threads:1";
  const auto rate = [&](const std::string& name) {
    const double t = reporter.time(name);
    return t > 0 ? 1e9 / t : 0.0;
  };
  std::printf("\nzpserver on PostgreSQL beside pgbench on the same cluster (same run, %d clients):\n", kClients);
  std::printf("  pgbench tpcb-like (scale %d)   %8.0f tx/s\n", kPgbenchScale, rate(pgbench));
  std::printf("  orders, one zpserver, 1 client %8.0f orders/s\n", rate(alone));
  std::printf("  orders, one zpserver           %8.0f orders/s\n", rate(one));
  std::printf("  orders, two zpservers          %8.0f orders/s\n", rate(two));
  std::printf("time per item, lower is better:\n");
  reporter.ratio("order, 1 zpserver vs pgbench tx", one, pgbench, "<= 2.0, i.e. >= 0.5x pgbench's TPS");
  reporter.ratio("order, 2 zpservers vs 1 zpserver", two, one, "<= 0.625, i.e. >= 1.6x one server's rate");
  reporter.ratio("order, 2 zpservers vs pgbench tx", two, pgbench, "none, for comparison");
  benchmark::Shutdown();
  return 0;
}
