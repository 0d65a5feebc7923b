// One get_info call with a small reply, in process (inproc:) and over
// loopback (tcp://, the real server transport), beside a raw TCP ping-pong of
// the same request and reply sizes on plain sockets. Run it pinned to one
// core (bench/run.sh does: taskset -c 0), since an unpinned round trip on a
// shared two-core machine swings by a factor of two.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <cstdlib>
#include <memory>
#include <thread>

#include "MVasDesk.h"
#include "database.h"
#include "fixtures.h"
#include "ratio_reporter.h"
#include "sessions.h"
#include "tcp_server.h"
#include "zpd_envelope.h"
#include "zpd_server.h"

namespace {

using namespace MVasDesk;

// Answers get_info with the subscriber and one current service: the small
// reply of a subscriber without much.
class SmallPicture : public IVasDeskServant {
 public:
  std::int32_t get_info(const MPublicDef::SFetchCtInfoIn& in, SGetInfoOut& out, CBSErrorMsg&) override {
    MPublicDef::SUserInfo u;
    u.set_SERV_ID(in.get_SERV_ID());
    u.set_PHONE_ID("13957100002");
    u.set_REGION_CODE(571);
    out.set_USERINFO(u);
    MPublicDef::SUserServiceInfo s;
    s.set_BUSI_TYPE(101);
    s.set_RES_ID("57100001");
    s.set_REMARK("全球呼");
    out.set_USERSERVICEINFOLIST({s});
    return 0;
  }
  std::int32_t check_so(const SSoUserServiceIn&, MPublicDef::SCheckSoOut&, CBSErrorMsg&) override { return 0; }
  std::int32_t so_userService(const SSoUserServiceIn&, SSoUserServiceOut&, CBSErrorMsg&) override { return 0; }
  std::int32_t do_signRes(const SDoSignResIn&, SDoSignResOut&, CBSErrorMsg&) override { return 0; }
  std::int32_t query_resList(const SQueryResListIn&, SQueryResListOut&, CBSErrorMsg&) override { return 0; }
};

MPublicDef::SFetchCtInfoIn request() {
  MPublicDef::SFetchCtInfoIn in;
  in.set_BUSI_CODE(1302);
  in.set_SERV_ID(9002);
  in.set_OP_ID(1001);
  in.set_REGION_CODE(571);
  in.set_COUNTY_CODE(1);
  in.set_ORG_ID(5710101);
  in.set_ISNORMAL(1);
  return in;
}

std::shared_ptr<zpd_dispatcher> dispatcher() {
  static auto d = [] {
    auto x = std::make_shared<zpd_dispatcher>();
    register_IVasDesk(*x, std::make_shared<SmallPicture>());
    return x;
  }();
  return d;
}

void callLoop(benchmark::State& state, const std::string& address) {
  ::setenv("ZP_BROKER_ZEPHYRON", address.c_str(), 1);
  IVasDesk client;
  if (client.bind_zpBroker("ZEPHYRON") != 0) {
    state.SkipWithError("bind failed");
    return;
  }
  const auto in = request();
  for (auto _ : state) {
    SGetInfoOut out;
    CBSErrorMsg err;
    if (client.get_info(in, out, err, nullptr) != 0) state.SkipWithError("call failed");
    benchmark::DoNotOptimize(out);
  }
}

// Sizes on the wire of one call, envelope included, measured once.
std::pair<std::size_t, std::size_t> callSizes() {
  zpb_stream req;
  req.open();
  req.begin_stream(IVasDesk_get_info.requestFrame);
  zpb_write(req, request());
  req.end_stream();
  std::string reqEnv;
  zpd_envelope::encode_request(IVasDesk_get_info.interfaceName, IVasDesk_get_info.serviceCode, req.bytes(), reqEnv);
  const std::string replyEnv = dispatcher()->handle_envelope(std::string_view(reqEnv).substr(zpd_envelope::kHeaderBytes));
  return {reqEnv.size(), replyEnv.size()};
}

// The same server with the session check in front of the handler, as
// zpserver runs every call: a signed-in operator's calls.
void BM_GetInfo_TcpSignedIn(benchmark::State& state) {
  static const auto world = [] {
    struct SignedIn {
      std::string dir = (std::filesystem::temp_directory_path() / ("zpbench-calls-" + std::to_string(::getpid()))).string();
      std::unique_ptr<zp::store::Database> db;
      std::shared_ptr<zp::backend::Sessions> sessions;
      std::shared_ptr<zpd_dispatcher> dispatcher = std::make_shared<zpd_dispatcher>();
      std::string token;
    };
    auto w = std::make_shared<SignedIn>();
    std::filesystem::create_directories(w->dir);
    w->db = zp::store::Database::open({"sqlite:" + w->dir + "/calls.db", 2});
    zp::store::loadFixtures(*w->db, R"({"operators": [{"op_id": 1001, "org_id": 5710101, "region_code": 571}]})");
    w->sessions = std::make_shared<zp::backend::Sessions>(*w->db, nullptr);
    w->sessions->install(*w->dispatcher);
    register_IVasDesk(*w->dispatcher, std::make_shared<SmallPicture>());
    w->token = w->sessions->open(1001);
    return w;
  }();
  zp::transport::Limits limits;
  limits.workerThreads = 0;
  zp::transport::TcpServer server(world->dispatcher, limits);
  if (server.start("127.0.0.1", 0)) {
    state.SkipWithError("server did not start");
    return;
  }
  zpd_set_session(world->token);
  callLoop(state, "tcp://127.0.0.1:" + std::to_string(server.port()));
  zpd_set_session({});
  server.stop();
}

void BM_GetInfo_Inproc(benchmark::State& state) {
  zpd_inproc_registration reg("bench", dispatcher());
  callLoop(state, "inproc:bench");
}

// Handlers on the server's I/O thread (workers 0): the runtime's own path,
// client to server and back.
void BM_GetInfo_Tcp(benchmark::State& state) {
  zp::transport::Limits limits;
  limits.workerThreads = 0;
  zp::transport::TcpServer server(dispatcher(), limits);
  if (server.start("127.0.0.1", 0)) {
    state.SkipWithError("server did not start");
    return;
  }
  callLoop(state, "tcp://127.0.0.1:" + std::to_string(server.port()));
  server.stop();
}

// As zpserver runs it: the I/O thread hands each request to a worker, which
// costs one more thread switch per call.
void BM_GetInfo_TcpWorkers(benchmark::State& state) {
  zp::transport::TcpServer server(dispatcher());
  if (server.start("127.0.0.1", 0)) {
    state.SkipWithError("server did not start");
    return;
  }
  callLoop(state, "tcp://127.0.0.1:" + std::to_string(server.port()));
  server.stop();
}

bool readAll(int fd, char* p, std::size_t n) {
  while (n) {
    const ssize_t r = ::recv(fd, p, n, 0);
    if (r <= 0) return false;
    p += r, n -= static_cast<std::size_t>(r);
  }
  return true;
}

// The reference: the same bytes each way between two plain blocking sockets,
// the peer answering from a thread of its own as the server does.
void BM_RawPingPong(benchmark::State& state) {
  const auto [up, down] = callSizes();
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  ::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::listen(listener, 1);
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
  std::thread peer([listener, up = up, down = down] {
    const int fd = ::accept(listener, nullptr, nullptr);
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::string in(up, '\0'), out(down, 'r');
    while (readAll(fd, in.data(), up)) ::send(fd, out.data(), down, MSG_NOSIGNAL);
    ::close(fd);
  });
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  std::string out(up, 'q'), in(down, '\0');
  for (auto _ : state) {
    ::send(fd, out.data(), up, MSG_NOSIGNAL);
    if (!readAll(fd, in.data(), down)) state.SkipWithError("peer closed");
  }
  ::close(fd);
  peer.join();
  ::close(listener);
  state.counters["request_bytes"] = static_cast<double>(up);
  state.counters["reply_bytes"] = static_cast<double>(down);
}

BENCHMARK(BM_GetInfo_Inproc)->UseRealTime();
BENCHMARK(BM_GetInfo_Tcp)->UseRealTime();
BENCHMARK(BM_GetInfo_TcpSignedIn)->UseRealTime();
BENCHMARK(BM_GetInfo_TcpWorkers)->UseRealTime();
BENCHMARK(BM_RawPingPong)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto [up, down] = callSizes();
  std::printf("\nget_info with a small reply (%zu bytes up, %zu down), beside a raw ping-pong of the same sizes:\n", up,
              down);
  reporter.ratio("loopback tcp:// call", "BM_GetInfo_Tcp/real_time", "BM_RawPingPong/real_time", "<= 1.5");
  reporter.ratio("  the same signed in (the session checked)", "BM_GetInfo_TcpSignedIn/real_time",
                 "BM_GetInfo_Tcp/real_time", "<= 1.1");
  reporter.ratio("  the same through a worker pool", "BM_GetInfo_TcpWorkers/real_time", "BM_RawPingPong/real_time",
                 "none: zpserver's database hop");
  reporter.ratio("in-process inproc: call", "BM_GetInfo_Inproc/real_time", "BM_RawPingPong/real_time",
                 "well below 1");
  benchmark::Shutdown();
  return 0;
}
