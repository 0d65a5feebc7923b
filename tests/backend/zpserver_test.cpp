// zpserver as a process: durability across SIGKILL, a two-phase stop, and
// bad input that must not stop it serving others.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <soci/soci.h>
#include <sys/socket.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "MVasDesk.h"
#include "database.h"
#include "operator_sign_in.h"
#include "rows.h"
#include "sample_orders.h"
#include "server_process.h"
#include "test_store.h"
#include "zpd_client.h"
#include "zpd_envelope.h"

using namespace MPublicDef;
using namespace MVasDesk;
using zp::store::Backend;
using zp::testing::ServerProcess;

namespace {

constexpr int kUsers = 400;

std::string fixtureFile() {
  const auto path = std::filesystem::temp_directory_path() / zp::testing::uniqueName("zpfixture-");
  std::ofstream(path) << zp::testing::manySubscribers(600000, kUsers);
  return path.string();
}

SSoUserServiceIn gprsOpen(long long servId) { return zp::testing::gprsOpen(servId, true); }

// The orders' operator signs in with the server as the host would.
void signIn() {
  OperatorSignIn in;
  std::string why;
  ASSERT_TRUE(SignInOperator(11, "pw0011", in, why)) << why;
}

class ZpServer : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    ZP_REQUIRE_BACKEND(GetParam());
    url = zp::testing::freshStoreUrl(GetParam());
  }
  void TearDown() override { zpd_set_session({}); }
  std::string url;
};

