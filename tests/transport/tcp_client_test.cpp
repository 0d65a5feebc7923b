// The tcp:// transport of the client runtime against the back end's server
// and against servers played by the test that misbehave on purpose.
#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "raw_peer.h"
#include "test_server.h"
#include "zpd_transports.h"

namespace {

using namespace zp::testing;
using namespace std::chrono_literals;

std::string echo_reply_frame(std::int32_t value, const std::string& text) {
  zpb_stream s;
  s.open();
  s.begin_stream(kEchoOut);
  s << value << text;
  s.end_stream();
  return s.bytes();
}

std::string le32(std::uint32_t v) {
  std::string s(4, '\0');
  std::memcpy(s.data(), &v, 4);
  return s;
}

// The value of the echo request in a raw request envelope; -1 when it is not one.
std::int32_t request_value(const std::optional<std::string>& envelope) {
  zpd_envelope::request req;
  if (!envelope || !zpd_envelope::decode_request(*envelope, req)) return -1;
  zpb_stream s;
  s.open_for_reading(std::string(req.frame));
  std::int32_t value = -1;
  std::string text;
  if (!s.begin_stream(kEchoIn)) return -1;
  s >> value >> text;
  return s.good() ? value : -1;
}

// A server played by the test: the n-th accepted connection runs the n-th
// script. A script that returns closes its connection; one that stalls
// waits for the end of the test.
class ScriptedServer {
 public:
  using Script = std::function<void(int fd, const std::shared_future<void>& end)>;

  explicit ScriptedServer(std::vector<Script> scripts) : end_(released_.get_future().share()) {
    thread_ = std::thread([this, scripts = std::move(scripts)] {
      for (const Script& script : scripts) {
        Fd c = listener_.accept(10s);
        if (!c) return;
        script(c.get(), end_);
      }
    });
  }
  ~ScriptedServer() {
    released_.set_value();
    thread_.join();
  }
  std::string address() const { return listener_.address(); }

  // Values of the echo requests the scripts received, in order.
  void record(std::int32_t v) {
    std::lock_guard lock(mutex_);
    seen_.push_back(v);
  }
  std::vector<std::int32_t> seen() {
    std::lock_guard lock(mutex_);
    return seen_;
  }

 private:
  RawListener listener_;
  std::promise<void> released_;
  std::shared_future<void> end_;
  std::mutex mutex_;
  std::vector<std::int32_t> seen_;
  std::thread thread_;
};

}  // namespace

TEST(TcpCall, RoundTripsThroughTheServer) {
  auto dispatcher = std::make_shared<zpd_dispatcher>();
  dispatcher->add(kEchoInterface, kEchoCode, echo_handler(0));
  dispatcher->add(kEchoInterface, "ONE", echo_handler(1));
  dispatcher->add(kEchoInterface, "EDGE", echo_handler(-9970));
  dispatcher->add(kEchoInterface, "STORAGE", echo_handler(ZPE_SRV_STORAGE));
  auto server = start_server(dispatcher);
  std::int32_t bound = -1;
  auto client = bind_client(tcp_address(server->port()), &bound);
  ASSERT_EQ(bound, 0);

  const std::string large(900 * 1024, 'g');  // close to the text limit, many TCP segments
  struct Case {
    const char* code;
    std::int32_t value;
    std::string text;
    std::int32_t expected;
  } const cases[] = {
      {kEchoCode, 1, "", 0},
      {kEchoCode, -2, "全球呼 GPS", 0},
      {kEchoCode, 3, large, 0},
      {"ONE", 4, "one", 1},
      {"EDGE", 5, "edge", -9970},
      {"STORAGE", 6, "x", ZPE_SRV_STORAGE},
      {"NOSUCH", 7, "x", ZPE_SRV_NO_SERVICE},
      {kEchoCode, 8, "after the failures the connection still serves", 0},
  };
  for (const Case& c : cases) {
    const EchoResult r = echo(*client, c.value, c.text, c.code);
    EXPECT_EQ(r.result, c.expected) << c.code;
    if (zpd_is_runtime_failure(c.expected)) continue;
    ASSERT_TRUE(r.replyRead) << c.code;
    EXPECT_EQ(r.value, c.value);
    EXPECT_EQ(r.text, c.text);
  }
}

TEST(TcpCall, SilentServerTimesOutWithinTheDeadline) {
  ScriptedServer peer({[](int fd, const std::shared_future<void>& end) {
    recv_envelope(fd);
    end.wait();  // read the request, never answer
  }});
  std::int32_t bound = -1;
  auto client = bind_client(peer.address(), &bound, 300ms);
  ASSERT_EQ(bound, 0);
  const auto start = steady::now();
  EXPECT_EQ(echo(*client, 1).result, ZPE_TIMEOUT);
  const auto took = steady::now() - start;
  EXPECT_GE(took, 290ms);
  EXPECT_LT(took, 5s);
}

