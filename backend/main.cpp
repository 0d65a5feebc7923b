// zpserver: the suite's back end for the counter module. It is the broker
// the client runtime reaches (tcp://), with the acceptance and privilege
// services over one store.
#include <netdb.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <asio.hpp>
#include <soci/soci.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "MPrivmgnt.h"
#include "MSession.h"
#include "MVasDesk.h"
#include "database.h"
#include "demo_data.h"
#include "fixtures.h"
#include "read_lane.h"
#include "schema.h"
#include "server_log.h"
#include "server_options.h"
#include "services.h"
#include "sessions.h"
#include "tcp_server.h"
#include "vasdesk_service.h"
#include "zpb_stream.h"
#include "zpd_client.h"
#include "zpd_server.h"

#ifndef ZPSERVER_VERSION
#define ZPSERVER_VERSION "0"
#endif

namespace {

using zp::backend::ServerOptions;

// The readiness request: answered only by a server whose store is open and
// migrated, and only while the store answers. It needs no session.
constexpr const char* kHealthInterface = "ZPServer_IHealth";
constexpr const char* kReadyService = "READY";
constexpr zpb_name kReadyRequest("zpserver.ready.ParamIn");
constexpr zpb_name kReadyReply("zpserver.ready.ParamOut");

bool storeHasOperators(zp::store::Database& db) {
  long long n = 0;
  db.transact(zp::store::Database::Intent::read,
              [&](soci::session& sql) { sql << "SELECT COUNT(*) FROM zp_operator", soci::into(n); });
  return n > 0;
}

// Binds the listening address without listening yet, so that a busy port
// fails the start before the store is created or migrated. The server binds
// the same address (both reuse it) once the store is ready, then this goes.
class HeldPort {
 public:
  ~HeldPort() { release(); }
  bool take(const std::string& host, unsigned port, std::string& why) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (const int e = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found); e != 0) {
      why = gai_strerror(e);
      return false;
    }
    why = "no address";
    for (addrinfo* a = found; a; a = a->ai_next) {
      const int fd = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
      if (fd < 0) continue;
      const int on = 1;
      ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
      if (::bind(fd, a->ai_addr, a->ai_addrlen) == 0) {
        sockaddr_storage bound{};
        socklen_t len = sizeof bound;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &len);
        port_ = bound.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port)
                                            : ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
        fd_ = fd;
        break;
      }
      why = std::strerror(errno);
      ::close(fd);
    }
    ::freeaddrinfo(found);
    return fd_ >= 0;
  }
  unsigned port() const { return port_; }
  void release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
  unsigned port_ = 0;
};

// The host a local tool reaches a server of these options at.
std::string localHost(const std::string& host) {
  if (host.empty() || host == "0.0.0.0" || host == "*") return "127.0.0.1";
  if (host == "::" || host == "[::]") return "::1";
  return host;
}

int checkReady(const ServerOptions& o) {
  const std::string address = "tcp://" + localHost(o.host) + ":" + std::to_string(o.port);
  std::unique_ptr<zpd_transport> t;
  const std::chrono::seconds deadline(5);
  std::int32_t r = zpd_open_transport(address, deadline, t);
  std::string reply;
  if (r == 0) {
    zpb_stream request;
    request.open();
    request.begin_stream(kReadyRequest);
    request.end_stream();
    r = t->call(kHealthInterface, kReadyService, request.bytes(), reply, deadline);
  }
  if (r != 0) {
    std::printf("zpserver at %s is not ready: %s\n", address.c_str(), zpd_getErrorMsg(r));
    return 1;
  }
  zpb_stream in;
  std::int32_t version = 0;
  in.open_for_reading(std::move(reply));
  if (!in.begin_stream(kReadyReply) || !(in >> version) || !in.end_stream()) {
    std::printf("zpserver at %s answered, but not as zpserver does\n", address.c_str());
    return 1;
  }
  std::printf("zpserver at %s is ready (schema version %d)\n", address.c_str(), version);
  return 0;
}

