#include "zpd_client.h"

#include <unistd.h>

#include <array>
#include <cctype>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <random>

#include "zpb_stream.h"
#include "zpd_envelope.h"
#include "zpd_stub.h"
#include "zpd_transports.h"

namespace {

constexpr std::chrono::milliseconds kDefaultTimeout{30000};

const char* known_text(std::int32_t code) {
  switch (code) {
    case ZPE_NOT_BOUND: return "ZPE_NOT_BOUND: the client object is not bound to a broker";
    case ZPE_BROKER_UNKNOWN: return "ZPE_BROKER_UNKNOWN: no usable address is configured for the broker";
    case ZPE_CONNECT: return "ZPE_CONNECT: the broker's address could not be reached";
    case ZPE_SEND: return "ZPE_SEND: the request could not be sent";
    case ZPE_RECEIVE: return "ZPE_RECEIVE: the connection broke before the reply came";
    case ZPE_TIMEOUT: return "ZPE_TIMEOUT: no reply within the call's deadline";
    case ZPE_BAD_REPLY: return "ZPE_BAD_REPLY: the reply was malformed or too large";
    case ZPE_BAD_REQUEST_STREAM: return "ZPE_BAD_REQUEST_STREAM: the request stream is not one complete frame";
    case ZPE_SRV_NO_INTERFACE: return "ZPE_SRV_NO_INTERFACE: the server has no such interface";
    case ZPE_SRV_NO_SERVICE: return "ZPE_SRV_NO_SERVICE: the interface has no such service code";
    case ZPE_SRV_BAD_REQUEST: return "ZPE_SRV_BAD_REQUEST: the server could not read the request";
    case ZPE_SRV_EXCEPTION: return "ZPE_SRV_EXCEPTION: the service failed unexpectedly";
    case ZPE_SRV_BAD_REPLY: return "ZPE_SRV_BAD_REPLY: the server could not write the reply";
    case ZPE_SRV_BUSY: return "ZPE_SRV_BUSY: the server is overloaded or stopping";
    case ZPE_SRV_STORAGE: return "ZPE_SRV_STORAGE: the server's storage is unavailable";
    // The stubs write their own texts; these only serve a caller that asks.
    case ZPE_CLN_MARSHAL_IN: return "ZPE_CLN_MARSHAL_IN: the request could not be written";
    case ZPE_CLN_MARSHAL_OUT: return "ZPE_CLN_MARSHAL_OUT: the reply could not be read";
    case ZPE_CLN_IN_BEGIN_STREAM: return "ZPE_CLN_IN_BEGIN_STREAM: the request frame could not be begun";
    case ZPE_CLN_IN_END_STREAM: return "ZPE_CLN_IN_END_STREAM: the request frame could not be ended";
    case ZPE_CLN_OUT_BEGIN_STREAM: return "ZPE_CLN_OUT_BEGIN_STREAM: the reply frame could not be begun";
    case ZPE_CLN_OUT_END_STREAM: return "ZPE_CLN_OUT_END_STREAM: the reply frame could not be ended";
    case ZPE_CLN_ZPB_EXCEPTION: return "ZPE_CLN_ZPB_EXCEPTION: an exception ended the call";
    case ZPE_CLN_RESERVED_SLOT: return "ZPE_CLN_RESERVED_SLOT: the operation is not supported";
    default: return nullptr;
  }
}

std::string generic_text(std::int32_t code) {
  if (zpd_is_runtime_failure(code)) return "runtime failure " + std::to_string(code);
  return "result " + std::to_string(code) + " is not a runtime failure code";
}

std::optional<std::string> env(const char* name) {
  const char* v = std::getenv(name);
  if (!v || !*v) return std::nullopt;
  return std::string(v);
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool same_key(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

std::filesystem::path run_directory() {
  if (auto dir = env("ZP_RUN_PATH")) return *dir;
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : exe.parent_path();
}

// The value of "key=value" in zpclient.ini of the run directory. Keys compare
// without case, as the broker names of the environment do; lines starting
// with '#' or ';' and section headers are skipped.
std::optional<std::string> setting(std::string_view key) {
  const auto dir = run_directory();
  if (dir.empty()) return std::nullopt;
  std::ifstream in(dir / "zpclient.ini");
  std::string line;
  while (std::getline(in, line)) {
    const std::string_view l = trim(line);
    if (l.empty() || l.front() == '#' || l.front() == ';' || l.front() == '[') continue;
    const auto eq = l.find('=');
    if (eq == std::string_view::npos) continue;
    if (!same_key(trim(l.substr(0, eq)), key)) continue;
    const std::string_view value = trim(l.substr(eq + 1));
    if (value.empty()) continue;
    return std::string(value);
  }
  return std::nullopt;
}

std::optional<std::chrono::milliseconds> parse_timeout(std::string_view text) {
  long long ms = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), ms);
  if (ec != std::errc() || end != text.data() + text.size() || ms <= 0 || ms > INT_MAX) return std::nullopt;
  return std::chrono::milliseconds(ms);
}

// The request stream must hold one frame that its writer began and that has
// not failed; anything else would reach the server as garbage.
bool complete_request(const zpb_stream& in) {
  return in.complete() && in.bytes().size() <= zpb_limits::maxFrameBytes;
}

}  // namespace

