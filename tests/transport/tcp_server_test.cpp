// The back end's TCP server: what a bad peer can and cannot do to it, its
// limits, the order of replies, and the two-phase stop.
#include "tcp_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <future>
#include <mutex>
#include <random>
#include <thread>
#include <tuple>
#include <vector>

#include "raw_peer.h"
#include "gate.h"
#include "test_server.h"

namespace {

using namespace zp::testing;
using namespace std::chrono_literals;
using zp::transport::Limits;
using zp::transport::RequestLog;
using zp::transport::TcpServer;

std::string le32(std::uint32_t v) {
  std::string s(4, '\0');
  std::memcpy(s.data(), &v, 4);
  return s;
}

std::shared_ptr<zpd_dispatcher> echo_dispatcher() {
  auto d = std::make_shared<zpd_dispatcher>();
  d->add(kEchoInterface, kEchoCode, echo_handler());
  return d;
}

// One echo round trip on a raw connection; the value echoed, or -1.
std::int32_t raw_echo(int fd, std::int32_t value) {
  if (!send_all(fd, echo_envelope(value))) return -1;
  const auto bytes = recv_envelope(fd);
  zpd_envelope::reply r;
  if (!bytes || !zpd_envelope::decode_reply(*bytes, r) || r.result != 0) return -1;
  std::int32_t v = -1;
  std::string text;
  return read_echo_reply_bytes(std::string(r.frame), v, text) ? v : -1;
}

// The server still serves a well-behaved client.
void expect_serving(std::uint16_t port, const char* after) {
  auto client = bind_client(tcp_address(port), nullptr, 5s);
  const EchoResult r = echo(*client, 77, "still here");
  EXPECT_EQ(r.result, 0) << after;
  EXPECT_EQ(r.value, 77) << after;
}

}  // namespace

TEST(TcpServer, BindsAFreePortAndRefusesATakenOne) {
  auto server = start_server(echo_dispatcher());
  ASSERT_NE(server->port(), 0);
  TcpServer second(echo_dispatcher());
  EXPECT_TRUE(second.start("127.0.0.1", server->port()));
  EXPECT_TRUE(server->start("127.0.0.1", 0)) << "a running server starts once";
  TcpServer bad(echo_dispatcher());
  EXPECT_TRUE(bad.start("no-such-host.invalid", 0));
  expect_serving(server->port(), "the refused second server");
}