TEST(TcpCall, RefusedPortIsAConnectFailure) {
  std::int32_t bound = -1;
  auto client = bind_client(tcp_address(unused_port()), &bound, 2s);
  EXPECT_EQ(bound, ZPE_CONNECT);
  EXPECT_FALSE(client->is_bound());
}

// Each misbehaviour follows a request the server read completely; the call
// ends with a runtime code, the request is never sent again, and the next
// call works over a new connection.
TEST(TcpCall, MisbehavingServerGivesRuntimeCodesAndNeverARepeat) {
  const auto header = [](std::uint32_t magic, std::uint32_t length) { return le32(magic) + le32(length); };
  const std::string reply = [] {
    std::string r;
    zpd_envelope::encode_reply(0, echo_reply_frame(1, "reply text"), r);
    return r;
  }();
  struct Case {
    const char* what;
    std::string sent;  // after reading the request
    bool stall;        // keep the connection open until the client drops it
    std::int32_t expected;
  } const cases[] = {
      {"closes without a reply", "", false, ZPE_RECEIVE},
      {"closes inside the header", reply.substr(0, 5), false, ZPE_RECEIVE},
      {"closes mid-reply", reply.substr(0, reply.size() - 3), false, ZPE_RECEIVE},
      {"stalls mid-reply", reply.substr(0, reply.size() - 3), true, ZPE_TIMEOUT},
      {"wrong magic", header(0x11223344, 4) + le32(0), false, ZPE_BAD_REPLY},
      {"request magic", header(zpd_envelope::kRequestMagic, 4) + le32(0), true, ZPE_BAD_REPLY},
      {"length beyond the frame limit", header(zpd_envelope::kReplyMagic, zpd_envelope::kMaxReplyBody + 1), true,
       ZPE_BAD_REPLY},
      {"length without room for a result", header(zpd_envelope::kReplyMagic, 2) + "ab", true, ZPE_BAD_REPLY},
  };
  for (const Case& c : cases) {
    ScriptedServer* self = nullptr;
    ScriptedServer peer({[&](int fd, const std::shared_future<void>&) {
                           self->record(request_value(recv_envelope(fd)));
                           send_all(fd, c.sent);
                           if (c.stall) closed_within(fd, 10s);  // until the client gives up
                         },
                         [&](int fd, const std::shared_future<void>& end) {
                           const std::int32_t value = request_value(recv_envelope(fd));
                           self->record(value);
                           std::string good;
                           zpd_envelope::encode_reply(0, echo_reply_frame(value, "again"), good);
                           send_all(fd, good);
                           end.wait();
                         }});
    self = &peer;
    std::int32_t bound = -1;
    auto client = bind_client(peer.address(), &bound, 400ms);
    ASSERT_EQ(bound, 0) << c.what;
    EXPECT_EQ(echo(*client, 1).result, c.expected) << c.what;
    client->set_timeout(5s);
    const EchoResult next = echo(*client, 2);
    EXPECT_EQ(next.result, 0) << c.what;
    EXPECT_EQ(next.value, 2) << c.what;
    EXPECT_EQ(peer.seen(), (std::vector<std::int32_t>{1, 2})) << c.what;
  }
}

// A peer that echoes one call and closes that connection, then echoes one
// call on the next connection and keeps it open until the test ends.
std::unique_ptr<ScriptedServer> closes_after_first_reply() {
  auto self = std::make_shared<ScriptedServer*>(nullptr);
  const auto answer = [self](int fd) {
    const std::int32_t value = request_value(recv_envelope(fd));
    (*self)->record(value);
    std::string r;
    zpd_envelope::encode_reply(0, echo_reply_frame(value, ""), r);
    send_all(fd, r);
  };
  auto peer = std::make_unique<ScriptedServer>(std::vector<ScriptedServer::Script>{
      [answer](int fd, const std::shared_future<void>&) { answer(fd); },
      [answer](int fd, const std::shared_future<void>& end) {
        answer(fd);
        end.wait();
      }});
  *self = peer.get();
  return peer;
}

