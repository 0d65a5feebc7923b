// The server side of the runtime: a dispatcher that runs one call given its
// interface name, service code and request frame, and writes the reply frame.
// It touches no socket, so a TCP server, the in-process transport and tests
// share it.
#pragma once

#include <cstdint>
#include <functional>
#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

class zpb_stream;

// One service operation: reads its request from `request` (open for reading,
// positioned at the start of the frame) and writes its reply frame into
// `reply` (open for writing). Returns the call's result; a runtime failure
// code tells the client that the reply is not to be read.
using zpd_handler = std::function<std::int32_t(zpb_stream& request, zpb_stream& reply)>;

// A failure a test server injects into one operation: the call waits
// `delay`, then answers with `result` and the error record's texts and an
// empty reply value (a result of 0 only delays the real answer).
//
// `loseReply` (with a result of 0) lets the operation run and commit, then
// throws its reply away as a broken connection would (ZPE_RECEIVE): the
// caller cannot tell whether the work was done. `times` > 0 makes the fault
// meet that many calls and then clear itself; 0 keeps it until cleared.
struct zpd_fault {
  std::int32_t result = 0;
  std::int32_t code2 = 0;
  std::string text1;
  std::string text2;
  std::chrono::milliseconds delay{0};
  bool loseReply = false;
  int times = 0;
};

// What a gate sees of a call before its handler runs.
struct zpd_call {
  std::string_view interfaceName;
  std::string_view serviceCode;
  std::string_view session;  // the sign-in session the request carried; empty when none
  std::string_view key;      // the call's key (zpd_envelope.h); empty when none
};

// A gate's decision: a refusal (a fault with a non-zero result, answered in
// the operation's own reply shape) or, when the call may go on, who is
// calling, for the handler to ask through current_caller().
struct zpd_admission {
  std::optional<zpd_fault> refusal;
  std::shared_ptr<const void> caller;
};
using zpd_gate = std::function<zpd_admission(const zpd_call&)>;

class zpd_dispatcher {
 public:
  void add(std::string interfaceName, std::string serviceCode, zpd_handler handler);

  // Every later call passes the gate before its handler. Set it before the
  // dispatcher serves anyone; it runs on the calling thread.
  void set_gate(zpd_gate gate) { gate_ = std::move(gate); }

  // Runs one call. Unknown interface or service code, and any exception of a
  // handler, become runtime failure codes with an empty reply.
  std::int32_t dispatch(std::string_view interfaceName, std::string_view serviceCode, std::string request,
                        std::string& reply, std::string_view session = {}, std::string_view key = {}) const;

  // Runs one call from a request envelope body (see zpd_envelope.h) and
  // returns the complete reply envelope.
  std::string handle_envelope(std::string_view body) const;

  // Fault injection for test servers: every later call of the operation
  // meets the fault until it is cleared. Thread-safe against running calls.
  void set_fault(const std::string& interfaceName, const std::string& serviceCode, zpd_fault fault);
  void clear_faults();
  // The fault of an operation, if one is set. The generated servers ask it
  // after reading the request, so a faulty answer still has the reply's shape.
  static const zpd_fault* current_fault();
  // Who the gate let through for the call running on this thread; null
  // outside a call or without a gate.
  static const std::shared_ptr<const void>& current_caller();
  // The key of the call running on this thread; empty outside a call or
  // when the call carries none.
  static std::string_view current_key();

 private:
  // Interface name, then service code; looked up by views, without copies.
  std::map<std::string, std::map<std::string, zpd_handler, std::less<>>, std::less<>> handlers_;
  mutable std::mutex faultsMutex_;
  mutable std::map<std::pair<std::string, std::string>, zpd_fault> faults_;
  zpd_gate gate_;
};

// Registers a dispatcher under a name for "inproc:<name>" addresses for as
// long as the registration lives. The in-process registry is the runtime's
// one piece of process-wide state: it is what "in the same process" means.
class zpd_inproc_registration {
 public:
  zpd_inproc_registration(std::string name, std::shared_ptr<const zpd_dispatcher> dispatcher);
  ~zpd_inproc_registration();
  zpd_inproc_registration(const zpd_inproc_registration&) = delete;
  zpd_inproc_registration& operator=(const zpd_inproc_registration&) = delete;

 private:
  std::string name_;
};

std::shared_ptr<const zpd_dispatcher> zpd_inproc_find(std::string_view name);
