#include "tcp_server.h"

#include <pthread.h>

#include <algorithm>
#include <array>
#include <asio.hpp>
#include <malloc.h>
#include <sys/socket.h>
#include <atomic>
#include <future>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "worker_pool.h"
#include "zpd_client.h"
#include "zpd_envelope.h"
#include "zpd_server.h"

namespace zp::transport {

namespace {
using asio::ip::tcp;
using steady = std::chrono::steady_clock;
// How often deadlines are checked: a connection past its deadline is closed
// within this much more.
constexpr auto kSweepInterval = std::chrono::milliseconds(100);
}  // namespace

class TcpServer::Impl {
 public:
  class Connection;

  Impl(std::shared_ptr<const zpd_dispatcher> d, Limits l)
      : dispatcher(std::move(d)),
        limits(l),
        maxBody(static_cast<std::uint32_t>(2 + 2 * zpb_limits::maxEnvelopeName +
                                           std::min(l.maxFrameBytes, zpb_limits::maxFrameBytes))) {}

  std::error_code start(const std::string& host, std::uint16_t wanted);
  void stop();

  // The io_context goes last, after every socket and timer that uses it. Only
  // ioThread runs it and only ioThread touches a socket (handlers get bytes,
  // workers post their replies back, stop() posts begin_stop), so the
  // per-socket locks are left out; the queue keeps its lock for the workers'
  // posts. A change that touched a socket from another thread would break this.
  asio::io_context io{ASIO_CONCURRENCY_HINT_UNSAFE_IO};
  std::optional<asio::executor_work_guard<asio::io_context::executor_type>> work{asio::make_work_guard(io)};
  tcp::acceptor acceptor{io};
  asio::steady_timer acceptRetry{io};
  asio::steady_timer sweep{io};
  const std::shared_ptr<const zpd_dispatcher> dispatcher;
  const Limits limits;
  const std::uint32_t maxBody;
  LogHook log;
  TcpServer::ReadClassifier isRead;
  std::unique_ptr<WorkerPool> pool;
  std::unique_ptr<WorkerPool> readPool;  // null when there is no read lane
  std::thread ioThread;
  std::atomic<std::uint16_t> port{0};

 private:
  void accept();
  void schedule_sweep();
  void begin_stop();
  void forget(const std::shared_ptr<Connection>& c);
  void check_drained();
  // The reply envelope to one request body, reported to the log hook.
  std::string answer(std::string_view body, steady::time_point received, std::string_view peer);
  // Worker side of one request.
  void run_request(const std::shared_ptr<Connection>& c, const std::string& body, steady::time_point received);
  // The peer's address as the log shows it; taken once at accept, since
  // sockets are touched on the I/O thread only.
  static std::string peerText(const tcp::socket& socket);
  void report(std::string_view body, const std::string& reply, steady::time_point received, std::string_view peer);
  // The workers that run this request body.
  WorkerPool& laneOf(std::string_view body) const;

  // Touched on the I/O thread only.
  std::unordered_set<std::shared_ptr<Connection>> connections_;
  std::unordered_map<std::uint64_t, std::size_t> perPeer_;  // open connections by peer address

  // One number per peer address (the port does not count: one machine is
  // one peer however many connections it opens).
  static std::uint64_t peerKey(const tcp::socket& socket) {
    std::error_code ec;
    const tcp::endpoint remote = socket.remote_endpoint(ec);
    if (ec) return 0;
    const asio::ip::address a = remote.address();
    if (a.is_v4()) return a.to_v4().to_uint();
    const auto bytes = a.to_v6().to_bytes();
    std::uint64_t h = 1469598103934665603ull;  // FNV-1a over the 16 bytes
    for (unsigned char b : bytes) h = (h ^ b) * 1099511628211ull;
    return h | (1ull << 63);
  }
  bool stopping_ = false;
  std::promise<void> drained_;
  bool drainedSet_ = false;

  // Serialises start() and stop() callers.
  std::mutex lifecycle_;
  bool started_ = false;
  bool stopped_ = false;
};

// One peer. Everything here runs on the I/O thread; a worker only holds a
// reference to hand the reply back through the io_context.
class TcpServer::Impl::Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(Impl& server, tcp::socket socket, std::uint64_t peer)
      : server_(server), socket_(std::move(socket)), peer_(peer), peerText_(Impl::peerText(socket_)) {}
  const std::string& peerText() const { return peerText_; }

  std::uint64_t peer() const { return peer_; }

  void start() { parse(); }
  bool busy() const { return busy_; }