// A consistent copy of a SQLite store, taken in one read transaction while
// the server goes on writing (WAL lets both run).
int backupSqlite(const ServerOptions& o) {
  constexpr std::string_view prefix = "sqlite:";
  if (!o.db.starts_with(prefix)) {
    std::fprintf(stderr,
                 "zpserver: --backup copies a SQLite store; back up PostgreSQL with pg_dump -Fc (see the README)\n");
    return 2;
  }
  const std::string source = o.db.substr(prefix.size());
  std::error_code ec;
  if (!std::filesystem::is_regular_file(source, ec)) {
    std::fprintf(stderr, "zpserver: no store at %s\n", source.c_str());
    return 1;
  }
  if (std::filesystem::exists(o.backupTo, ec)) {
    std::fprintf(stderr, "zpserver: %s exists already; a backup never overwrites a file\n", o.backupTo.c_str());
    return 1;
  }
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(source.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_busy_timeout(db, 10000);
  sqlite3_stmt* st = nullptr;
  if (rc == SQLITE_OK) rc = sqlite3_prepare_v2(db, "VACUUM INTO ?1", -1, &st, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_bind_text(st, 1, o.backupTo.c_str(), -1, SQLITE_TRANSIENT);
  if (rc == SQLITE_OK) rc = sqlite3_step(st) == SQLITE_DONE ? SQLITE_OK : sqlite3_errcode(db);
  const std::string why = db ? sqlite3_errmsg(db) : "out of memory";
  sqlite3_finalize(st);
  sqlite3_close(db);
  if (rc != SQLITE_OK) {
    std::fprintf(stderr, "zpserver: the backup of %s failed: %s\n", source.c_str(), why.c_str());
    std::filesystem::remove(o.backupTo, ec);
    return 1;
  }
  std::printf("zpserver: %s backed up into %s\n", source.c_str(), o.backupTo.c_str());
  return 0;
}

// The operator of the request running on this thread, as its session said;
// the log line of the request takes it (the hook runs on the same thread).
thread_local long long requestOperator = 0;

// The reply of a successful call of `op`, read back from the log record.
template <class Out>
bool successfulReply(const zp::transport::RequestLog& r, const zpd_operation& op, Out& out) {
  if (r.result != 0 || r.serviceCode != op.serviceCode || r.interfaceName != op.interfaceName) return false;
  zpb_stream in;
  in.open_for_reading(std::string(r.reply));
  return in.begin_stream(op.replyFrame) && zpb_read(in, out);
}

// The number of the order a successful submission reply carries.
long long submittedOrder(const zp::transport::RequestLog& r) {
  MVasDesk::SSoUserServiceOut out;
  return successfulReply(r, MVasDesk::IVasDesk_so_userService, out) ? out.get_SORESULTINFO().get_SO_NBR() : 0;
}

// The operator a sign-in signed in: the call carried no session yet.
long long signedInOperator(const zp::transport::RequestLog& r) {
  MSession::SSignInOut out;
  return successfulReply(r, MSession::ISession_sign_in, out) ? out.get_OP_ID() : 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string why;
  const auto parsed = zp::backend::parseServerOptions(std::vector<std::string>(argv + 1, argv + argc), why);
  if (!parsed) {
    std::fprintf(stderr, "zpserver: %s\n(zpserver --help lists the options)\n", why.c_str());
    return 2;
  }
  const ServerOptions& o = *parsed;
  if (o.help) {
    std::fputs(zp::backend::kServerHelp, stdout);
    return 0;
  }
  if (o.version) {
    std::printf("zpserver %s (store schema %zu)\n", ZPSERVER_VERSION, zp::store::migrations().size());
    return 0;
  }
  if (o.check) return checkReady(o);
  if (!o.backupTo.empty()) return backupSqlite(o);

  zp::backend::ServerLog log;
  if (!o.logFile.empty() && !log.open(o.logFile, why)) {
    std::fprintf(stderr, "zpserver: %s\n", why.c_str());
    return 1;
  }

  HeldPort held;
  if (!held.take(o.host, o.port, why)) {
    log.say("cannot listen on " + o.host + ":" + std::to_string(o.port) + ": " + why + "; the store was not touched");
    return 1;
  }

  std::unique_ptr<zp::store::Database> db;
  try {
    db = zp::store::Database::open({o.db, o.workers + o.readWorkers, std::chrono::milliseconds(5000), o.durable});
    if (o.seedDemo && !storeHasOperators(*db)) {
      for (const char* doc : zp::backend::demoData()) zp::store::loadFixtures(*db, doc);
      log.say("demo region loaded");
    }
    if (!o.fixture.empty()) zp::store::loadFixtureFile(*db, o.fixture);
  } catch (const std::exception& e) {
    log.say(e.what());
    return 1;
  }

  zp::backend::VasDeskConfig config;
  config.reservationLease = std::chrono::minutes(o.leaseMinutes);
  config.callKeys.retention = std::chrono::seconds(o.callKeySeconds);
  config.maxHeldNumbers = o.maxHeldNumbers;
  auto dispatcher = std::make_shared<zpd_dispatcher>();
  const std::shared_ptr<zp::backend::Sessions> sessions = zp::backend::registerServices(*dispatcher, *db, config);
  // The sessions' gate, with the readiness request let through and the
  // caller noted for the request's log line.
  dispatcher->set_gate([sessions](const zpd_call& call) -> zpd_admission {
    if (call.interfaceName == kHealthInterface) return {};
    zpd_admission a = sessions->admit(call);
    if (a.caller) requestOperator = static_cast<const zp::backend::Caller*>(a.caller.get())->opId;
    return a;
  });
  zp::store::Database& store = *db;
  dispatcher->add(kHealthInterface, kReadyService, [&store](zpb_stream& request, zpb_stream& reply) -> std::int32_t {
    if (!request.begin_stream(kReadyRequest) || !request.end_stream()) return ZPE_SRV_BAD_REQUEST;
    int version = 0;
    try {
      store.transact(zp::store::Database::Intent::read, [&](soci::session& sql) {
        sql << "SELECT MAX(version) FROM zp_schema_version", soci::into(version);
      });
    } catch (const std::exception&) {
      return ZPE_SRV_STORAGE;
    }
    if (version != store.schemaVersion()) return ZPE_SRV_STORAGE;
    reply.begin_stream(kReadyReply);
    reply << static_cast<std::int32_t>(version);
    return reply.end_stream() ? 0 : ZPE_SRV_BAD_REPLY;
  });

  zp::transport::Limits limits;
  limits.workerThreads = o.workers;
  limits.readThreads = o.readWorkers;
  limits.ordinaryNice = o.ordinaryNice;
  limits.queueLength = o.queue;
  limits.maxConnections = o.maxConnections;
  limits.maxConnectionsPerPeer = o.maxPeerConnections;
  limits.idleTimeout = std::chrono::seconds(o.idleSeconds);
  limits.requestTimeout = std::chrono::seconds(o.requestSeconds);
  zp::transport::TcpServer server(dispatcher, limits);
  server.set_read_lane([](std::string_view interfaceName, std::string_view serviceCode) {
    return interfaceName == kHealthInterface || zp::backend::readsOnly(interfaceName, serviceCode);
  });
  const bool quiet = o.quiet;
  server.set_log_hook([&log, quiet](const zp::transport::RequestLog& r) {
    const long long op = std::exchange(requestOperator, 0);
    if (quiet) return;
    zp::backend::RequestLine line;
    line.at = std::chrono::system_clock::now();
    line.peer = r.peer;
    line.opId = op ? op : signedInOperator(r);
    line.interfaceName = r.interfaceName;
    line.serviceCode = r.serviceCode;
    line.duration = r.duration;
    line.result = r.result;
    line.soNbr = submittedOrder(r);
    log.write(zp::backend::formatRequestLine(line));
  });
  if (const std::error_code ec = server.start(o.host, static_cast<std::uint16_t>(held.port()))) {
    log.say("cannot listen on " + o.host + ":" + std::to_string(held.port()) + ": " + ec.message());
    return 1;
  }
  held.release();
  log.say("version " ZPSERVER_VERSION ", listening on " + o.host + ":" + std::to_string(server.port()) + ", store " +
          (db->backend() == zp::store::Backend::sqlite ? "SQLite" : "PostgreSQL") + " schema " +
          std::to_string(db->schemaVersion()));
  if (!o.portFile.empty()) {
    const std::string tmp = o.portFile + ".tmp";
    std::ofstream(tmp) << server.port() << "\n";
    std::rename(tmp.c_str(), o.portFile.c_str());  // readers never see half a number
  }

  asio::io_context signals;
  asio::signal_set set(signals, SIGINT, SIGTERM, SIGHUP);
  std::function<void(const std::error_code&, int)> onSignal = [&](const std::error_code& ec, int sig) {
    if (ec) return;
    if (sig == SIGHUP) {
      log.reopen();
      log.say("log reopened");
      set.async_wait(onSignal);
    }
  };
  set.async_wait(onSignal);
  signals.run();
  log.say("stopping");
  server.stop();
  log.say("stopped");
  return 0;
}