// Every bad peer loses its connection; none keeps the server from serving
// someone else, neither afterwards nor while it stalls.
TEST(TcpServer, BadPeersAreCutOffAndOthersStillServed) {
  Limits limits;
  limits.requestTimeout = 400ms;
  auto server = start_server(echo_dispatcher(), limits);

  std::mt19937 random(20261210);
  std::string noise(3000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  noise[0] = 'x';  // never the magic by chance
  const std::string good = echo_envelope(1, "abc");
  const std::string header = le32(zpd_envelope::kRequestMagic);
  struct Case {
    const char* what;
    std::string bytes;
    bool stalls;  // cut off by the request deadline, not at once
  } const cases[] = {
      {"random bytes", noise, false},
      {"wrong magic", le32(0x46425a5a) + good.substr(4), false},
      {"reply magic", le32(zpd_envelope::kReplyMagic) + good.substr(4), false},
      {"length beyond the limit", header + le32(zpd_envelope::kMaxRequestBody + 1), false},
      {"length of all ones", header + le32(0xffffffffu) + "xxxx", false},
      {"length below a body", header + le32(2) + "ab", false},
      {"three bytes, then silence", good.substr(0, 3), true},
      {"header only, then silence", good.substr(0, 8), true},
      {"half a frame, then silence", good.substr(0, good.size() / 2), true},
      {"all but the last byte", good.substr(0, good.size() - 1), true},
  };
  for (const Case& c : cases) {
    Fd peer = connect_to(server->port());
    ASSERT_TRUE(peer) << c.what;
    const auto start = steady::now();
    ASSERT_TRUE(send_all(peer.get(), c.bytes)) << c.what;
    if (c.stalls) {
      expect_serving(server->port(), c.what);  // while this peer stalls
      EXPECT_TRUE(closed_within(peer.get(), 10s)) << c.what;
      EXPECT_GE(steady::now() - start, 380ms) << c.what << ": cut off before its deadline";
    } else {
      EXPECT_TRUE(closed_within(peer.get(), 5s)) << c.what;
      EXPECT_LT(steady::now() - start, 380ms) << c.what << ": should go at once, not by the deadline";
    }
    expect_serving(server->port(), c.what);
  }
}

// A complete envelope whose body cannot be read is answered, not dropped:
// the stream is still in step, so the connection stays usable.
TEST(TcpServer, UnreadableBodyIsAnsweredAndConnectionKept) {
  auto server = start_server(echo_dispatcher());
  Fd peer = connect_to(server->port());
  ASSERT_TRUE(peer);
  const std::string bodies[] = {std::string("\x40" "abc", 4), std::string("\x01I\x00zz", 5),
                                std::string("\x01I\x01\x07", 4)};
  for (const std::string& body : bodies) {
    ASSERT_TRUE(send_all(peer.get(), le32(zpd_envelope::kRequestMagic) + le32(body.size()) + body));
    const auto bytes = recv_envelope(peer.get());
    ASSERT_TRUE(bytes);
    zpd_envelope::reply r;
    ASSERT_TRUE(zpd_envelope::decode_reply(*bytes, r));
    EXPECT_EQ(r.result, ZPE_SRV_BAD_REQUEST);
    EXPECT_TRUE(r.frame.empty());
  }
  EXPECT_EQ(raw_echo(peer.get(), 5), 5);
}

TEST(TcpServer, FrameLimitIsChecked) {
  Limits limits;
  limits.maxFrameBytes = 1024;
  auto server = start_server(echo_dispatcher(), limits);
  struct Case {
    std::size_t textBytes;
    bool served;
  } const cases[] = {{900, true}, {1200, false}, {100000, false}};  // the names have room of their own
  for (const Case& c : cases) {
    Fd peer = connect_to(server->port());
    ASSERT_TRUE(send_all(peer.get(), echo_envelope(1, std::string(c.textBytes, 't'))));
    if (c.served) {
      EXPECT_TRUE(recv_envelope(peer.get())) << c.textBytes;
    } else {
      EXPECT_TRUE(closed_within(peer.get(), 5s)) << c.textBytes;
    }
  }
}

TEST(TcpServer, ConnectionsBeyondTheLimitAreClosedAtOnce) {
  Limits limits;
  limits.maxConnections = 2;
  auto server = start_server(echo_dispatcher(), limits);
  Fd first = connect_to(server->port()), second = connect_to(server->port());
  ASSERT_EQ(raw_echo(first.get(), 1), 1);  // both are in: they were answered
  ASSERT_EQ(raw_echo(second.get(), 2), 2);

  Fd third = connect_to(server->port());
  ASSERT_TRUE(third);  // the kernel accepts; the server closes
  EXPECT_TRUE(closed_within(third.get(), 5s));
  EXPECT_EQ(raw_echo(first.get(), 3), 3);

  // A slot freed is a slot for the next one, once the server saw it go.
  first.reset();
  bool servedAgain = false;
  for (const auto until = steady::now() + 5s; !servedAgain && steady::now() < until;) {
    Fd next = connect_to(server->port());
    servedAgain = raw_echo(next.get(), 4) == 4;
    if (!servedAgain) std::this_thread::sleep_for(20ms);
  }
  EXPECT_TRUE(servedAgain);
}

TEST(TcpServer, SilentConnectionsAreClosedAfterTheIdleDeadline) {
  Limits limits;
  limits.idleTimeout = 300ms;
  auto server = start_server(echo_dispatcher(), limits);

  Fd never = connect_to(server->port());
  Fd once = connect_to(server->port());
  const auto start = steady::now();
  ASSERT_EQ(raw_echo(once.get(), 1), 1);
  EXPECT_TRUE(closed_within(never.get(), 5s));
  EXPECT_TRUE(closed_within(once.get(), 5s));
  EXPECT_GE(steady::now() - start, 280ms);

  // A client object whose connection went idle carries on over a new one.
  auto client = bind_client(tcp_address(server->port()), nullptr, 5s);
  EXPECT_EQ(echo(*client, 2).result, 0);
  std::this_thread::sleep_for(600ms);
  EXPECT_EQ(echo(*client, 3).value, 3);
}

// A peer that does not read its reply holds the write no longer than the
// request deadline.
TEST(TcpServer, ReplyNotReadIsCutOffByTheDeadline) {
  auto dispatcher = echo_dispatcher();
  dispatcher->add(kEchoInterface, "BIG", [](zpb_stream& in, zpb_stream& out) -> std::int32_t {
    const std::string mib(1024 * 1024 - 16, 'b');
    out.begin_stream(kEchoOut);
    for (int i = 0; i < 12; ++i) out << mib;
    out.end_stream();
    return 0;
  });
  Limits limits;
  limits.requestTimeout = 500ms;
  auto server = start_server(dispatcher, limits);
  // Kernel buffers on both sides hold a few MiB at most: the 12 MiB reply
  // cannot be written while the peer does not read.
  Fd peer = connect_to(server->port());
  ASSERT_TRUE(send_all(peer.get(), echo_envelope(1, "", "BIG")));
  std::this_thread::sleep_for(1500ms);  // not reading
  expect_serving(server->port(), "a peer not reading");
  std::size_t received = 0;
  EXPECT_TRUE(closed_within(peer.get(), 10s, &received));
  EXPECT_LT(received, 12u * 1024 * 1024) << "the whole reply came although the peer did not read";
}

// Requests sent back to back on one connection are answered in order, even
// when an earlier one takes longer than a later one.
TEST(TcpServer, RepliesComeInRequestOrder) {
  auto dispatcher = std::make_shared<zpd_dispatcher>();
  dispatcher->add(kEchoInterface, kEchoCode, [](zpb_stream& in, zpb_stream& out) {
    zpb_stream copy;
    copy.open_for_reading(in.bytes());
    std::int32_t value = 0;
    std::string text;
    copy.begin_stream(kEchoIn);
    copy >> value;
    std::this_thread::sleep_for(std::chrono::milliseconds(value % 2 ? 150 : 0));  // odd ones are slow
    return echo_handler()(in, out);
  });
  Limits limits;
  limits.workerThreads = 4;
  auto server = start_server(dispatcher, limits);
  Fd peer = connect_to(server->port());
  std::string burst;
  for (std::int32_t v = 1; v <= 6; ++v) burst += echo_envelope(v);
  ASSERT_TRUE(send_all(peer.get(), burst));
  for (std::int32_t v = 1; v <= 6; ++v) {
    const auto bytes = recv_envelope(peer.get());
    ASSERT_TRUE(bytes);
    zpd_envelope::reply r;
    ASSERT_TRUE(zpd_envelope::decode_reply(*bytes, r));
    std::int32_t value = 0;
    std::string text;
    ASSERT_TRUE(read_echo_reply_bytes(std::string(r.frame), value, text));
    EXPECT_EQ(value, v);
  }
}

TEST(TcpServer, FullQueueAnswersBusy) {
  Gate gate;
  auto dispatcher = std::make_shared<zpd_dispatcher>();
  dispatcher->add(kEchoInterface, kEchoCode, gate.handler());
  Limits limits;
  limits.workerThreads = 1;
  limits.queueLength = 1;
  auto server = start_server(dispatcher, limits);
  const std::string address = tcp_address(server->port());

  // Bound here: the broker is configured through the environment, which
  // only this thread touches.
  std::unique_ptr<CZpdClientObject> clients[] = {bind_client(address, nullptr, 10s), bind_client(address, nullptr, 10s),
                                                 bind_client(address, nullptr, 10s)};
  auto call = [&clients](std::int32_t value) {
    return std::async(std::launch::async, [&client = *clients[value - 1], value] { return echo(client, value).result; });
  };
  auto running = call(1);
  ASSERT_TRUE(gate.wait_entered(1, 5s));
  // One of the next two waits in the queue, the other finds it full.
  auto second = call(2), third = call(3);
  const auto until = steady::now() + 5s;
  while (second.wait_for(10ms) != std::future_status::ready && third.wait_for(10ms) != std::future_status::ready &&
         steady::now() < until) {
  }
  gate.open();
  std::vector<std::int32_t> results = {running.get(), second.get(), third.get()};
  std::sort(results.begin(), results.end());
  EXPECT_EQ(results, (std::vector<std::int32_t>{ZPE_SRV_BUSY, 0, 0}));
  expect_serving(server->port(), "a full queue");
}

TEST(TcpServer, StopLetsTheRequestInWorkFinishAndDeliver) {
  Gate gate;
  auto dispatcher = echo_dispatcher();
  dispatcher->add(kEchoInterface, "SLOW", gate.handler());
  auto server = start_server(dispatcher);
  const std::uint16_t port = server->port();
  Fd idle = connect_to(port);
  ASSERT_EQ(raw_echo(idle.get(), 1), 1);

  auto client = bind_client(tcp_address(port), nullptr, 10s);
  auto inWork = std::async(std::launch::async, [&client] { return echo(*client, 42, "finish me", "SLOW"); });
  ASSERT_TRUE(gate.wait_entered(1, 5s));
  auto stopped = std::async(std::launch::async, [&server] { server->stop(); });

  // First phase: no new connections, idle ones closed, the request in work
  // keeps its connection and the stop waits for it.
  EXPECT_TRUE(closed_within(idle.get(), 5s));
  bool refused = false;
  for (const auto until = steady::now() + 5s; !refused && steady::now() < until;) {
    refused = !connect_to(port);
    if (!refused) std::this_thread::sleep_for(10ms);
  }
  EXPECT_TRUE(refused);
  EXPECT_EQ(stopped.wait_for(100ms), std::future_status::timeout);

  gate.open();
  const EchoResult r = inWork.get();
  EXPECT_EQ(r.result, 0);
  EXPECT_TRUE(r.replyRead);
  EXPECT_EQ(r.value, 42);
  EXPECT_EQ(r.text, "finish me");
  EXPECT_EQ(stopped.wait_for(10s), std::future_status::ready);
  server->stop();  // a second stop is harmless
}

TEST(TcpServer, LogHookSeesEveryAnsweredRequest) {
  auto dispatcher = echo_dispatcher();
  dispatcher->add(kEchoInterface, "ONE", echo_handler(1));
  std::mutex mutex;
  std::vector<std::tuple<std::string, std::string, std::int32_t>> seen;
  TcpServer server(dispatcher);
  server.set_log_hook([&](const RequestLog& entry) {
    EXPECT_GE(entry.duration.count(), 0);
    std::lock_guard lock(mutex);
    seen.emplace_back(entry.interfaceName, entry.serviceCode, entry.result);
  });
  ASSERT_FALSE(server.start("127.0.0.1", 0));
  auto client = bind_client(tcp_address(server.port()), nullptr, 5s);
  echo(*client, 1);
  echo(*client, 1, "", "ONE");
  echo(*client, 1, "", kEchoCode, "MTest_INone");
  Fd raw = connect_to(server.port());
  ASSERT_TRUE(send_all(raw.get(), le32(zpd_envelope::kRequestMagic) + le32(4) + "\x09xyz"));
  ASSERT_TRUE(recv_envelope(raw.get()));
  server.stop();

  using Entry = std::tuple<std::string, std::string, std::int32_t>;
  EXPECT_EQ(seen, (std::vector<Entry>{{kEchoInterface, kEchoCode, 0},
                                      {kEchoInterface, "ONE", 1},
                                      {"MTest_INone", kEchoCode, ZPE_SRV_NO_INTERFACE},
                                      {"", "", ZPE_SRV_BAD_REQUEST}}));
}

// With handlers on the I/O thread a request is answered from where it lies in
// the receive buffer, and the next one is looked for in what follows it.
// Requests that arrive together, in pieces, or with the start of the next
// one must each be answered exactly once, in order, with their own content.
TEST(TcpServer, IoThreadHandlersAnswerRequestsHoweverTheyArrive) {
  Limits limits;
  limits.workerThreads = 0;
  std::mutex mutex;
  std::vector<std::pair<std::string, std::int32_t>> logged;
  TcpServer server(echo_dispatcher(), limits);
  server.set_log_hook([&](const RequestLog& entry) {
    std::lock_guard lock(mutex);
    logged.emplace_back(std::string(entry.interfaceName) + "/" + std::string(entry.serviceCode), entry.result);
  });
  ASSERT_FALSE(server.start("127.0.0.1", 0));
  Fd peer = connect_to(server.port());
  ASSERT_TRUE(peer);

  // The echoed value and text of the next reply; {-1, ""} when it is not one.
  const auto next_reply = [&] {
    std::pair<std::int32_t, std::string> echoed{-1, ""};
    const auto bytes = recv_envelope(peer.get());
    zpd_envelope::reply r;
    if (!bytes || !zpd_envelope::decode_reply(*bytes, r) || r.result != 0) return echoed;
    if (!read_echo_reply_bytes(std::string(r.frame), echoed.first, echoed.second)) echoed = {-1, ""};
    return echoed;
  };
  const auto text_of = [](std::int32_t v) { return "request " + std::to_string(v) + std::string(v, '.'); };

  // Six requests in one send.
  std::string burst;
  for (std::int32_t v = 1; v <= 6; ++v) burst += echo_envelope(v, text_of(v));
  ASSERT_TRUE(send_all(peer.get(), burst));
  for (std::int32_t v = 1; v <= 6; ++v) EXPECT_EQ(next_reply(), std::make_pair(v, text_of(v)));

  // One request in four pieces, each given time to be read on its own.
  const std::string seventh = echo_envelope(7, text_of(7));
  const std::size_t cuts[] = {0, 1, zpd_envelope::kHeaderBytes, seventh.size() - 1, seventh.size()};
  for (std::size_t i = 0; i + 1 < std::size(cuts); ++i) {
    EXPECT_FALSE(ready(peer.get(), POLLIN, 30ms)) << "answered before its last byte";
    ASSERT_TRUE(send_all(peer.get(), std::string_view(seventh).substr(cuts[i], cuts[i + 1] - cuts[i])));
  }
  EXPECT_EQ(next_reply(), std::make_pair(7, text_of(7)));

  // A request with the first half of the next one; the rest comes later.
  const std::string eighth = echo_envelope(8, text_of(8)), ninth = echo_envelope(9, text_of(9));
  ASSERT_TRUE(send_all(peer.get(), eighth + ninth.substr(0, ninth.size() / 2)));
  EXPECT_EQ(next_reply(), std::make_pair(8, text_of(8)));
  EXPECT_FALSE(ready(peer.get(), POLLIN, 100ms)) << "a reply to half a request";
  ASSERT_TRUE(send_all(peer.get(), ninth.substr(ninth.size() / 2)));
  EXPECT_EQ(next_reply(), std::make_pair(9, text_of(9)));

  // An unreadable body, then a good request, in one send.
  const std::string bad = le32(zpd_envelope::kRequestMagic) + le32(4) + "\x09xyz";
  ASSERT_TRUE(send_all(peer.get(), bad + echo_envelope(10, text_of(10))));
  const auto bytes = recv_envelope(peer.get());
  zpd_envelope::reply r;
  ASSERT_TRUE(bytes && zpd_envelope::decode_reply(*bytes, r));
  EXPECT_EQ(r.result, ZPE_SRV_BAD_REQUEST);
  EXPECT_EQ(next_reply(), std::make_pair(10, text_of(10)));

  EXPECT_FALSE(ready(peer.get(), POLLIN, 100ms)) << "more replies than requests";
  server.stop();
  const std::string echoName = std::string(kEchoInterface) + "/" + kEchoCode;
  std::vector<std::pair<std::string, std::int32_t>> expected(9, {echoName, 0});
  expected.emplace_back("/", ZPE_SRV_BAD_REQUEST);
  expected.emplace_back(echoName, 0);
  EXPECT_EQ(logged, expected);
}

// One machine cannot take every slot: beyond its own share its connections
// are closed at once, and a counter on another machine is still served.
TEST(TcpServer, OnePeerHoldingAllItsConnectionsLocksNoOneElseOut) {
  Limits limits;
  limits.maxConnections = 10;
  limits.maxConnectionsPerPeer = 3;
  auto server = start_server(echo_dispatcher(), limits);
  std::vector<Fd> held;
  for (int i = 0; i < 3; ++i) {
    held.push_back(connect_to(server->port()));
    ASSERT_EQ(raw_echo(held.back().get(), i), i) << i;
  }
  for (int i = 0; i < 2; ++i) {
    Fd beyond = connect_to(server->port());
    ASSERT_TRUE(beyond);
    EXPECT_TRUE(closed_within(beyond.get(), 5s)) << i;
  }
  Fd other = connect_from("127.0.0.2", server->port());
  ASSERT_TRUE(other);
  EXPECT_EQ(raw_echo(other.get(), 42), 42);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(raw_echo(held[static_cast<std::size_t>(i)].get(), 10 + i), 10 + i);
}

// A peer flooding the workers from many connections waits behind itself: a
// counter on another machine finds room in the queue and is served next,
// every time.
TEST(TcpServer, AFloodingPeerAndAGoodCounterShareTheWorkers) {
  auto dispatcher = std::make_shared<zpd_dispatcher>();
  dispatcher->add(kEchoInterface, kEchoCode, [](zpb_stream& in, zpb_stream& out) {
    std::this_thread::sleep_for(2ms);
    return echo_handler()(in, out);
  });
  Limits limits;
  limits.workerThreads = 1;
  limits.queueLength = 8;
  auto server = start_server(dispatcher, limits);
  std::atomic<bool> flooding{true};
  std::atomic<int> floodBusy{0};
  std::vector<std::thread> flood;
  for (int c = 0; c < 12; ++c) {
    flood.emplace_back([&, c] {
      Fd fd = connect_to(server->port());
      while (flooding && fd) {
        if (raw_echo(fd.get(), c) != c) ++floodBusy;
      }
    });
  }
  std::this_thread::sleep_for(50ms);  // the queue is full of the flood by now
  Fd good = connect_from("127.0.0.2", server->port());
  ASSERT_TRUE(good);
  int served = 0;
  for (int i = 0; i < 40; ++i) served += raw_echo(good.get(), 1000 + i) == 1000 + i;
  flooding = false;
  for (std::thread& t : flood) t.join();
  EXPECT_EQ(served, 40);
  EXPECT_GT(floodBusy.load(), 0) << "the flood did fill its share of the queue";
}

namespace {
long residentKiB() {
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  long pages = 0, resident = 0;
  if (f) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}
}  // namespace

// Buffers grown for one large request and its reply are given back when the
// request is done, not kept for the life of the connection.
TEST(TcpServer, LargeFramesLeaveNoBuffersBehind) {
  auto server = start_server(echo_dispatcher(), Limits{});
  std::vector<Fd> connections;
  for (int i = 0; i < 32; ++i) {
    connections.push_back(connect_to(server->port()));
    ASSERT_EQ(raw_echo(connections.back().get(), i), i);
  }
  const long idle = residentKiB();
  const std::string big(900 * 1024, 'm');
  for (int i = 0; i < 32; ++i) {
    Fd& fd = connections[static_cast<std::size_t>(i)];
    ASSERT_TRUE(send_all(fd.get(), echo_envelope(i, big)));
    const auto reply = recv_envelope(fd.get());
    ASSERT_TRUE(reply) << i;
  }
  const long after = residentKiB();
  // 32 connections keeping a request and a reply buffer each would hold
  // about 56 MiB; what is left must be far less than that.
  EXPECT_LT(after - idle, 12 * 1024) << "idle " << idle << " KiB, after " << after << " KiB";
  for (int i = 0; i < 32; ++i) EXPECT_EQ(raw_echo(connections[static_cast<std::size_t>(i)].get(), i), i);
}
