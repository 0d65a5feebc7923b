// The tcp:// transport: one connection per client object, one request at a
// time on it, every connect, send and receive bounded by the call's deadline.
// A client object that lets go of a connection in step leaves it for the
// next one bound to the same address (idle_connections).
//
// An order must never be doubled, so a request is sent at most once: a
// connection found dead before anything was sent is reopened (once per call),
// but once any byte of the request has left, a broken connection is reported
// (ZPE_RECEIVE) and the call is not repeated. Any failure of the transport
// drops the connection, so a late reply can never be taken for the next
// call's; a failure code the server answered with keeps it.
//
// Name resolution (getaddrinfo) is not bounded by the deadline; brokers are
// configured by address in practice.
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "zpd_envelope.h"
#include "zpd_transports.h"

namespace {

using steady = std::chrono::steady_clock;

// Milliseconds left until the deadline, rounded up so that poll never wakes
// just before it and spins.
int poll_budget(steady::time_point deadline) {
  const auto left = deadline - steady::now();
  if (left <= steady::duration::zero()) return 0;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

// 1 when the socket is ready for `events` (or has an error to report), 0 when
// the deadline passed first, -1 when poll itself failed.
int wait_for(int fd, short events, steady::time_point deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    const int n = ::poll(&p, 1, poll_budget(deadline));
    if (n > 0) return 1;
    if (n == 0) {
      if (steady::now() >= deadline) return 0;
      continue;
    }
    if (errno != EINTR) return -1;
  }
}

class unique_fd {
 public:
  unique_fd() = default;
  explicit unique_fd(int fd) : fd_(fd) {}
  unique_fd(unique_fd&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
  unique_fd& operator=(unique_fd&& o) noexcept {
    reset(std::exchange(o.fd_, -1));
    return *this;
  }
  ~unique_fd() { reset(); }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

struct addrinfo_deleter {
  void operator()(addrinfo* a) const { ::freeaddrinfo(a); }
};

// Connections in step that their client objects let go of, kept for the
// next client object bound to the same address. The screens make a short-
// lived client object for nearly every call, and a new TCP connection costs
// more than the call itself; a kept connection is checked with one peek
// before it is handed out again (see idle_connection_usable).
struct idle_connection {
  std::string host, port;
  unique_fd fd;
  steady::time_point lastReply;
  std::chrono::milliseconds receiveTimeout;
};

class idle_connections {
 public:
  static constexpr std::size_t kPerAddress = 4;  // a counter makes one call at a time; a few spare

  void put(idle_connection c) {
    std::lock_guard lock(mutex_);
    const auto same = std::count_if(kept_.begin(), kept_.end(), [&](const idle_connection& k) {
      return k.host == c.host && k.port == c.port;
    });
    if (static_cast<std::size_t>(same) >= kPerAddress) return;  // closed as `c` goes
    kept_.push_back(std::move(c));
  }

  // The most recently kept connection to the address, if any.
  bool take(const std::string& host, const std::string& port, idle_connection& out) {
    std::lock_guard lock(mutex_);
    for (auto it = kept_.rbegin(); it != kept_.rend(); ++it) {
      if (it->host != host || it->port != port) continue;
      out = std::move(*it);
      kept_.erase(std::next(it).base());
      return true;
    }
    return false;
  }

 private:
  std::mutex mutex_;
  std::vector<idle_connection> kept_;
};

idle_connections& kept_connections() {
  static auto* kept = new idle_connections;  // never destroyed: client objects may outlive statics
  return *kept;
}

class tcp_transport final : public zpd_transport {
 public:
  tcp_transport(std::string host, std::string port) : host_(std::move(host)), port_(std::move(port)) {}

  // A connection in step goes back to the kept ones for the next client.
  ~tcp_transport() override {
    if (fd_) kept_connections().put({host_, port_, std::move(fd_), lastReply_, receiveTimeout_});
  }

  std::int32_t open(steady::time_point deadline) {
    std::lock_guard lock(mutex_);
    for (idle_connection kept; kept_connections().take(host_, port_, kept);) {
      fd_ = std::move(kept.fd);
      if (idle_connection_usable()) {
        lastReply_ = kept.lastReply;
        receiveTimeout_ = kept.receiveTimeout;
        return 0;
      }
      fd_.reset();
    }
    return connect(deadline);
  }

  std::int32_t call(std::string_view interfaceName, std::string_view serviceCode, const std::string& request,
                    std::string& reply, std::chrono::milliseconds timeout) override {
    std::lock_guard lock(mutex_);
    reply.clear();
    const auto deadline = steady::now() + timeout;
    if (request.size() > zpb_limits::maxFrameBytes) return ZPE_BAD_REQUEST_STREAM;
    std::string& envelope = tx_;  // kept between calls: no allocation per call
    envelope.clear();
    if (!zpd_envelope::encode_request(interfaceName, serviceCode, request, envelope, nullptr, zpd_session(),
                                      zpd_call_key()))
      return ZPE_SEND;

    bool reopened = false;
    if (fd_ && steady::now() - lastReply_ > zpd_tcp_idle_check_after && !idle_connection_usable()) fd_.reset();
    if (!fd_) {
      if (const std::int32_t r = connect(deadline)) return r;
      reopened = true;
    }
    if (const std::int32_t r = send_all(envelope, deadline, reopened)) {
      fd_.reset();
      return r;
    }
    return receive(reply, timeout, deadline);
  }

 private:
  std::int32_t connect(steady::time_point deadline) {
    fd_.reset();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host_.c_str(), port_.c_str(), &hints, &found) != 0) return ZPE_CONNECT;
    const std::unique_ptr<addrinfo, addrinfo_deleter> list(found);
    for (const addrinfo* a = list.get(); a; a = a->ai_next) {
      unique_fd fd(::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol));
      if (!fd) continue;
      if (::connect(fd.get(), a->ai_addr, a->ai_addrlen) != 0) {
        if (errno != EINPROGRESS) continue;
        if (wait_for(fd.get(), POLLOUT, deadline) != 1) return ZPE_CONNECT;
        int err = 0;
        socklen_t len = sizeof err;
        if (::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &err, &len) != 0 || err != 0) continue;
      }
      // Requests are small and each waits for its reply: no Nagle delay.
      const int one = 1;
      ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      // From here on the socket blocks, so the wait for a reply is the read
      // itself, bounded by the receive timeout (see wait_and_read); sends
      // and every further read say MSG_DONTWAIT and wait with poll.
      ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
      receiveTimeout_ = std::chrono::milliseconds(-1);
      lastReply_ = {};
      fd_ = std::move(fd);
      return 0;
    }
    return ZPE_CONNECT;
  }

  // Between calls nothing may be readable: the server only speaks when asked.
  // End of stream means it closed the connection (an idle deadline, a
  // restart); stray bytes mean the connection is out of step. Either way it
  // must not carry the next request.
  // One peek answers all three: nothing to read (usable), end of stream,
  // or stray bytes. A connection that delivered a whole reply within the
  // last zpd_tcp_idle_check_after is taken as it is (see zpd_transports.h).
  bool idle_connection_usable() {
    char c;
    ssize_t k;
    do k = ::recv(fd_.get(), &c, 1, MSG_PEEK | MSG_DONTWAIT);
    while (k < 0 && errno == EINTR);
    return k < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
  }

  std::int32_t send_all(const std::string& bytes, steady::time_point deadline, bool reopened) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      const ssize_t k = ::send(fd_.get(), bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (k > 0) {
        sent += static_cast<std::size_t>(k);
        continue;
      }
      if (k < 0 && errno == EINTR) continue;
      if (k < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        const int w = wait_for(fd_.get(), POLLOUT, deadline);
        if (w == 0) return ZPE_TIMEOUT;
        if (w < 0) return sent == 0 ? ZPE_SEND : ZPE_RECEIVE;
        continue;
      }
      // Nothing of this request reached the connection yet, so opening a
      // new one cannot double it.
      if (sent == 0 && !reopened) {
        reopened = true;
        if (const std::int32_t r = connect(deadline)) return r;
        continue;
      }
      return sent == 0 ? ZPE_SEND : ZPE_RECEIVE;
    }
    return 0;
  }

  // Reads at least one byte and at most `most` into `at`, waiting for the
  // first one until the deadline; `got` is how many.
  std::int32_t receive_some(char* at, std::size_t most, std::size_t& got, steady::time_point deadline) {
    for (;;) {
      const int w = wait_for(fd_.get(), POLLIN, deadline);
      if (w == 0) return ZPE_TIMEOUT;
      if (w < 0) return ZPE_RECEIVE;
      const ssize_t k = ::recv(fd_.get(), at, most, MSG_DONTWAIT);
      if (k > 0) {
        got = static_cast<std::size_t>(k);
        return 0;
      }
      if (k == 0) return ZPE_RECEIVE;
      if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) return ZPE_RECEIVE;
    }
  }

  // The first read of a reply: one blocking read bounded by the socket's
  // receive timeout, which is what is left of the call's deadline (set again
  // only when that changes). A reply never arrives the instant its request
  // left, so waiting with poll first would only cost a second system call.
  // Left to the millisecond above, the time is the call's whole timeout
  // unless opening the connection or sending took a millisecond or more:
  // that time is not given again to the wait.
  std::int32_t wait_and_read(char* at, std::size_t most, std::size_t& got, std::chrono::milliseconds timeout,
                             steady::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - steady::now());
    if (left.count() <= 0) return ZPE_TIMEOUT;
    timeout = std::min(timeout, left);
    if (timeout != receiveTimeout_) {
      const auto ms = std::max<long long>(1, timeout.count());
      timeval tv{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>(ms % 1000 * 1000)};
      if (::setsockopt(fd_.get(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) != 0)
        return receive_some(at, most, got, deadline);
      receiveTimeout_ = timeout;
    }
    for (;;) {
      const ssize_t k = ::recv(fd_.get(), at, most, 0);
      if (k > 0) {
        got = static_cast<std::size_t>(k);
        return 0;
      }
      if (k == 0) return ZPE_RECEIVE;
      if (errno == EINTR) {
        if (steady::now() >= deadline) return ZPE_TIMEOUT;
        continue;
      }
      if (errno == EAGAIN || errno == EWOULDBLOCK) return ZPE_TIMEOUT;
      return ZPE_RECEIVE;
    }
  }

  // The reply to the request just sent. A failure here leaves the connection
  // out of step, so it is dropped; a server's failure code arrives in a
  // complete envelope and leaves it usable.
  std::int32_t receive(std::string& reply, std::chrono::milliseconds timeout, steady::time_point deadline) {
    const auto broken = [this](std::int32_t code) {
      fd_.reset();
      return code;
    };
    // The receive buffer is kept between calls. It grows only as far as the
    // announced length once the header is in, and by the bytes that actually
    // arrive, so a peer that announces a large reply and stalls costs little.
    constexpr std::size_t kFirst = 4096, kChunk = 64 * 1024;
    if (rx_.size() < kFirst) rx_.resize(kFirst);
    std::size_t have = 0, got = 0;
    if (const std::int32_t r = wait_and_read(rx_.data(), kFirst, got, timeout, deadline)) return broken(r);
    have = got;
    while (have < zpd_envelope::kHeaderBytes) {
      if (const std::int32_t r = receive_some(rx_.data() + have, kFirst - have, got, deadline)) return broken(r);
      have += got;
    }
    std::uint32_t length = 0;
    if (!zpd_envelope::decode_header(std::string_view(rx_.data(), have), zpd_envelope::kReplyMagic, length))
      return broken(ZPE_BAD_REPLY);
    const std::size_t total = zpd_envelope::kHeaderBytes + length;
    if (have > total) return broken(ZPE_BAD_REPLY);  // the server sends nothing unasked
    while (have < total) {
      const std::size_t want = std::min(kChunk, total - have);
      if (rx_.size() < have + want) rx_.resize(have + want);
      if (const std::int32_t r = receive_some(rx_.data() + have, want, got, deadline)) return broken(r);
      have += got;
    }
    zpd_envelope::reply decoded;
    if (!zpd_envelope::decode_reply_body(std::string_view(rx_.data() + zpd_envelope::kHeaderBytes, length), decoded))
      return broken(ZPE_BAD_REPLY);
    if (!zpd_is_runtime_failure(decoded.result)) reply.assign(decoded.frame);
    lastReply_ = steady::now();  // the connection is in step
    if (rx_.size() > 1024 * 1024) {  // a large buffer is not kept after a large reply
      rx_.clear();
      rx_.shrink_to_fit();
    }
    return decoded.result;
  }

  std::mutex mutex_;  // one request at a time on the connection
  std::chrono::milliseconds receiveTimeout_{-1};  // the socket's receive timeout, as last set
  steady::time_point lastReply_{};  // when the connection last delivered a whole reply
  std::string tx_;  // the request envelope being sent
  std::string rx_;  // receive buffer
  const std::string host_;
  const std::string port_;
  unique_fd fd_;
};

