#include "sessions.h"

#include <soci/soci.h>

#include <ctime>

#include "password.h"
#include "rows.h"
#include "service_support.h"

namespace zp::backend {
namespace {

using store::Database;
using store::Row;

constexpr const char* kSessionInterface = "MSession_ISession";
constexpr const char* kSignInCode = "SESSIN01";
constexpr const char* kCheckWhat = "营业员登录校验";
constexpr const char* kSignInWhat = "营业员登录";

// 256 random bits, as 64 hex digits.
std::string newToken() { return store::randomHex(32); }

// Opens a session of the token for the operator; the store knows it by the
// token's hash only.
void insertSession(soci::session& sql, const std::string& sessionId, long long opId, long long at) {
  store::execute(sql,
                 "INSERT INTO zp_session (session_id, op_id, created, last_used, ended) VALUES (:s, :o, :c, :l, 0)",
                 {sessionId, opId, at, at});
}

constexpr const char* kNoSession = "请求没有营业员登录会话,不能办理;请先登录";

zpd_admission refused(std::int32_t code, std::string message) {
  zpd_fault f;
  f.result = code;
  f.text1 = kCheckWhat;
  f.text2 = std::move(message);
  return {std::move(f), nullptr};
}

}  // namespace

const Caller* currentCaller() { return static_cast<const Caller*>(zpd_dispatcher::current_caller().get()); }

Sessions::Sessions(store::Database& db, std::function<long long()> clock, SessionConfig config)
    : db_(db), clock_(std::move(clock)), config_(config) {}

long long Sessions::now() const { return clock_ ? clock_() : static_cast<long long>(std::time(nullptr)); }

std::string Sessions::open(long long opId) {
  const std::string token = newToken();
  const long long at = now();
  bool opened = false;
  db_.transact(Database::Intent::write, [&](soci::session& sql) {
    Row r;
    if (!store::firstRow(sql, "SELECT disabled FROM zp_operator WHERE op_id = :o", "i", {opId}, r) || r.i(0) != 0)
      return;
    insertSession(sql, store::sha256Hex(token), opId, at);
    opened = true;
  });
  return opened ? token : std::string();
}

std::int32_t Sessions::signIn(long long opId, std::string_view password, SignedIn& out, CBSErrorMsg& err) {
  const long long at = now();
  enum class Outcome { ok, unknown, locked, disabled, noPassword, wrong } outcome = Outcome::unknown;
  long long lockedUntil = 0;
  int remain = 0;
  const std::string token = newToken();
  const std::string sessionId = store::sha256Hex(token);
  try {
    db_.transact(Database::Intent::write, [&](soci::session& sql) {
      Row r;
      // The operator's row is the lock that keeps two counters from counting
      // the same wrong attempt once.
      if (!store::firstRow(sql,
                           "SELECT org_id, county_code, region_code, op_name, password_salt, password_hash, disabled, "
                           "fail_count, locked_until FROM zp_operator WHERE op_id = :o" +
                               std::string(db_.rowLock()),
                           "iiisssiii", {opId}, r))
        return;
      if (r.i(6) != 0) {
        outcome = Outcome::disabled;
        return;
      }
      if (r.i(8) > at) {
        outcome = Outcome::locked;
        lockedUntil = r.i(8);
        return;
      }
      const store::PasswordHash stored{r.s(4), r.s(5)};
      if (stored.hash.empty()) {
        outcome = Outcome::noPassword;
        return;
      }
      if (!store::verifyPassword(password, stored)) {
        long long failures = r.i(7) + 1;
        long long until = 0;
        if (failures >= config_.maxFailures) {
          until = at + config_.lockSeconds;
          failures = 0;
          lockedUntil = until;
        }
        remain = static_cast<int>(config_.maxFailures - failures);
        store::execute(sql, "UPDATE zp_operator SET fail_count = :f, locked_until = :l WHERE op_id = :o",
                       {failures, until, opId});
        outcome = Outcome::wrong;
        return;
      }
      store::execute(sql, "UPDATE zp_operator SET fail_count = 0, locked_until = 0 WHERE op_id = :o", {opId});
      insertSession(sql, sessionId, opId, at);
      out.token = token;
      out.caller = Caller{sessionId, opId, r.i(0), r.i(1), r.i(2)};
      out.opName = r.s(3);
      outcome = Outcome::ok;
    });
  } catch (const std::exception& e) {
    out = SignedIn{};
    return storeFailed(err, kSessionStore, kSignInWhat, e);
  }
  const std::string who = "营业员[" + std::to_string(opId) + "]";
  switch (outcome) {
    case Outcome::ok:
      return 0;
    case Outcome::unknown:
      return refuse(err, kSignInRefused, kSignInWhat, "营业员工号或密码错误,请重新输入");
    case Outcome::disabled:
      return refuse(err, kSignInRefused, kSignInWhat, who + "已被停用,不能登录;请与系统管理员联系");
    case Outcome::locked:
      return refuse(err, kSignInRefused, kSignInWhat,
                    who + "密码连续错误已被锁定,请于" + clockText(lockedUntil) + "之后再试,或请系统管理员解锁");
    case Outcome::noPassword:
      return refuse(err, kSignInRefused, kSignInWhat, who + "没有设置登录密码,请系统管理员设置后再登录");
    case Outcome::wrong:
      out.remainTries = remain;
      if (lockedUntil)
        return refuse(err, kSignInRefused, kSignInWhat,
                      "密码连续错误" + std::to_string(config_.maxFailures) + "次," + who + "已锁定至" +
                          clockText(lockedUntil));
      return refuse(err, kSignInRefused, kSignInWhat,
                    "营业员工号或密码错误,再错" + std::to_string(remain) + "次将被锁定,请重新输入");
  }
  return kSignInRefused;
}

void Sessions::signOut(const std::string& token) { signOutById(store::sha256Hex(token)); }

void Sessions::signOutById(const std::string& sessionId) {
  {
    std::lock_guard lock(mutex_);
    std::erase_if(known_, [&](const auto& k) { return k.second.caller->sessionId == sessionId; });
  }
  db_.transact(Database::Intent::write, [&](soci::session& sql) {
    store::execute(sql, "UPDATE zp_session SET ended = :e WHERE session_id = :s AND ended = 0", {now(), sessionId});
  });
}

void Sessions::forget(const std::string& token) {
  std::lock_guard lock(mutex_);
  known_.erase(token);
}

zpd_admission Sessions::admit(const zpd_call& call) {
  if (call.interfaceName == kSessionInterface && call.serviceCode == kSignInCode) return {};
  if (call.session.empty())
    return refused(kSessionRequired, kNoSession);
  const long long at = now();
  {
    std::lock_guard lock(mutex_);
    const auto it = known_.find(call.session);
    if (it != known_.end() && at - it->second.checkedAt < config_.recheckSeconds &&
        at - it->second.lastUsed <= config_.idleSeconds) {
      it->second.lastUsed = at;
      return {std::nullopt, it->second.caller};
    }
  }
  return check(std::string(call.session), at);
}

// What the store says of a session: open, used recently enough, of an
// operator who is not disabled. An open session found idle or disabled is
// ended there and then.
zpd_admission Sessions::check(const std::string& token, long long at) {
  const std::string id = store::sha256Hex(token);
  long long lastUsed = 0;
  {
    std::lock_guard lock(mutex_);
    if (const auto it = known_.find(token); it != known_.end()) lastUsed = it->second.lastUsed;
  }
  enum class Outcome { ok, unknown, ended, idle, disabled } outcome = Outcome::unknown;
  auto caller = std::make_shared<Caller>();
  try {
    db_.transact(Database::Intent::write, [&](soci::session& sql) {
      Row r;
      if (!store::firstRow(sql,
                           "SELECT s.op_id, s.last_used, s.ended, o.org_id, o.county_code, o.region_code, o.disabled "
                           "FROM zp_session s JOIN zp_operator o ON o.op_id = s.op_id WHERE s.session_id = :s",
                           "iiiiiii", {id}, r))
        return;
      if (r.i(2) != 0) {
        outcome = Outcome::ended;
        return;
      }
      lastUsed = std::max(lastUsed, r.i(1));
      if (r.i(6) != 0 || at - lastUsed > config_.idleSeconds) {
        outcome = r.i(6) != 0 ? Outcome::disabled : Outcome::idle;
        store::execute(sql, "UPDATE zp_session SET ended = :e WHERE session_id = :s", {at, id});
        return;
      }
      store::execute(sql, "UPDATE zp_session SET last_used = :l WHERE session_id = :s", {at, id});
      *caller = Caller{id, r.i(0), r.i(3), r.i(4), r.i(5)};
      outcome = Outcome::ok;
    });
  } catch (const std::exception& e) {
    return refused(kSessionStore, std::string("数据库访问失败,无法校验营业员登录:") + e.what());
  }
  if (outcome != Outcome::ok) forget(token);
  switch (outcome) {
    case Outcome::ok: {
      std::lock_guard lock(mutex_);
      // Sessions abandoned without a sign-out leave the memory once idle.
      if (known_.size() > 10000)
        std::erase_if(known_, [&](const auto& k) { return at - k.second.lastUsed > config_.idleSeconds; });
      known_[token] = Known{caller, at, at};
      return {std::nullopt, caller};
    }
    case Outcome::unknown:
    case Outcome::ended:
      return refused(kSessionEnded, "营业员登录已结束或无效,请重新登录后再办理");
    case Outcome::idle:
      return refused(kSessionEnded, "营业员登录空闲超过" + std::to_string(config_.idleSeconds / 60) +
                                        "分钟已失效,请重新登录后再办理");
    case Outcome::disabled:
      return refused(kSessionEnded, "营业员已被停用,登录已失效;请与系统管理员联系");
  }
  return refused(kSessionEnded, "营业员登录已结束或无效,请重新登录后再办理");
}

void Sessions::install(zpd_dispatcher& d) {
  d.set_gate([this](const zpd_call& call) { return admit(call); });
}

std::int32_t refuseUnlessCaller(CBSErrorMsg& err, const char* what, const Caller* caller, long long opId,
                                bool hasOpId) {
  if (!caller) return refuse(err, kSessionRequired, what, kNoSession);
  if (hasOpId && opId != caller->opId)
    return refuse(err, kSessionMismatch, what,
                  "请求中的营业员[" + std::to_string(opId) + "]不是登录的营业员[" + std::to_string(caller->opId) +
                      "],不能办理");
  return 0;
}

}  // namespace zp::backend
