// The back end's TCP server: takes request envelopes (zpd_envelope.h) off
// connections and answers them through a zpd_dispatcher.
//
// One I/O thread does all socket work; a bounded pool of workers runs the
// dispatcher, so a request handler never touches a socket and a slow handler
// never stalls another connection's reading. Requests the owner's classifier
// calls reads (set_read_lane) have workers of their own, so they never queue
// behind requests blocked on the store's writes. A connection carries one request
// at a time: the next is read only after the reply to the previous one has
// been written, so replies come back in request order and each connection
// holds at most one frame. Limits (server_limits.h) bound frame size, connections,
// silence, slowness and queuing.
//
// Stopping has two phases: stop accepting and reading new requests, let every
// running and queued request finish and its reply be written; then close the
// connections and join the threads.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

#include "server_limits.h"

class zpd_dispatcher;

namespace zp::transport {

// What the server tells its owner about one answered request.
struct RequestLog {
  std::string_view interfaceName;  // empty when the request could not be read
  std::string_view serviceCode;
  std::string_view request;  // the request frame, valid during the hook only
  std::chrono::microseconds duration;  // from the request's last byte to its reply being ready
  std::int32_t result;                 // the result sent back (a ZPE_SRV_* code on failure)
  std::string_view reply;  // the reply frame, valid during the hook only; empty on failure
  std::string_view peer;   // "address:port" of the client; empty when unknown
};

class TcpServer {
 public:
  // Called once per answered request, from a worker thread or the I/O thread
  // and possibly from several at once. It must not call stop().
  using LogHook = std::function<void(const RequestLog&)>;

  TcpServer(std::shared_ptr<const zpd_dispatcher> dispatcher, Limits limits = {});
  ~TcpServer();  // stops
  TcpServer(const TcpServer&) = delete;
  TcpServer& operator=(const TcpServer&) = delete;

  // Whether a request only reads, from its interface name and service code:
  // those run on the read lane (Limits::readThreads). Called on the I/O
  // thread for every request, so it must be quick and must not throw; it
  // must answer false for anything it does not know, since a request that
  // writes would hold a read worker for as long as its commit takes.
  using ReadClassifier = std::function<bool(std::string_view interfaceName, std::string_view serviceCode)>;

  // Before start().
  void set_log_hook(LogHook hook);
  // Before start(). Without one every request runs on the ordinary workers.
  void set_read_lane(ReadClassifier isRead);

  // Binds to host and port (0 picks a free port) and starts serving. Once per
  // server; an error when the address cannot be resolved or bound.
  std::error_code start(const std::string& host, std::uint16_t port);

  // The port the server listens on (0 before start()).
  std::uint16_t port() const;

  // The two-phase stop; returns when the threads are joined. Callable from
  // any thread except the server's own (a log hook, a handler); a second call
  // waits for the first and then does nothing.
  void stop();

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zp::transport