const char* zpd_getErrorMsg(std::int32_t code) {
  if (const char* text = known_text(code)) return text;
  // Texts of the whole runtime range live as long as the process, so a caller
  // may keep the pointer; anything else is formatted per thread.
  static const auto runtime = [] {
    std::array<std::string, 30> texts;
    for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = generic_text(-9999 + static_cast<std::int32_t>(i));
    return texts;
  }();
  if (zpd_is_runtime_failure(code)) return runtime[static_cast<std::size_t>(code + 9999)].c_str();
  thread_local std::string other;
  other = generic_text(code);
  return other.c_str();
}

std::string zpd_resolve_broker(std::string_view brokerName) {
  if (brokerName.empty()) return {};
  std::string var = "ZP_BROKER_";
  for (unsigned char c : brokerName) var.push_back(std::isalnum(c) ? static_cast<char>(std::toupper(c)) : '_');
  if (auto address = env(var.c_str())) return *address;
  return setting(brokerName).value_or(std::string());
}

std::chrono::milliseconds zpd_default_timeout() {
  if (auto text = env("ZP_CALL_TIMEOUT_MS")) {
    if (auto t = parse_timeout(*text)) return *t;
  }
  if (auto text = setting("timeout_ms")) {
    if (auto t = parse_timeout(*text)) return *t;
  }
  return kDefaultTimeout;
}

std::int32_t zpd_open_transport(std::string_view address, std::chrono::milliseconds timeout,
                                std::unique_ptr<zpd_transport>& out) {
  constexpr std::string_view inproc = "inproc:";
  constexpr std::string_view tcp = "tcp://";
  address = trim(address);
  if (address.starts_with(inproc)) return zpd_open_inproc(address.substr(inproc.size()), out);
  if (address.starts_with(tcp)) return zpd_open_tcp(address.substr(tcp.size()), timeout, out);
  return ZPE_BROKER_UNKNOWN;
}

namespace {
thread_local std::optional<std::string> threadSession;
std::mutex sessionMutex;
std::string& processSession() {
  static auto* s = new std::string;  // never destroyed: calls may run during exit
  return *s;
}
}  // namespace

void zpd_set_session(std::string session) {
  std::lock_guard lock(sessionMutex);
  processSession() = std::move(session);
}

void zpd_set_thread_session(std::optional<std::string> session) { threadSession = std::move(session); }

namespace {
thread_local std::string threadCallKey;
}  // namespace

zpd_call_key_scope::zpd_call_key_scope(std::string key) : saved_(std::move(threadCallKey)) {
  threadCallKey = std::move(key);
}
zpd_call_key_scope::~zpd_call_key_scope() { threadCallKey = std::move(saved_); }

const std::string& zpd_call_key() { return threadCallKey; }

std::string zpd_new_call_key() {
  // Seeded once per thread from the system's source: keys must not repeat,
  // and a device read per order costs more than the key is worth.
  thread_local std::mt19937 random = [] {
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device(), device(), device(), device(), device()};
    return std::mt19937(seed);
  }();
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string key;
  key.reserve(32);
  for (int i = 0; i < 4; ++i) {
    std::uint32_t v = random();
    for (int j = 0; j < 8; ++j, v >>= 4) key.push_back(kDigits[v & 15]);
  }
  return key;
}

std::string zpd_session() {
  if (threadSession) return *threadSession;
  std::lock_guard lock(sessionMutex);
  return processSession();
}

CZpdClientObject::CZpdClientObject() : timeout_(zpd_default_timeout()) {}

CZpdClientObject::~CZpdClientObject() { CZpdClientObject::unbind(); }

std::int32_t CZpdClientObject::call_server(const char* interfaceName, const char* serviceCode, SZPSession*,
                                           zpb_stream& in, zpb_stream& out) {
  if (!transport_) return ZPE_NOT_BOUND;
  if (!complete_request(in)) return ZPE_BAD_REQUEST_STREAM;
  if (!interfaceName || !serviceCode || !zpd_envelope::valid_name(interfaceName) ||
      !zpd_envelope::valid_name(serviceCode))
    return ZPE_SEND;
  std::string reply;
  const std::int32_t r = transport_->call(interfaceName, serviceCode, in.bytes(), reply, timeout_);
  if (!zpd_is_runtime_failure(r)) out.open_for_reading(std::move(reply));
  return r;
}

std::int32_t CZpdClientObject::bind(const char* brokerName) {
  unbind();
  const std::string address = zpd_resolve_broker(brokerName ? brokerName : "");
  if (address.empty()) return ZPE_BROKER_UNKNOWN;
  std::unique_ptr<zpd_transport> t;
  const std::int32_t r = zpd_open_transport(address, timeout_, t);
  if (r != 0) return r;
  transport_ = std::move(t);
  return 0;
}

void CZpdClientObject::unbind() { transport_.reset(); }

std::int32_t CZpdClientObject::reserved_slot() { return 0; }
