#include "operator_sign_in.h"

#include "MSession.h"
#include "zpd_client.h"

namespace {

constexpr const char* kBroker = "ZEPHYRON";

std::string failureText(std::int32_t r, const CBSErrorMsg& err, const CZpdClientObject& client) {
  if (zpd_is_runtime_failure(r))
    return "无法连接后台服务,登录失败:" + client.failure_text(r) + "\n请检查网络或稍后再试。";
  return err.text2.empty() ? "登录失败[" + std::to_string(r) + "],请稍后再试。" : err.text2;
}

}  // namespace

bool SignInOperator(int opId, const std::string& password, OperatorSignIn& out, std::string& message) {
  MSession::ISession client;
  if (const std::int32_t r = client.bind_zpBroker(kBroker); r != 0) {
    message = failureText(r, {}, client);
    return false;
  }
  MSession::SSignInIn in;
  in.set_OP_ID(opId);
  in.set_PASSWORD(password);
  MSession::SSignInOut got;
  CBSErrorMsg err;
  if (const std::int32_t r = client.sign_in(in, got, err, nullptr); r != 0) {
    message = failureText(r, err, client);
    return false;
  }
  zpd_set_session(got.get_SESSION());
  out.opId = got.get_OP_ID();
  out.orgId = got.get_ORG_ID();
  out.countyCode = got.get_COUNTY_CODE();
  out.regionCode = got.get_REGION_CODE();
  out.opName = got.get_OP_NAME();
  out.idleSeconds = got.get_IDLE_SECONDS();
  message.clear();
  return true;
}

void SignOutOperator() {
  if (zpd_session().empty()) return;
  MSession::ISession client;
  if (client.bind_zpBroker(kBroker) == 0) {
    MSession::SSignInOut got;
    CBSErrorMsg err;
    client.sign_out(0, got, err, nullptr);
  }
  zpd_set_session({});
}
