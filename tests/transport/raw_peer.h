// Plain POSIX sockets for test peers that misbehave on purpose: a server that
// never answers or breaks off mid-reply, a client that sends garbage or
// stalls half-way through a frame.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "zpd_envelope.h"

namespace zp::testing {

using std::chrono::milliseconds;
using steady = std::chrono::steady_clock;

class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(Fd&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
  Fd& operator=(Fd&& o) noexcept {
    reset(std::exchange(o.fd_, -1));
    return *this;
  }
  ~Fd() { reset(); }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

inline sockaddr_in loopback(std::uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

// True when fd becomes ready for `events` within `within`.
inline bool ready(int fd, short events, milliseconds within) {
  pollfd p{fd, events, 0};
  return ::poll(&p, 1, static_cast<int>(within.count())) > 0;
}

// A listening socket on 127.0.0.1 and a free port.
class RawListener {
 public:
  RawListener() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    const int one = 1;
    ::setsockopt(fd_.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a = loopback(0);
    if (::bind(fd_.get(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_.get(), 16) != 0) {
      fd_.reset();
      return;
    }
    socklen_t len = sizeof a;
    ::getsockname(fd_.get(), reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  std::uint16_t port() const { return port_; }
  std::string address() const { return "tcp://127.0.0.1:" + std::to_string(port_); }
  // The next connection, or an empty Fd when none came within `within`.
  Fd accept(milliseconds within) {
    if (!ready(fd_.get(), POLLIN, within)) return Fd();
    return Fd(::accept4(fd_.get(), nullptr, nullptr, SOCK_CLOEXEC));
  }
  void close() { fd_.reset(); }

 private:
  Fd fd_;
  std::uint16_t port_ = 0;
};

// A port on loopback that nothing listens on (as far as can be known).
inline std::uint16_t unused_port() {
  RawListener l;
  return l.port();
}

// A blocking connection to 127.0.0.1:port from another loopback address
// (127.0.0.2 and the like): a second machine, as the server counts peers.
inline Fd connect_from(const char* source, std::uint16_t port) {
  Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in from{};
  from.sin_family = AF_INET;
  ::inet_pton(AF_INET, source, &from.sin_addr);
  if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0) return Fd();
  const sockaddr_in a = loopback(port);
  if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) return Fd();
  return fd;
}

// A blocking connection to 127.0.0.1:port; empty when refused.
inline Fd connect_to(std::uint16_t port) {
  Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  const sockaddr_in a = loopback(port);
  if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) return Fd();
  return fd;
}

inline bool send_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Appends exactly n bytes read within `within`; false on end of stream, an
// error or the time running out.
inline bool recv_exact(int fd, std::string& out, std::size_t n, milliseconds within) {
  const auto deadline = steady::now() + within;
  char buf[65536];
  while (n > 0) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - steady::now());
    if (left.count() <= 0 || !ready(fd, POLLIN, left)) return false;
    const ssize_t k = ::recv(fd, buf, std::min(n, sizeof buf), 0);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return false;
    out.append(buf, static_cast<std::size_t>(k));
    n -= static_cast<std::size_t>(k);
  }
  return true;
}

// One whole envelope (header and body) of either direction.
inline std::optional<std::string> recv_envelope(int fd, milliseconds within = milliseconds(5000)) {
  std::string bytes;
  if (!recv_exact(fd, bytes, zpd_envelope::kHeaderBytes, within)) return std::nullopt;
  std::uint32_t length = 0;
  std::memcpy(&length, bytes.data() + 4, 4);
  if (length > zpd_envelope::kMaxRequestBody) return std::nullopt;
  if (!recv_exact(fd, bytes, length, within)) return std::nullopt;
  return bytes;
}

// Reads and drops whatever comes until the peer closes; false when the
// connection is still open after `within`. `received` counts the bytes.
inline bool closed_within(int fd, milliseconds within, std::size_t* received = nullptr) {
  const auto deadline = steady::now() + within;
  char buf[65536];
  for (;;) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - steady::now());
    if (left.count() <= 0 || !ready(fd, POLLIN, left)) return false;
    const ssize_t k = ::recv(fd, buf, sizeof buf, 0);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return true;  // end of stream or reset
    if (received) *received += static_cast<std::size_t>(k);
  }
}

}  // namespace zp::testing