// The server closed the idle connection between two calls; the client finds
// out before sending and carries the call over a new connection.
TEST(TcpCall, ConnectionClosedWhileIdleIsReopenedBeforeSending) {
  const auto peer = closes_after_first_reply();
  std::int32_t bound = -1;
  auto client = bind_client(peer->address(), &bound, 5s);
  ASSERT_EQ(bound, 0);
  EXPECT_EQ(echo(*client, 10).result, 0);
  // The first script has returned (its connection closed) once the second
  // one is waiting; give the end of stream a moment to arrive.
  std::this_thread::sleep_for(100ms);
  const EchoResult r = echo(*client, 11);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.value, 11);
  EXPECT_EQ(peer->seen(), (std::vector<std::int32_t>{10, 11}));
}

TEST(TcpCall, ReconnectsAfterTheServerRestarts) {
  auto dispatcher = std::make_shared<zpd_dispatcher>();
  dispatcher->add(kEchoInterface, kEchoCode, echo_handler());
  auto server = start_server(dispatcher);
  const std::uint16_t port = server->port();
  std::int32_t bound = -1;
  auto client = bind_client(tcp_address(port), &bound, 3s);
  ASSERT_EQ(bound, 0);
  EXPECT_EQ(echo(*client, 1).result, 0);

  // Restarted between two calls: the call goes to the new server.
  server->stop();
  server = start_server(dispatcher, {}, port);
  std::this_thread::sleep_for(zpd_tcp_idle_check_after + 20ms);
  EXPECT_EQ(echo(*client, 2).value, 2);

  // Down during a call: a connect failure, then served again once it is back.
  server->stop();
  server.reset();
  std::this_thread::sleep_for(zpd_tcp_idle_check_after + 20ms);
  EXPECT_EQ(echo(*client, 3).result, ZPE_CONNECT);
  server = start_server(dispatcher, {}, port);
  const EchoResult r = echo(*client, 4);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.value, 4);
}

// A connection that has just delivered a reply is used without the idle
// check. A server that closes it within that moment costs the next call a
// receive failure; the request is not repeated, and the call after that
// opens a new connection.
TEST(TcpCall, ConnectionClosedRightAfterAReplyFailsOneCallWithoutRepeatingIt) {
  const auto peer = closes_after_first_reply();
  std::int32_t bound = -1;
  auto client = bind_client(peer->address(), &bound, 5s);
  ASSERT_EQ(bound, 0);
  EXPECT_EQ(echo(*client, 20).result, 0);
  // Whether the close reached the client before its send (then nothing was
  // sent and the call goes over a new connection) or after (the call fails),
  // the server sees the request at most once.
  const EchoResult second = echo(*client, 21);
  const EchoResult third = echo(*client, 22);
  EXPECT_EQ(third.result, 0);
  EXPECT_EQ(third.value, 22);
  if (second.result == 0) {
    EXPECT_EQ(second.value, 21);
    EXPECT_EQ(peer->seen(), (std::vector<std::int32_t>{20, 21, 22}));
  } else {
    EXPECT_TRUE(second.result == ZPE_SEND || second.result == ZPE_RECEIVE) << second.result;
    EXPECT_EQ(peer->seen(), (std::vector<std::int32_t>{20, 22}));
  }
}

// A failure code the server answered with arrives in a whole envelope: the
// connection stays in step and carries the next call.
TEST(TcpCall, ServerFailureCodeKeepsTheConnection) {
  ScriptedServer* self = nullptr;
  ScriptedServer peer({[&](int fd, const std::shared_future<void>& end) {
    self->record(request_value(recv_envelope(fd)));
    std::string busy;
    zpd_envelope::encode_reply(ZPE_SRV_BUSY, {}, busy);
    send_all(fd, busy);
    const std::int32_t value = request_value(recv_envelope(fd));
    self->record(value);
    std::string good;
    zpd_envelope::encode_reply(0, echo_reply_frame(value, ""), good);
    send_all(fd, good);
    end.wait();
  }});
  self = &peer;
  std::int32_t bound = -1;
  auto client = bind_client(peer.address(), &bound, 3s);
  ASSERT_EQ(bound, 0);
  EXPECT_EQ(echo(*client, 1).result, ZPE_SRV_BUSY);
  EXPECT_EQ(echo(*client, 2).value, 2);  // the one script answers it: no second connection
  EXPECT_EQ(peer.seen(), (std::vector<std::int32_t>{1, 2}));
}

