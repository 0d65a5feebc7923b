// Operators' sign-in sessions. An operator signs in with his id and password
// and gets a session token; the runtime carries it with every later call,
// and the server takes the operator, organisation, county and region of
// every call from it, never from the request. A session ends when its
// operator signs out, when it has been idle too long, and when the operator
// is disabled.
//
// The store is the truth (several servers may share it); each server keeps
// what it learnt of a session for a few seconds, so the check of a call
// costs a lookup in memory. A session signed out on another server, or an
// operator disabled meanwhile, is seen within that recheck interval.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "cbserrormsg.h"
#include "database.h"
#include "zpd_server.h"

namespace zp::backend {

// The operator a call is made for, as his session says.
struct Caller {
  std::string sessionId;  // the hash of the session token, as the store keys it
  long long opId = 0;
  long long orgId = 0;
  long long countyCode = 0;
  long long regionCode = 0;
};

// The caller of the call running on this thread; null outside a call that
// came with a valid session.
const Caller* currentCaller();

struct SessionConfig {
  long long idleSeconds = 30 * 60;  // a counter left alone this long signs in again
  long long recheckSeconds = 5;     // how long a server trusts what it learnt of a session
  int maxFailures = 5;              // wrong passwords in a row before the operator is locked
  long long lockSeconds = 30 * 60;
};

// Refusals of the sign-in and of the session check (CBSErrorMsg.code).
enum SessionRefusal : std::int32_t {
  kSessionStore = 4101,      // the store failed
  kSessionRequired = 4102,   // the call came without a session
  kSessionEnded = 4103,      // unknown, signed out, idle too long, or operator disabled
  kSignInRefused = 4104,     // wrong id or password, locked, disabled, no password set
  kSessionMismatch = 4105,   // the request names another operator than its session
};

class Sessions {
 public:
  Sessions(store::Database& db, std::function<long long()> clock, SessionConfig config = {});

  struct SignedIn {
    std::string token;
    Caller caller;
    std::string opName;
    int remainTries = 0;  // after a wrong password
  };
  // Checks the password (attempts counted and locked as for service
  // passwords) and opens a session. 0, or a refusal with its texts in err.
  std::int32_t signIn(long long opId, std::string_view password, SignedIn& out, CBSErrorMsg& err);
  // Opens a session for an operator whose identity is already established
  // (the sign-in, after the password; tests). Empty when he cannot sign in.
  std::string open(long long opId);
  // Ends the session of this token, on every server within the recheck.
  void signOut(const std::string& token);
  // The same, by the session's id (Caller::sessionId).
  void signOutById(const std::string& sessionId);

  // The gate of every call: a session is required except for the sign-in.
  zpd_admission admit(const zpd_call& call);
  // Puts admit() in front of every handler of the dispatcher.
  void install(zpd_dispatcher& d);

  const SessionConfig& config() const { return config_; }

 private:
  struct Known {
    std::shared_ptr<const Caller> caller;
    long long checkedAt = 0;  // when the store last confirmed it
    long long lastUsed = 0;
  };
  long long now() const;
  zpd_admission check(const std::string& token, long long at);
  void forget(const std::string& token);

  store::Database& db_;
  std::function<long long()> clock_;
  SessionConfig config_;
  // Looked up by the request's view of the token, without a copy per call.
  struct TokenHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view token) const { return std::hash<std::string_view>{}(token); }
  };
  std::mutex mutex_;
  std::unordered_map<std::string, Known, TokenHash, std::equal_to<>> known_;
};

// A refusal of a call whose request names another operator, organisation,
// county or region than its session: 0 when the named ones agree (an absent
// field agrees). `what` is the first text.
std::int32_t refuseUnlessCaller(CBSErrorMsg& err, const char* what, const Caller* caller, long long opId,
                                bool hasOpId);

}  // namespace zp::backend