  void close() {
    if (closed_) return;
    closed_ = true;
    std::error_code ignored;
    socket_.shutdown(tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
    server_.forget(shared_from_this());
  }

  // Worker side: sends what the socket takes at once, without waiting. While
  // a request is in work the I/O thread leaves the socket alone, so the
  // worker may write; sending here saves the reply a trip through the I/O
  // thread before the client has it.
  std::size_t send_now(const std::string& reply) {
    std::size_t sent = 0;
    while (sent < reply.size()) {
      const ssize_t n = ::send(socket_.native_handle(), reply.data() + sent, reply.size() - sent,
                               MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n <= 0) break;  // full, or broken: the I/O thread writes the rest or finds the break
      sent += static_cast<std::size_t>(n);
    }
    return sent;
  }

  // Called on the I/O thread with the reply envelope of the request in work
  // and how much of it the worker has sent already.
  void write(std::string reply, std::size_t sent = 0) {
    if (closed_) return;
    if (sent >= reply.size()) return written();
    out_ = std::move(reply);
    set_deadline(steady::now() + server_.limits.requestTimeout);
    asio::async_write(socket_, asio::buffer(out_.data() + sent, out_.size() - sent),
                      [self = shared_from_this()](std::error_code ec, std::size_t) {
                        if (self->closed_) return;
                        if (ec) return self->close();
                        self->out_.clear();
                        self->release_large(self->out_);
                        self->written();
                      });
  }

  // Closes the connection when its deadline has passed; the server's sweep
  // calls it on the I/O thread.
  void check_deadline(steady::time_point now) {
    if (!closed_ && deadline_ <= now) close();
  }

 private:
  // A buffer grown beyond what a connection keeps is given back, its
  // contents (if any) kept.
  void release_large(std::string& buffer) const {
    if (buffer.capacity() > server_.limits.keptBufferBytes) std::string(buffer).swap(buffer);
  }

  void written() {
    busy_ = false;
    if (server_.stopping_) return close();
    parse();  // a next request may already be buffered
  }
  // A connection's deadline is a plain value checked by the server's sweep
  // (server_limits.h says how coarse), so moving it costs nothing per request.
  void set_deadline(steady::time_point at) { deadline_ = at; }
  void clear_deadline() { deadline_ = steady::time_point::max(); }

  // Reads what the socket has, or waits until it has something. Asio tries
  // the read at once: after a reply that finds nothing about half the time
  // (the client has not run yet), and otherwise takes the client's next
  // request without waiting in epoll for it. Waiting first (async_wait, then
  // a read) does not save that call: this Asio re-arms the descriptor with
  // epoll_ctl on every wait, which measured slower than the read it replaces.
  void read() {
    socket_.async_read_some(asio::buffer(chunk_), [self = shared_from_this()](std::error_code ec, std::size_t n) {
      if (self->closed_) return;
      if (ec) return self->close();
      self->in_.append(self->chunk_.data(), n);
      self->parse();
    });
  }

  // Takes the next request off the bytes received so far, or reads more.
  void parse() {
    const auto now = steady::now();
    if (in_.empty()) {
      inFrame_ = false;
      set_deadline(now + server_.limits.idleTimeout);
      return read();
    }
    if (!inFrame_) {
      inFrame_ = true;
      set_deadline(now + server_.limits.requestTimeout);
    }
    if (in_.size() < zpd_envelope::kHeaderBytes) return read();
    std::uint32_t length = 0;
    // A stream out of step cannot be resynchronised: the connection goes.
    if (!zpd_envelope::decode_header(in_, zpd_envelope::kRequestMagic, length) || length > server_.maxBody)
      return close();
    if (in_.size() - zpd_envelope::kHeaderBytes < length) return read();

    inFrame_ = false;
    if (server_.stopping_) return close();
    busy_ = true;
    clear_deadline();
    const auto received = now;  // the request's last byte has just been read
    if (!server_.pool) {
      // Handled here and now: the request is read where it lies, without a copy.
      std::string reply =
          server_.answer(std::string_view(in_).substr(zpd_envelope::kHeaderBytes, length), received, peerText_);
      in_.erase(0, zpd_envelope::kHeaderBytes + length);
      release_large(in_);
      const std::size_t sent = send_now(reply);
      return write(std::move(reply), sent);
    }
    auto body = std::make_shared<std::string>(in_, zpd_envelope::kHeaderBytes, length);
    in_.erase(0, zpd_envelope::kHeaderBytes + length);
    release_large(in_);
    auto job = [self = shared_from_this(), body, received] { self->server_.run_request(self, *body, received); };
    if (server_.laneOf(*body).try_submit(peer_, std::move(job))) return;
    std::string reply;
    zpd_envelope::encode_reply(ZPE_SRV_BUSY, {}, reply);
    server_.report(*body, reply, received, peerText_);
    write(std::move(reply));
  }

  Impl& server_;
  tcp::socket socket_;
  const std::uint64_t peer_;  // the peer's address, as the per-peer limits count it
  const std::string peerText_;
  steady::time_point deadline_ = steady::time_point::max();
  std::array<char, 16 * 1024> chunk_;
  std::string in_;   // received, not yet taken as a request
  std::string out_;  // the reply being written
  bool inFrame_ = false;
  bool busy_ = false;  // a request is with the workers or its reply is being written
  bool closed_ = false;
};

void TcpServer::Impl::accept() {
  acceptor.async_accept([this](std::error_code ec, tcp::socket socket) {
    if (stopping_ || ec == asio::error::operation_aborted) return;
    if (ec) {
      // Out of descriptors and the like: try again shortly instead of spinning.
      acceptRetry.expires_after(std::chrono::milliseconds(100));
      acceptRetry.async_wait([this](std::error_code e) {
        if (!e && !stopping_) accept();
      });
      return;
    }
    std::error_code ignored;
    const std::uint64_t peer = peerKey(socket);
    const auto open = perPeer_.find(peer);
    const std::size_t fromPeer = open == perPeer_.end() ? 0 : open->second;
    if (connections_.size() >= limits.maxConnections || fromPeer >= limits.maxConnectionsPerPeer) {
      socket.close(ignored);
    } else {
      socket.set_option(tcp::no_delay(true), ignored);
      auto c = std::make_shared<Connection>(*this, std::move(socket), peer);
      connections_.insert(c);
      ++perPeer_[peer];
      c->start();
    }
    accept();
  });
}

std::string TcpServer::Impl::peerText(const tcp::socket& socket) {
  std::error_code ec;
  const tcp::endpoint remote = socket.remote_endpoint(ec);
  if (ec) return {};
  try {
    return remote.address().to_string() + ":" + std::to_string(remote.port());
  } catch (...) {
    return {};
  }
}

std::string TcpServer::Impl::answer(std::string_view body, steady::time_point received, std::string_view peer) {
  std::string reply;
  try {
    reply = dispatcher->handle_envelope(body);
  } catch (...) {  // the dispatcher catches handlers' exceptions; this is allocation failing
    reply.clear();
    zpd_envelope::encode_reply(ZPE_SRV_EXCEPTION, {}, reply);
  }
  report(body, reply, received, peer);
  return reply;
}

void TcpServer::Impl::run_request(const std::shared_ptr<Connection>& c, const std::string& body,
                                  steady::time_point received) {
  // The connection waits for this reply with no deadline, so it must always
  // be handed back, whatever happened in answer().
  std::string reply = answer(body, received, c->peerText());
  const std::size_t sent = c->send_now(reply);
  asio::post(io, [c, reply = std::move(reply), sent]() mutable { c->write(std::move(reply), sent); });
}

WorkerPool& TcpServer::Impl::laneOf(std::string_view body) const {
  if (!readPool) return *pool;
  // A body that cannot be read is answered by the dispatcher's refusal, on
  // the ordinary lane like anything else not known to be a read.
  zpd_envelope::request req;
  if (!zpd_envelope::decode_request_body(body, req)) return *pool;
  try {
    return isRead(req.interfaceName, req.serviceCode) ? *readPool : *pool;
  } catch (...) {
    return *pool;
  }
}

void TcpServer::Impl::report(std::string_view body, const std::string& reply, steady::time_point received,
                             std::string_view peer) {
  if (!log) return;
  RequestLog entry{};
  zpd_envelope::request req;
  if (zpd_envelope::decode_request_body(body, req)) {
    entry.interfaceName = req.interfaceName;
    entry.serviceCode = req.serviceCode;
    entry.request = req.frame;
  }
  zpd_envelope::reply rep;
  entry.result = zpd_envelope::decode_reply(reply, rep) ? rep.result : ZPE_SRV_BAD_REPLY;
  if (entry.result != ZPE_SRV_BAD_REPLY) entry.reply = rep.frame;
  entry.peer = peer;
  entry.duration = std::chrono::duration_cast<std::chrono::microseconds>(steady::now() - received);
  try {
    log(entry);
  } catch (...) {  // a failing log line must not cost the client its reply
  }
}

void TcpServer::Impl::schedule_sweep() {
  sweep.expires_after(kSweepInterval);
  sweep.async_wait([this](std::error_code ec) {
    if (ec) return;
    const auto now = steady::now();
    const auto all = connections_;
    for (const auto& c : all) c->check_deadline(now);
    schedule_sweep();
  });
}

void TcpServer::Impl::begin_stop() {
  stopping_ = true;
  std::error_code ignored;
  acceptor.close(ignored);
  acceptRetry.cancel();
  sweep.cancel();
  // Connections waiting for or receiving a request go now; those with a
  // request in work close once its reply is written.
  const auto all = connections_;
  for (const auto& c : all) {
    if (!c->busy()) c->close();
  }
  check_drained();
}

void TcpServer::Impl::forget(const std::shared_ptr<Connection>& c) {
  if (connections_.erase(c) != 0) {
    const auto it = perPeer_.find(c->peer());
    if (it != perPeer_.end() && --it->second == 0) perPeer_.erase(it);
  }
  check_drained();
}

void TcpServer::Impl::check_drained() {
  if (stopping_ && connections_.empty() && !drainedSet_) {
    drainedSet_ = true;
    drained_.set_value();
  }
}

std::error_code TcpServer::Impl::start(const std::string& host, std::uint16_t wanted) {
  std::lock_guard lock(lifecycle_);
  // Buffers of large frames come from their own mappings and go back to the
  // system when freed. Left to itself, the allocator raises that threshold
  // after the first large free and keeps later large buffers in its heaps,
  // where a few big requests would pin their memory for good.
  ::mallopt(M_MMAP_THRESHOLD, static_cast<int>(limits.keptBufferBytes));
  if (started_ || stopped_) return std::make_error_code(std::errc::operation_not_permitted);
  std::error_code ec;
  tcp::resolver resolver(io);
  const auto found = resolver.resolve(host, std::to_string(wanted),
                                      tcp::resolver::passive | tcp::resolver::numeric_service, ec);
  if (ec) return ec;
  if (found.empty()) return asio::error::host_not_found;
  const tcp::endpoint endpoint = found.begin()->endpoint();
  acceptor.open(endpoint.protocol(), ec);
  if (!ec) acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
  if (!ec) acceptor.bind(endpoint, ec);
  if (!ec) acceptor.listen(asio::socket_base::max_listen_connections, ec);
  if (ec) {
    std::error_code ignored;
    acceptor.close(ignored);
    return ec;
  }
  port = acceptor.local_endpoint(ec).port();
  if (limits.workerThreads > 0) {
    const bool lanes = isRead && limits.readThreads > 0;
    pool = std::make_unique<WorkerPool>(limits.workerThreads, limits.queueLength,
                                        ThreadPriority{lanes ? limits.ordinaryNice : 0, {}}, "zp-work");
    if (lanes)
      readPool = std::make_unique<WorkerPool>(limits.readThreads, limits.queueLength,
                                              ThreadPriority{0, limits.quickSlice}, "zp-read");
  }
  accept();
  schedule_sweep();
  ioThread = std::thread([this] {
    ::pthread_setname_np(::pthread_self(), "zp-io");
    applyToThisThread({0, limits.quickSlice});
    for (;;) {
      try {
        io.run();
        return;
      } catch (...) {  // a handler ran out of memory; the others keep being served
      }
    }
  });
  started_ = true;
  return {};
}

void TcpServer::Impl::stop() {
  std::lock_guard lock(lifecycle_);
  if (!started_ || stopped_) {
    stopped_ = true;
    return;
  }
  stopped_ = true;
  auto drained = drained_.get_future();
  asio::post(io, [this] { begin_stop(); });
  drained.wait();
  // Nothing is queued any more: every connection is closed.
  if (pool) pool->stop();
  if (readPool) readPool->stop();
  work.reset();
  io.stop();
  ioThread.join();
}

TcpServer::TcpServer(std::shared_ptr<const zpd_dispatcher> dispatcher, Limits limits)
    : impl_(std::make_unique<Impl>(std::move(dispatcher), limits)) {}

TcpServer::~TcpServer() { impl_->stop(); }

void TcpServer::set_log_hook(LogHook hook) { impl_->log = std::move(hook); }

void TcpServer::set_read_lane(ReadClassifier isRead) { impl_->isRead = std::move(isRead); }

std::error_code TcpServer::start(const std::string& host, std::uint16_t port) { return impl_->start(host, port); }

std::uint16_t TcpServer::port() const { return impl_->port.load(); }

void TcpServer::stop() { impl_->stop(); }

}  // namespace zp::transport