// The connection breaks while the request is still being sent: part of it
// may have reached the server, so it is reported and not sent again.
TEST(TcpCall, BrokenWhileSendingIsNeverResent) {
  ScriptedServer* self = nullptr;
  ScriptedServer peer({[&](int fd, const std::shared_future<void>&) {
                         std::string header;
                         recv_exact(fd, header, zpd_envelope::kHeaderBytes, 5s);
                         // Unread bytes make the close a reset.
                       },
                       [&](int fd, const std::shared_future<void>& end) {
                         const std::int32_t value = request_value(recv_envelope(fd));
                         self->record(value);
                         std::string good;
                         zpd_envelope::encode_reply(0, echo_reply_frame(value, ""), good);
                         send_all(fd, good);
                         end.wait();
                       }});
  self = &peer;
  std::int32_t bound = -1;
  auto client = bind_client(peer.address(), &bound, 5s);
  ASSERT_EQ(bound, 0);
  // Larger than the kernel buffers of both ends together, so the break is
  // met while sending, not only while waiting for the reply.
  zpb_stream in, out;
  in.open();
  in.begin_stream(kEchoIn);
  in << std::int32_t(1);
  const std::string mib(1024 * 1024 - 16, 'r');
  for (int i = 0; i < 12; ++i) in << mib;
  ASSERT_TRUE(in.end_stream());
  EXPECT_EQ(client->call_server(kEchoInterface, kEchoCode, nullptr, in, out), ZPE_RECEIVE);
  EXPECT_EQ(echo(*client, 2).value, 2);
  EXPECT_EQ(peer.seen(), (std::vector<std::int32_t>{2}));
}

// The screens make a short-lived client object for nearly every call. A
// connection in step that one lets go of carries the next one's calls, so
// the server accepts once however many objects come and go; one the server
// has closed meanwhile is never handed out again.
TEST(TcpCall, AConnectionLetGoCarriesTheNextClientsCallsUnlessTheServerClosedIt) {
  ScriptedServer* self = nullptr;
  const auto answer = [&](int fd) {
    const std::int32_t value = request_value(recv_envelope(fd));
    self->record(value);
    std::string r;
    zpd_envelope::encode_reply(0, echo_reply_frame(value, ""), r);
    send_all(fd, r);
  };
  ScriptedServer peer({[&](int fd, const std::shared_future<void>&) {
                         // three client objects, one connection; then it closes
                         for (int i = 0; i < 3; ++i) answer(fd);
                       },
                       [&](int fd, const std::shared_future<void>& end) {
                         answer(fd);
                         end.wait();
                       }});
  self = &peer;
  for (std::int32_t value : {1, 2, 3}) {
    std::int32_t bound = -1;
    auto client = bind_client(peer.address(), &bound, 5s);
    ASSERT_EQ(bound, 0);
    const EchoResult r = echo(*client, value);
    EXPECT_EQ(r.result, 0) << value;
    EXPECT_EQ(r.value, value);
  }
  // The first connection is closed now; the kept one must not carry this.
  std::this_thread::sleep_for(100ms);
  std::int32_t bound = -1;
  auto client = bind_client(peer.address(), &bound, 5s);
  ASSERT_EQ(bound, 0);
  const EchoResult r = echo(*client, 4);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.value, 4);
  EXPECT_EQ(peer.seen(), (std::vector<std::int32_t>{1, 2, 3, 4}));
}

// The deadline is the call's, from its start: time the call spent opening
// its connection (a server whose queue of connections is full, so its first
// handshake is lost) is not given again to the wait for the reply.
TEST(TcpCall, TimeSpentConnectingCountsAgainstTheDeadline) {
  // A short listening queue: two connections waiting to be accepted fill it.
  Fd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in a = loopback(0);
  ASSERT_EQ(::bind(listener.get(), reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(::listen(listener.get(), 1), 0);
  socklen_t len = sizeof a;
  ::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&a), &len);
  const std::uint16_t port = ntohs(a.sin_port);
  const auto take = [&](milliseconds within) {
    if (!ready(listener.get(), POLLIN, within)) return Fd();
    return Fd(::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
  };

  std::int32_t bound = -1;
  auto client = bind_client(tcp_address(port), &bound, 1500ms);
  ASSERT_EQ(bound, 0);
  take(1s).reset();  // the server closes the connection the client holds
  Fd filler = connect_to(port), filler2 = connect_to(port);
  ASSERT_TRUE(filler && filler2);

  std::promise<void> done;
  std::thread server([&] {
    std::this_thread::sleep_for(200ms);
    // The fillers; the client's first handshake was dropped meanwhile.
    Fd first = take(1s), second = take(1s);
    Fd client = take(5s);
    if (client) recv_envelope(client.get());  // read the request, never answer
    done.get_future().wait();
  });
  const auto start = steady::now();
  EXPECT_EQ(echo(*client, 1).result, ZPE_TIMEOUT);
  const auto took = steady::now() - start;
  done.set_value();
  server.join();
  EXPECT_GE(took, 1400ms);
  EXPECT_LT(took, 2100ms) << "waited "
                          << std::chrono::duration_cast<milliseconds>(took).count() << " ms for a 1500 ms deadline";
}
