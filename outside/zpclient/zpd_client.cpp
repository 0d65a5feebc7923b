#include "zpd_client.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <random>
#include <utility>
#include <vector>

#include "zpb_stream.h"
#include "zpd_envelope.h"
#include "zpd_stub.h"
#include "zpd_transports.h"

namespace {

constexpr std::chrono::milliseconds kDefaultTimeout{30000};

// What each failure means, for the counter's staff; the symbolic code
// follows in brackets for support.
const char* known_text(std::int32_t code) {
  switch (code) {
    case ZPE_NOT_BOUND: return "未连接后台服务[ZPE_NOT_BOUND,-9999]";
    case ZPE_BROKER_UNKNOWN: return "没有配置可用的后台服务地址[ZPE_BROKER_UNKNOWN,-9998]";
    case ZPE_CONNECT: return "无法连接后台服务[ZPE_CONNECT,-9997]";
    case ZPE_SEND: return "请求未能发送到后台服务[ZPE_SEND,-9994]";
    case ZPE_RECEIVE: return "应答到达之前与后台服务的连接断开了[ZPE_RECEIVE,-9993]";
    case ZPE_TIMEOUT: return "后台服务在限定时间内没有应答[ZPE_TIMEOUT,-9992]";
    case ZPE_BAD_REPLY: return "后台服务的应答无法识别或过大[ZPE_BAD_REPLY,-9991]";
    case ZPE_BAD_REQUEST_STREAM: return "请求报文不完整,没有发送[ZPE_BAD_REQUEST_STREAM,-9986]";
    case ZPE_SRV_NO_INTERFACE: return "后台服务没有这个接口[ZPE_SRV_NO_INTERFACE,-9984]";
    case ZPE_SRV_NO_SERVICE: return "后台服务的接口没有这个服务[ZPE_SRV_NO_SERVICE,-9983]";
    case ZPE_SRV_BAD_REQUEST: return "后台服务无法读取请求[ZPE_SRV_BAD_REQUEST,-9982]";
    case ZPE_SRV_EXCEPTION: return "后台服务处理请求时发生意外错误[ZPE_SRV_EXCEPTION,-9981]";
    case ZPE_SRV_BAD_REPLY: return "后台服务无法写出应答[ZPE_SRV_BAD_REPLY,-9980]";
    case ZPE_SRV_BUSY: return "后台服务繁忙或正在停止[ZPE_SRV_BUSY,-9978]";
    case ZPE_SRV_STORAGE: return "后台服务的数据库暂时不可用[ZPE_SRV_STORAGE,-9977]";
    // The stubs write their own texts; these only serve a caller that asks.
    case ZPE_CLN_MARSHAL_IN: return "请求无法写入报文[ZPE_CLN_MARSHAL_IN,-9996]";
    case ZPE_CLN_MARSHAL_OUT: return "应答无法读出[ZPE_CLN_MARSHAL_OUT,-9995]";
    case ZPE_CLN_IN_BEGIN_STREAM: return "请求报文无法开始[ZPE_CLN_IN_BEGIN_STREAM,-9990]";
    case ZPE_CLN_IN_END_STREAM: return "请求报文无法结束[ZPE_CLN_IN_END_STREAM,-9989]";
    case ZPE_CLN_OUT_BEGIN_STREAM: return "应答报文无法开始[ZPE_CLN_OUT_BEGIN_STREAM,-9988]";
    case ZPE_CLN_OUT_END_STREAM: return "应答报文无法结束[ZPE_CLN_OUT_END_STREAM,-9987]";
    case ZPE_CLN_ZPB_EXCEPTION: return "调用因异常中断[ZPE_CLN_ZPB_EXCEPTION,-9985]";
    case ZPE_CLN_RESERVED_SLOT: return "不支持的操作[ZPE_CLN_RESERVED_SLOT,-9979]";
    default: return nullptr;
  }
}

// The bracketed code at the end of a known text, for texts that say more.
std::string code_tag(std::int32_t code) {
  const char* text = known_text(code);
  if (!text) return "[" + std::to_string(code) + "]";
  const std::string_view t(text);
  return std::string(t.substr(t.rfind('[')));
}

// "30秒", "1500毫秒".
std::string deadline_text(std::chrono::milliseconds t) {
  if (t.count() % 1000 == 0) return std::to_string(t.count() / 1000) + "秒";
  return std::to_string(t.count()) + "毫秒";
}

std::string generic_text(std::int32_t code) {
  if (zpd_is_runtime_failure(code)) return "后台服务调用失败[" + std::to_string(code) + "]";
  return "结果[" + std::to_string(code) + "]不是运行时的失败代码";
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
  // The executable does not move while it runs.
  static const std::filesystem::path exeDir = [] {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe.parent_path();
  }();
  return exeDir;
}

// The settings of zpclient.ini in the run directory: "key=value" lines with
// a value, in file order; lines starting with '#' or ';' and section headers
// are skipped.
using Settings = std::vector<std::pair<std::string, std::string>>;

Settings readSettings(const std::filesystem::path& file) {
  Settings out;
  std::ifstream in(file);
  std::string line;
  bool first = true;
  while (std::getline(in, line)) {
    std::string_view l = trim(line);
    // A file saved by an editor that marks its text as UTF-8 begins with the
    // mark; its first line is a setting all the same.
    if (std::exchange(first, false) && l.starts_with("\xEF\xBB\xBF")) l = trim(l.substr(3));
    if (l.empty() || l.front() == '#' || l.front() == ';' || l.front() == '[') continue;
    const auto eq = l.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view value = trim(l.substr(eq + 1));
    if (value.empty()) continue;
    out.emplace_back(trim(l.substr(0, eq)), value);
  }
  return out;
}

// Every client object asks for its timeout and every bind for its address:
// the file is read again only when it is another file, or has changed since
// (its size, or the time it was last written, differs).
struct KeptSettings {
  std::mutex mutex;
  std::filesystem::path file;
  struct stat seen {};
  Settings settings;
};

// The value of `key` in zpclient.ini of the run directory. Keys compare
// without case, as the broker names of the environment do.
std::optional<std::string> setting(std::string_view key) {
  const auto dir = run_directory();
  if (dir.empty()) return std::nullopt;
  const std::filesystem::path file = dir / "zpclient.ini";
  struct stat now {};
  if (::stat(file.c_str(), &now) != 0) return std::nullopt;
  static KeptSettings kept;
  std::lock_guard lock(kept.mutex);
  if (kept.file != file || kept.seen.st_ino != now.st_ino || kept.seen.st_dev != now.st_dev ||
      kept.seen.st_size != now.st_size || kept.seen.st_mtim.tv_sec != now.st_mtim.tv_sec ||
      kept.seen.st_mtim.tv_nsec != now.st_mtim.tv_nsec) {
    kept.settings = readSettings(file);
    kept.file = file;
    kept.seen = now;
  }
  for (const auto& [name, value] : kept.settings)
    if (same_key(name, key)) return value;
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
  key.reserve(kCallKeyClockDigits + 32);
  // The clock first, so that keys made one after another sort one after
  // another (on one thread, always; across threads, a microsecond apart): the server's index of kept keys then grows at its end, one page
  // for a whole batch of orders, instead of one page somewhere per key.
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
  // Two keys of one thread in the same microsecond still sort in turn.
  thread_local std::uint64_t last = 0;
  const std::uint64_t clock = std::max(static_cast<std::uint64_t>(std::max<std::int64_t>(micros, 0)), last + 1);
  last = clock;
  for (int digit = kCallKeyClockDigits - 1; digit >= 0; --digit) key.push_back(kDigits[(clock >> (4 * digit)) & 15]);
  for (int i = 0; i < 4; ++i) {
    std::uint32_t v = random();
    for (int j = 0; j < 8; ++j, v >>= 4) key.push_back(kDigits[v & 15]);
  }
  return key;
}

std::int64_t zpd_call_key_micros(std::string_view key) {
  if (key.size() != static_cast<std::size_t>(kCallKeyClockDigits) + 32) return -1;
  std::uint64_t clock = 0;
  for (std::size_t i = 0; i < key.size(); ++i) {
    const char c = key[i];
    const int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (v < 0) return -1;
    if (i < static_cast<std::size_t>(kCallKeyClockDigits)) clock = clock << 4 | static_cast<std::uint64_t>(v);
  }
  return static_cast<std::int64_t>(clock);  // 14 digits: 56 bits, always positive
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
  broker_ = brokerName ? brokerName : "";
  address_ = zpd_resolve_broker(broker_);
  bindFailure_ = ZPE_BROKER_UNKNOWN;
  if (address_.empty()) return bindFailure_;
  std::unique_ptr<zpd_transport> t;
  bindFailure_ = zpd_open_transport(address_, timeout_, t);
  if (bindFailure_ != 0) return bindFailure_;
  transport_ = std::move(t);
  return 0;
}

std::string CZpdClientObject::failure_text(std::int32_t code) const {
  // A client object never bound (a test's scripted one) knows no address.
  if (broker_.empty() && address_.empty() && code != ZPE_BROKER_UNKNOWN) return zpd_getErrorMsg(code);
  const std::string broker = "后台服务[" + broker_ + "]";
  const std::string at = broker + (address_.empty() ? std::string() : "(" + address_ + ")");
  const std::string tag = code_tag(code);
  switch (code) {
    case ZPE_NOT_BOUND:
      if (bindFailure_ != 0 && bindFailure_ != ZPE_NOT_BOUND)
        return "未连接后台服务" + tag + ",因为" + failure_text(bindFailure_);
      return "未连接" + at + tag;
    case ZPE_BROKER_UNKNOWN:
      if (address_.empty()) {
        std::string var = "ZP_BROKER_";
        for (unsigned char c : broker_) var.push_back(std::isalnum(c) ? static_cast<char>(std::toupper(c)) : '_');
        return "没有配置" + broker + "的地址:请在运行目录的zpclient.ini中写入\"" + broker_ +
               "=tcp://主机:端口\",或设置环境变量" + var + tag;
      }
      return broker + "的地址[" + address_ + "]无法使用,应为tcp://主机:端口" + tag;
    case ZPE_CONNECT:
      return "无法在" + deadline_text(timeout_) + "内连接" + at + ":请确认后台服务已启动、网络畅通" + tag;
    case ZPE_SEND: return "请求未能发送到" + at + tag;
    case ZPE_RECEIVE: return "应答到达之前与" + at + "的连接断开了" + tag;
    case ZPE_TIMEOUT: return at + "在" + deadline_text(timeout_) + "内没有应答" + tag;
    case ZPE_BAD_REPLY: return at + "的应答无法识别或过大" + tag;
    // The server turned the call away without running it: it may be made again.
    case ZPE_SRV_BUSY:
    case ZPE_SRV_STORAGE: return std::string(zpd_getErrorMsg(code)) + ":" + at + ",请稍后再试";
    default: return std::string(zpd_getErrorMsg(code)) + ":" + at;
  }
}

void CZpdClientObject::unbind() { transport_.reset(); }

std::int32_t CZpdClientObject::reserved_slot() { return 0; }