// Four counters submit orders for subscribers 600000 on until the server is
// killed under them, once 60 were answered. `order` sends one subscriber's
// order and says whether it was answered; a counter stops at the first that
// was not. Returns how many were answered.
int submitUntilKilled(ServerProcess& server, const std::function<bool(IVasDesk&, long long)>& order) {
  std::atomic<int> count{0};
  std::vector<std::thread> clients;
  for (int c = 0; c < 4; ++c) {
    clients.emplace_back([&, c] {
      IVasDesk client;
      client.set_timeout(std::chrono::seconds(5));
      if (client.bind_zpBroker("ZEPHYRON") != 0) return;
      for (int i = c; i < kUsers; i += 4) {
        if (!order(client, 600000 + i)) return;  // the server is gone
        ++count;
      }
    });
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (count < 60 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  server.kill(SIGKILL);
  for (auto& t : clients) t.join();
  return count.load();
}

}  // namespace

TEST_P(ZpServer, EveryOrderSeenToSucceedSurvivesSigkillWhole) {
  ServerProcess server;
  ASSERT_TRUE(server.start({"--db", url, "--fixture", fixtureFile(), "--quiet"}));
  ::setenv("ZP_BROKER_ZEPHYRON", server.address().c_str(), 1);
  signIn();

  std::mutex m;
  std::map<long long, long long> succeeded;  // serv_id -> so_nbr
  const int count = submitUntilKilled(server, [&](IVasDesk& client, long long servId) {
    SSoUserServiceOut out;
    CBSErrorMsg err;
    if (client.so_userService(gprsOpen(servId), out, err, nullptr) != 0) return false;
    std::lock_guard<std::mutex> lock(m);
    succeeded[servId] = out.get_SORESULTINFO().get_SO_NBR();
    return true;
  });
  ASSERT_GE(count, 60) << "orders were too slow to reach the kill";
  ASSERT_LT(count, kUsers) << "the kill came after every order";

  // Restarted on the same store, it answers for every order it confirmed.
  ServerProcess again;
  ASSERT_TRUE(again.start({"--db", url, "--quiet"}));
  // The session outlives the server's restart: it is kept in the store.
  ::setenv("ZP_BROKER_ZEPHYRON", again.address().c_str(), 1);
  IVasDesk client;
  ASSERT_EQ(client.bind_zpBroker("ZEPHYRON"), 0);
  for (const auto& [servId, soNbr] : succeeded) {
    SFetchCtInfoIn in;
    in.set_BUSI_CODE(1071);
    in.set_SERV_ID(servId);
    SGetInfoOut out;
    CBSErrorMsg err;
    ASSERT_EQ(client.get_info(in, out, err, nullptr), 0) << err.text2;
    ASSERT_EQ(out.get_USERSERVICEINFOLIST().size(), 1u) << servId;
  }
  EXPECT_EQ(again.kill(SIGTERM), 0);

  // In the store: every confirmed order whole, and nothing of an order that
  // is not there (a service without its order, an order without its lines).
  auto db = zp::store::Database::open({url, 1});
  db->transact(zp::store::Database::Intent::read, [&](soci::session& sql) {
    for (const auto& [servId, soNbr] : succeeded) {
      zp::store::Row r;
      ASSERT_TRUE(zp::store::firstRow(sql, "SELECT serv_id, line_count FROM zp_order WHERE so_nbr = :n", "ii",
                                      {soNbr}, r))
          << soNbr;
      EXPECT_EQ(r.i(0), servId);
    }
    long long broken = -1, orphans = -1, orders = 0;
    sql << "SELECT COUNT(*) FROM zp_order o WHERE line_count <> (SELECT COUNT(*) FROM zp_order_line l "
           "WHERE l.so_nbr = o.so_nbr) OR line_count <> 3",
        soci::into(broken);
    sql << "SELECT COUNT(*) FROM zp_user_service s WHERE busi_type = 5 AND NOT EXISTS (SELECT 1 FROM zp_order o "
           "WHERE o.so_nbr = s.so_nbr)",
        soci::into(orphans);
    sql << "SELECT COUNT(*) FROM zp_order", soci::into(orders);
    EXPECT_EQ(broken, 0);
    EXPECT_EQ(orphans, 0);
    EXPECT_GE(orders, static_cast<long long>(succeeded.size()));
  });
}

// The same kill, every submission under a key of its own order. Each
// counter asks again, after the restart, under their keys, the submissions
// that got no answer; afterwards every order is stored exactly once: none
// lost of those that were retried, none doubled, whether its first sending
// had been stored or not. Asking again under the key of an answered order
// gives its number and stores nothing.
TEST_P(ZpServer, UnansweredKeyedSubmissionsRetriedAfterSigkillAreStoredExactlyOnce) {
  ServerProcess server;
  ASSERT_TRUE(server.start({"--db", url, "--fixture", fixtureFile(), "--quiet"}));
  ::setenv("ZP_BROKER_ZEPHYRON", server.address().c_str(), 1);
  signIn();

  std::mutex m;
  std::map<long long, std::pair<std::string, long long>> answered;  // serv_id -> key, so_nbr
  std::map<long long, std::string> unanswered;                      // serv_id -> key
  const int count = submitUntilKilled(server, [&](IVasDesk& client, long long servId) {
    const std::string key = zpd_new_call_key();
    const zpd_call_key_scope scope(key);
    SSoUserServiceOut out;
    CBSErrorMsg err;
    const std::int32_t r = client.so_userService(gprsOpen(servId), out, err, nullptr);
    std::lock_guard<std::mutex> lock(m);
    if (r != 0) {  // the server is gone; whether it stored the order is not known
      unanswered[servId] = key;
      return false;
    }
    answered[servId] = {key, out.get_SORESULTINFO().get_SO_NBR()};
    return true;
  });
  ASSERT_GE(count, 60) << "orders were too slow to reach the kill";
  ASSERT_FALSE(unanswered.empty()) << "the kill came after every order";

  ServerProcess again;
  ASSERT_TRUE(again.start({"--db", url, "--quiet"}));
  ::setenv("ZP_BROKER_ZEPHYRON", again.address().c_str(), 1);
  IVasDesk client;
  ASSERT_EQ(client.bind_zpBroker("ZEPHYRON"), 0);
  std::map<long long, long long> retried;  // serv_id -> so_nbr
  for (const auto& [servId, key] : unanswered) {
    const zpd_call_key_scope scope(key);
    SSoUserServiceOut out;
    CBSErrorMsg err;
    ASSERT_EQ(client.so_userService(gprsOpen(servId), out, err, nullptr), 0) << servId << ": " << err.text2;
    retried[servId] = out.get_SORESULTINFO().get_SO_NBR();
  }
  for (const auto& [servId, answer] : answered) {
    const zpd_call_key_scope scope(answer.first);
    SSoUserServiceOut out;
    CBSErrorMsg err;
    ASSERT_EQ(client.so_userService(gprsOpen(servId), out, err, nullptr), 0) << servId << ": " << err.text2;
    EXPECT_EQ(out.get_SORESULTINFO().get_SO_NBR(), answer.second) << servId;
  }
  EXPECT_EQ(again.kill(SIGTERM), 0);

  auto db = zp::store::Database::open({url, 1});
  db->transact(zp::store::Database::Intent::read, [&](soci::session& sql) {
    const auto ordersOf = [&](long long servId) {
      long long n = -1;
      sql << "SELECT COUNT(*) FROM zp_order WHERE serv_id = :s", soci::use(servId), soci::into(n);
      return n;
    };
    for (const auto& [servId, answer] : answered) EXPECT_EQ(ordersOf(servId), 1) << servId;
    for (const auto& [servId, soNbr] : retried) {
      EXPECT_EQ(ordersOf(servId), 1) << servId;
      zp::store::Row r;
      ASSERT_TRUE(zp::store::firstRow(sql, "SELECT serv_id FROM zp_order WHERE so_nbr = :n", "i", {soNbr}, r));
      EXPECT_EQ(r.i(0), servId);
    }
    long long orders = 0, broken = -1;
    sql << "SELECT COUNT(*) FROM zp_order", soci::into(orders);
    sql << "SELECT COUNT(*) FROM zp_order o WHERE line_count <> (SELECT COUNT(*) FROM zp_order_line l "
           "WHERE l.so_nbr = o.so_nbr)",
        soci::into(broken);
    EXPECT_EQ(orders, static_cast<long long>(answered.size() + retried.size()));
    EXPECT_EQ(broken, 0);
  });
}

namespace {

int connectTo(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(fd);
    return -1;
  }
  timeval tv{5, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  return fd;
}

// Sends bytes and reads until the server answers or closes: the reply's
// result, or a note of what happened.
std::string exchange(int port, const std::string& bytes) {
  const int fd = connectTo(port);
  if (fd < 0) return "no connection";
  ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  std::string got;
  char buf[4096];
  for (;;) {
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
    got.append(buf, static_cast<std::size_t>(n));
    zpd_envelope::reply rep;
    if (zpd_envelope::decode_reply(got, rep)) {
      ::close(fd);
      return "result " + std::to_string(rep.result);
    }
  }
  ::close(fd);
  return got.empty() ? "closed" : "garbage";
}

std::string request(const std::string& iface, const std::string& code, const std::string& frame) {
  std::string out;
  zpd_envelope::encode_request(iface, code, frame, out);
  return out;
}

}  // namespace

TEST_P(ZpServer, BadInputGetsAnErrorOrAClosedConnectionAndOthersAreStillServed) {
  ServerProcess server;
  ASSERT_TRUE(server.start({"--db", url, "--fixture", fixtureFile(), "--quiet", "--request-timeout", "1"}));
  ::setenv("ZP_BROKER_ZEPHYRON", server.address().c_str(), 1);
  signIn();

  std::string oversized(8, '\0');
  const std::uint32_t magic = zpd_envelope::kRequestMagic, huge = 0x7fffffff;
  std::memcpy(oversized.data(), &magic, 4);
  std::memcpy(oversized.data() + 4, &huge, 4);
  std::string wrongShape;  // a query_resList frame sent as get_info
  {
    zpb_stream s;
    s.open();
    s.begin_stream(MVasDesk::IVasDesk_query_resList.requestFrame);
    zpb_write(s, SQueryResListIn{});
    s.end_stream();
    wrongShape = s.bytes();
  }
  const std::string whole = request("MVasDesk_IVasDesk", "BAVDKU01", wrongShape);
  struct Case {
    const char* what;
    std::string bytes;
    std::string expect;
  };
  const Case cases[] = {
      {"random bytes", std::string("\x13\x37\xde\xad\xbe\xef garbage that is no frame at all"), "closed"},
      {"oversized length", oversized, "closed"},
      {"unknown interface", request("MNothing_INothing", "BAVDKU01", wrongShape),
       "result " + std::to_string(ZPE_SRV_NO_INTERFACE)},
      {"unknown service code", request("MVasDesk_IVasDesk", "BAVDKU99", wrongShape),
       "result " + std::to_string(ZPE_SRV_NO_SERVICE)},
      {"record of the wrong shape", whole, "result " + std::to_string(ZPE_SRV_BAD_REQUEST)},
      {"half a frame, then silence", whole.substr(0, whole.size() / 2), "closed"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(exchange(server.port(), c.bytes), c.expect) << c.what;
    // Another client is served meanwhile.
    IVasDesk client;
    ASSERT_EQ(client.bind_zpBroker("ZEPHYRON"), 0) << c.what;
    SFetchCtInfoIn in;
    in.set_BUSI_CODE(1302);
    in.set_SERV_ID(600001);
    SGetInfoOut out;
    CBSErrorMsg err;
    EXPECT_EQ(client.get_info(in, out, err, nullptr), 0) << c.what << ": " << err.text2;
  }
  EXPECT_EQ(server.kill(SIGTERM), 0);
}

INSTANTIATE_TEST_SUITE_P(Backends, ZpServer, ::testing::Values(Backend::sqlite, Backend::postgresql),
                         [](const auto& info) { return std::string(zp::testing::backendName(info.param)); });
