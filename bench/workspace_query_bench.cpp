// The subscriber query of the workspace, from the query button to a ready
// workspace, against zpserver over loopback with the demo region: how many
// remote calls one query makes and how long it takes, beside as many raw
// loopback round trips on plain sockets measured in the same run. A first
// query of a workspace fetches its region's catalogues; a repeated one must
// make fewer calls. A third reference replays the very requests of one
// query on one connection without the workspace, so what the query costs
// beyond its remote work shows on its own. Run pinned to one core
// (bench/run.sh).
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <vector>
#include <string>
#include <thread>

#include "database.h"
#include "demo_data.h"
#include "fixtures.h"
#include "formVasDeskMain.h"
#include "gui_message.h"
#include "publicbusi_functions.h"
#include "ratio_reporter.h"
#include "services.h"
#include "tcp_server.h"
#include "zpd_server.h"

namespace {

namespace fs = std::filesystem;

// zpserver on a fresh SQLite store with the demo region, counting every
// request it answers.
struct Server {
  fs::path dir;
  std::unique_ptr<zp::store::Database> db;
  std::shared_ptr<zpd_dispatcher> dispatcher = std::make_shared<zpd_dispatcher>();
  std::unique_ptr<zp::transport::TcpServer> tcp;
  std::atomic<long long> requests{0};
  std::atomic<long long> serverMicros{0};
  // Operations of the last traced query, in order (only while tracing).
  std::mutex traceMutex;
  bool tracing = false;
  std::vector<std::string> trace;
  // The requests of the last traced query, to be replayed without the workspace.
  struct Call {
    std::string interfaceName, serviceCode, frame;
  };
  std::vector<Call> calls;

  Server() {
    dir = fs::temp_directory_path() / ("zpbench-query-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    db = zp::store::Database::open({"sqlite:" + (dir / "demo.db").string(), 4});
    for (const char* doc : zp::backend::demoData()) zp::store::loadFixtures(*db, doc);
    // Operator 1001 is signed in, as the host does before any workspace.
    zpd_set_session(zp::backend::registerServices(*dispatcher, *db, {})->open(1001));
    tcp = std::make_unique<zp::transport::TcpServer>(dispatcher);
    tcp->set_log_hook([this](const zp::transport::RequestLog& r) {
      requests.fetch_add(1);
      serverMicros.fetch_add(r.duration.count());
      std::lock_guard<std::mutex> lock(traceMutex);
      if (!tracing) return;
      trace.push_back(std::string(r.serviceCode) + "=" + std::to_string(r.duration.count()));
      calls.push_back({std::string(r.interfaceName), std::string(r.serviceCode), std::string(r.request)});
    });
    tcp->start("127.0.0.1", 0);
    // The counter finds the server as installed: in zpclient.ini of its run
    // directory, which every client object reads.
    fs::create_directories(dir / "run");
    std::ofstream(dir / "run" / "zpclient.ini") << "[brokers]\nZEPHYRON=tcp://127.0.0.1:" << tcp->port() << "\n";
    ::setenv("ZP_RUN_PATH", (dir / "run").c_str(), 1);
    ::unsetenv("ZP_BROKER_ZEPHYRON");
  }
  ~Server() {
    tcp->stop();
    db.reset();
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
};

Server& server() {
  static Server s;
  return s;
}

// Operator 1001 (every right) at a Global Call workspace; the subscriber
// 13957100002 has Global Call, so the query ends with the cancel offered.
std::unique_ptr<TfrmVasDesk> OpenWorkspace() {
  auto desk = std::make_unique<TfrmVasDesk>(nullptr);
  if (!desk->Init(0, 571, 1, 5710101, 1001, {})) return nullptr;
  return desk;
}

bool QueryOnce(TfrmVasDesk& desk) {
  desk.findChild<QWidget*>("frmeVerify")->findChild<QLineEdit*>("edPhoneId")->setText("13957100002");
  desk.findChild<QLineEdit*>("edPass")->setText("246810");
  desk.findChild<QPushButton*>("btnQueyA")->click();
  return desk.findChild<QPushButton*>("btnCommit")->isEnabled();
}

void BM_FirstQuery(benchmark::State& state) {
  Server& s = server();
  zpgui::MessageLog answers;  // the rule chain's question is answered Yes
  long long calls = 0, queries = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ForgetCodeLists();  // as in a freshly started counter
    auto desk = OpenWorkspace();
    if (!desk) {
      state.SkipWithError("the workspace did not start");
      return;
    }
    const long long before = s.requests.load();
    state.ResumeTiming();
    const bool ready = QueryOnce(*desk);
    state.PauseTiming();
    calls += s.requests.load() - before;
    ++queries;
    if (!ready) state.SkipWithError("the query did not end ready to commit");
    desk.reset();
    state.ResumeTiming();
  }
  state.counters["calls"] = static_cast<double>(calls) / static_cast<double>(queries);
}
BENCHMARK(BM_FirstQuery)->Unit(benchmark::kMicrosecond);

void BM_RepeatedQuery(benchmark::State& state) {
  Server& s = server();
  zpgui::MessageLog answers;
  auto desk = OpenWorkspace();
  if (!desk || !QueryOnce(*desk)) {
    state.SkipWithError("the workspace did not start");
    return;
  }
  const long long before = s.requests.load();
  long long queries = 0;
  for (auto _ : state) {
    if (!QueryOnce(*desk)) state.SkipWithError("the query did not end ready to commit");
    ++queries;
  }
  state.counters["calls"] = static_cast<double>(s.requests.load() - before) / static_cast<double>(queries);
}
BENCHMARK(BM_RepeatedQuery)->Unit(benchmark::kMicrosecond);

// One raw loopback round trip: a small request and a small reply on a
// connected TCP socket pair with Nagle off, the floor of any remote call.
struct EchoPair {
  int listener = -1, client = -1;
  std::thread peer;
  static constexpr int kBytes = 200;

