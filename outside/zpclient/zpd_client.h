// The client side of the runtime: client objects bound to a broker, and the
// runtime's failure codes.
//
// A broker name resolves to an address through ZP_BROKER_<NAME> in the
// environment, or else the line "<NAME>=<address>" of zpclient.ini in the run
// directory (ZP_RUN_PATH, or the folder of the running program). Addresses:
//   inproc:<name>        a dispatcher registered in this process (zpd_server.h)
//   tcp://<host>:<port>  a server on the network
// Every call has a deadline (ZP_CALL_TIMEOUT_MS or "timeout_ms=" in the same
// file, 30 s by default); a dead or silent server becomes a failure code.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class zpb_stream;

// Failure codes of the runtime, all in [-9999, -9970). The stub codes -9996,
// -9995 and -9990 .. -9985 are the stubs' own and never returned here.
enum zpd_error : std::int32_t {
  ZPE_NOT_BOUND = -9999,           // the client object is not bound to a broker
  ZPE_BROKER_UNKNOWN = -9998,      // no address is configured for the broker name
  ZPE_CONNECT = -9997,             // the broker's address could not be reached
  ZPE_SEND = -9994,                // the request could not be sent
  ZPE_RECEIVE = -9993,             // the connection broke before the reply came
  ZPE_TIMEOUT = -9992,             // no reply within the call's deadline
  ZPE_BAD_REPLY = -9991,           // the reply envelope was malformed or too large
  ZPE_BAD_REQUEST_STREAM = -9986,  // the request stream is not one complete frame
  ZPE_SRV_NO_INTERFACE = -9984,    // the server has no such interface
  ZPE_SRV_NO_SERVICE = -9983,      // the interface has no such service code
  ZPE_SRV_BAD_REQUEST = -9982,     // the server could not read the request
  ZPE_SRV_EXCEPTION = -9981,       // the service failed unexpectedly
  ZPE_SRV_BAD_REPLY = -9980,       // the service's reply could not be written
  ZPE_SRV_BUSY = -9978,            // the server refused the call: overloaded or stopping
  ZPE_SRV_STORAGE = -9977,         // the server's storage is unavailable
};

// True for a code that the runtime produced (a transport or server failure).
constexpr bool zpd_is_runtime_failure(std::int32_t r) { return r >= -9999 && r < -9970; }

// The text of a runtime failure code (never null; unknown codes get a text too).
const char* zpd_getErrorMsg(std::int32_t code);

// Session of a call. Callers in this system pass a null session: the
// operator's sign-in session belongs to the process (below).
struct SZPSession {};

// The operator's sign-in session of this process. The host signs in once and
// sets it; every call of every client object carries it from then on, and
// the modules never see it. Empty: no one is signed in.
void zpd_set_session(std::string session);
std::string zpd_session();
// A thread that acts for another operator than the process (a tool, or a
// test playing several counters at once) carries its own session instead;
// nullopt goes back to the process's.
void zpd_set_thread_session(std::optional<std::string> session);

// The key of the calls this thread makes while the scope lives: the server
// answers a second call bearing a key it has already served with its first
// reply instead of running the operation again, so a call whose reply was
// lost can be asked again without doing its work twice. Keys are chosen by
// the caller (zpd_new_call_key), one per order or reservation; scopes nest.
class zpd_call_key_scope {
 public:
  explicit zpd_call_key_scope(std::string key);
  ~zpd_call_key_scope();
  zpd_call_key_scope(const zpd_call_key_scope&) = delete;
  zpd_call_key_scope& operator=(const zpd_call_key_scope&) = delete;

 private:
  std::string saved_;
};
// The key of this thread's calls; empty outside a zpd_call_key_scope.
const std::string& zpd_call_key();
// A fresh key: the time in microseconds as kCallKeyClockDigits hex digits,
// then 32 hex digits from a generator seeded per thread from the system's
// random source. Keys made later sort after those made before.
inline constexpr int kCallKeyClockDigits = 14;
std::string zpd_new_call_key();
// The clock a key was made at, in microseconds since 1970, as its first
// digits give it; -1 for a text that is not a key of that form.
std::int64_t zpd_call_key_micros(std::string_view key);
// How long zpserver answers a served key again, at the least (its setting
// cannot be shorter). After that the key is forgotten, and a key the server
// does not know may be one it has served: its outcome can no longer be told.
inline constexpr long kCallKeyKeptSeconds = 24L * 60 * 60;

// How one request travels and its reply comes back.
class zpd_transport {
 public:
  virtual ~zpd_transport() = default;
  // Sends one request frame and fills reply with the reply frame. Returns the
  // server's result or a runtime failure code.
  virtual std::int32_t call(std::string_view interfaceName, std::string_view serviceCode,
                            const std::string& request, std::string& reply,
                            std::chrono::milliseconds timeout) = 0;
};

// Opens a transport to an address; a runtime failure code when it cannot.
std::int32_t zpd_open_transport(std::string_view address, std::chrono::milliseconds timeout,
                                std::unique_ptr<zpd_transport>& out);

// The address configured for a broker name; empty when none.
std::string zpd_resolve_broker(std::string_view brokerName);
// The call deadline configured for this process.
std::chrono::milliseconds zpd_default_timeout();

class CZpdClientObject {
 public:
  CZpdClientObject();
  CZpdClientObject(const CZpdClientObject&) = delete;
  CZpdClientObject& operator=(const CZpdClientObject&) = delete;

  // Virtual slots, in this order.
  virtual ~CZpdClientObject();
  virtual std::int32_t call_server(const char* interfaceName, const char* serviceCode,
                                   SZPSession* session, zpb_stream& in, zpb_stream& out);
  virtual std::int32_t bind(const char* brokerName);
  virtual void unbind();
  virtual std::int32_t reserved_slot();

  // Connects to the named broker; 0 on success, a runtime failure code otherwise.
  std::int32_t bind_zpBroker(const char* brokerName) { return bind(brokerName); }

  bool is_bound() const { return transport_ != nullptr; }
  // The text of a runtime failure of this object, for the counter's staff:
  // what failed, with the broker's name, its address and the deadline where
  // they matter, and the code for support. A failed bind's reason is kept,
  // so a later ZPE_NOT_BOUND still says why.
  std::string failure_text(std::int32_t code) const;
  void set_timeout(std::chrono::milliseconds t) { timeout_ = t; }
  std::chrono::milliseconds timeout() const { return timeout_; }

 private:
  std::unique_ptr<zpd_transport> transport_;
  std::chrono::milliseconds timeout_;
  std::string broker_;       // as last bound
  std::string address_;      // what it resolved to; empty when none is configured
  std::int32_t bindFailure_ = 0;
};
