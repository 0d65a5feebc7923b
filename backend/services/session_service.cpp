#include "session_service.h"

#include <algorithm>
#include <limits>

#include "service_support.h"

namespace zp::backend {

using namespace MSession;

std::int32_t SessionService::sign_in(const SSignInIn& sIn, SSignInOut& sOut, CBSErrorMsg& err) {
  if (!has(sIn, SSignInIn::kIdx_OP_ID) || sIn.get_OP_ID() <= 0)
    return refuse(err, kSignInRefused, "营业员登录", "请输入营业员工号");
  Sessions::SignedIn in;
  const std::int32_t r = sessions_->signIn(sIn.get_OP_ID(), sIn.get_PASSWORD(), in, err);
  sOut.set_REMAIN_TRIES(in.remainTries);
  if (r != 0) return r;
  sOut.set_SESSION(in.token);
  sOut.set_OP_ID(static_cast<std::int32_t>(in.caller.opId));
  sOut.set_OP_NAME(in.opName);
  sOut.set_ORG_ID(static_cast<std::int32_t>(in.caller.orgId));
  sOut.set_COUNTY_CODE(static_cast<std::int16_t>(in.caller.countyCode));
  sOut.set_REGION_CODE(static_cast<std::int16_t>(in.caller.regionCode));
  sOut.set_IDLE_SECONDS(static_cast<std::int32_t>(
      std::min<long long>(sessions_->config().idleSeconds, std::numeric_limits<std::int32_t>::max())));
  return 0;
}

// Ends the session the call came with; the gate has made sure there is one.
std::int32_t SessionService::sign_out(const std::int32_t&, SSignInOut& sOut, CBSErrorMsg& err) {
  const Caller* caller = currentCaller();
  if (!caller) return refuse(err, kSessionRequired, "营业员退出", "没有登录的营业员");
  try {
    sessions_->signOutById(caller->sessionId);
  } catch (const std::exception& e) {
    return storeFailed(err, kSessionStore, "营业员退出", e);
  }
  sOut.set_OP_ID(static_cast<std::int32_t>(caller->opId));
  return 0;
}

}  // namespace zp::backend