  EchoPair() {
    listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listener, 1);
    socklen_t len = sizeof addr;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    client = ::socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ::connect(client, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    const int served = ::accept(listener, nullptr, nullptr);
    ::setsockopt(served, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    peer = std::thread([served] {
      char buf[kBytes];
      while (ReadAll(served, buf) && ::write(served, buf, kBytes) == kBytes) {
      }
      ::close(served);
    });
  }
  ~EchoPair() {
    ::shutdown(client, SHUT_RDWR);
    peer.join();
    ::close(client);
    ::close(listener);
  }
  static bool ReadAll(int fd, char* buf) {
    for (int got = 0; got < kBytes;) {
      const ssize_t n = ::read(fd, buf + got, kBytes - got);
      if (n <= 0) return false;
      got += static_cast<int>(n);
    }
    return true;
  }
  bool RoundTrip() {
    char buf[kBytes] = {};
    return ::write(client, buf, kBytes) == kBytes && ReadAll(client, buf);
  }
};

void BM_RawRoundTrip(benchmark::State& state) {
  EchoPair pair;
  for (auto _ : state)
    if (!pair.RoundTrip()) state.SkipWithError("the echo peer went away");
}
BENCHMARK(BM_RawRoundTrip)->Unit(benchmark::kMicrosecond);

// The very requests of one repeated query, recorded at the server and sent
// again back to back on one connection, without the workspace: the same
// remote work (the server's handlers included) with nothing of the client
// around it. What the query takes beyond this is the workspace's own cost.
void BM_ReplayedCalls(benchmark::State& state) {
  Server& s = server();
  zpgui::MessageLog answers;
  auto desk = OpenWorkspace();
  if (!desk || !QueryOnce(*desk)) {
    state.SkipWithError("the workspace did not start");
    return;
  }
  {
    std::lock_guard<std::mutex> lock(s.traceMutex);
    s.calls.clear();
    s.tracing = true;
  }
  QueryOnce(*desk);
  std::vector<Server::Call> calls;
  {
    std::lock_guard<std::mutex> lock(s.traceMutex);
    s.tracing = false;
    calls.swap(s.calls);
  }
  std::unique_ptr<zpd_transport> transport;
  if (zpd_open_transport(zpd_resolve_broker("ZEPHYRON"), std::chrono::seconds(10), transport) != 0) {
    state.SkipWithError("no connection to the server");
    return;
  }
  std::string reply;
  for (auto _ : state) {
    for (const auto& c : calls)
      if (zpd_is_runtime_failure(transport->call(c.interfaceName, c.serviceCode, c.frame, reply, std::chrono::seconds(10))))
        state.SkipWithError("a replayed call failed");
  }
  state.counters["calls"] = static_cast<double>(calls.size());
}
BENCHMARK(BM_ReplayedCalls)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  // Calls per query, measured once more outside the timing loops, with the
  // operations they were and the server's own share of the time.
  zpgui::MessageLog answers;
  Server& s = server();
  ForgetCodeLists();
  auto desk = OpenWorkspace();
  long long first = -1, repeated = -1;
  const auto traced = [&](const char* what) {
    {
      std::lock_guard<std::mutex> lock(s.traceMutex);
      s.trace.clear();
      s.tracing = true;
    }
    const long long before = s.requests.load(), micros = s.serverMicros.load();
    QueryOnce(*desk);
    const long long calls = s.requests.load() - before;
    std::lock_guard<std::mutex> lock(s.traceMutex);
    s.tracing = false;
    std::printf("%s query: %lld calls, %lld us inside the server:", what, calls, s.serverMicros.load() - micros);
    for (const auto& op : s.trace) std::printf(" %s", op.c_str());
    std::printf("\n");
    return calls;
  };
  if (desk) {
    first = traced("first");
    repeated = traced("repeated");
  }
  // Every figure of the reporter is in microseconds (the benchmarks' unit).
  const double rt = reporter.time("BM_RawRoundTrip");
  std::printf("remote calls per query: first %lld, repeated %lld (goal: repeated < first)\n", first, repeated);
  for (const auto& [name, calls] : {std::pair{"BM_FirstQuery", first}, std::pair{"BM_RepeatedQuery", repeated}}) {
    const double q = reporter.time(name);
    const double floor = rt * static_cast<double>(calls);
    std::printf("%-18s %8.1f us = %.2f x (%lld calls x raw round trip %.2f us = %.1f us)  (goal <= 1.2)\n", name, q,
                floor > 0 ? q / floor : 0.0, calls, rt, floor);
  }
  // The same calls with the server's work in them: the repeated query beside
  // its own requests replayed without the workspace.
  const double replay = reporter.time("BM_ReplayedCalls");
  const double repeatedTime = reporter.time("BM_RepeatedQuery");
  std::printf("%-18s %8.1f us = %.2f x (its %lld calls replayed on one connection without the workspace = %.1f us)\n",
              "BM_RepeatedQuery", repeatedTime, replay > 0 ? repeatedTime / replay : 0.0, repeated, replay);
  benchmark::Shutdown();
  return 0;
}