// "host:port" or "[v6-host]:port"; false when it does not parse.
bool split_host_port(std::string_view text, std::string& host, std::string& port) {
  const auto colon = text.rfind(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  std::string_view h = text.substr(0, colon);
  const std::string_view p = text.substr(colon + 1);
  if (h.front() == '[') {
    if (h.size() < 3 || h.back() != ']') return false;
    h = h.substr(1, h.size() - 2);
  } else if (h.find(':') != std::string_view::npos) {
    return false;  // a bare IPv6 address is ambiguous: it needs brackets
  }
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(p.data(), p.data() + p.size(), value);
  if (p.empty() || ec != std::errc() || end != p.data() + p.size() || value == 0 || value > 65535) return false;
  host.assign(h);
  port = std::to_string(value);
  return true;
}

}  // namespace

std::int32_t zpd_open_tcp(std::string_view hostPort, std::chrono::milliseconds timeout,
                          std::unique_ptr<zpd_transport>& out) {
  std::string host, port;
  // Tolerate a trailing slash: "tcp://host:port/".
  if (hostPort.ends_with('/')) hostPort.remove_suffix(1);
  if (!split_host_port(hostPort, host, port)) return ZPE_BROKER_UNKNOWN;
  auto t = std::make_unique<tcp_transport>(std::move(host), std::move(port));
  if (const std::int32_t r = t->open(steady::now() + timeout)) return r;
  out = std::move(t);
  return 0;
}
