#include "cbusinesspublic.h"

#include <exception>

#include "zpd_client.h"
#include "zpd_stub.h"

namespace {

constexpr const char* kBroker = "ZEPHYRON";

// Runs one operation so that no exception crosses the library's boundary.
template <class F>
bool guarded(CBSErrorMsg& err, const char* what, F&& f) {
  try {
    return f();
  } catch (const std::exception& e) {
    err.code = ZPE_CLN_ZPB_EXCEPTION;
    err.code2 = 0;
    err.text1 = what;
    err.text2 = e.what();
  } catch (...) {
    err.code = ZPE_CLN_ZPB_EXCEPTION;
    err.code2 = 0;
    err.text1 = what;
    err.text2 = "未知异常";
  }
  return false;
}

}  // namespace

bool CBusinessPublic::fail(std::int32_t code, const char* what, std::string message) {
  error_.code = code;
  error_.code2 = 0;
  error_.text1 = what;
  error_.text2 = std::move(message);
  return false;
}

// The runtime and the stubs name a failure in the second text only; the
// first then says which operation of this library it ended.
bool CBusinessPublic::finish(std::int32_t result, const char* what) {
  if (result == 0) return true;
  if (error_.code == 0) error_.code = result;
  if (error_.text1.empty() || error_.text1 == "no error") error_.text1 = what;
  if (error_.text2.empty() || error_.text2 == "no error") error_.text2 = zpd_getErrorMsg(result);
  return false;
}

bool CBusinessPublic::Init(int, int, int, int, int opId) {
  error_.reset();
  opId_ = opId;  // the catalogue narrows what this operator may sell
  static const char* const kWhat = "营业公共服务初始化";
  return guarded(error_, kWhat, [&] {
    const std::int32_t r = client_.bind_zpBroker(kBroker);
    if (r != 0) return fail(r, kWhat, zpd_getErrorMsg(r));
    return true;
  });
}

bool CBusinessPublic::GetUserServiceID(const std::string& phone, std::int64_t& servId) {
  error_.reset();
  static const char* const kWhat = "取用户标识";
  return guarded(error_, kWhat, [&] {
    MBusiPublic::SPhoneIn in;
    in.set_PHONE_ID(phone);
    MBusiPublic::SServIdOut out;
    if (!finish(client_.get_userServId(in, out, error_, nullptr), kWhat)) return false;
    servId = out.get_SERV_ID();
    return true;
  });
}

namespace {

MBusiPublic::SServIdIn servIdIn(std::int64_t servId, int flag) {
  MBusiPublic::SServIdIn in;
  in.set_SERV_ID(servId);
  in.set_FLAG(flag);
  return in;
}

}  // namespace

bool CBusinessPublic::GetUserInfo(std::int64_t servId, MPublicDef::SUserInfo& info) {
  error_.reset();
  static const char* const kWhat = "查询用户资料";
  return guarded(error_, kWhat, [&] {
    MPublicDef::SUserInfo out;
    if (!finish(client_.get_userInfo(servIdIn(servId, 0), out, error_, nullptr), kWhat)) return false;
    info = std::move(out);
    return true;
  });
}

bool CBusinessPublic::GetCustomInfo(std::int64_t servId, MPublicDef::SCustInfo& info) {
  error_.reset();
  static const char* const kWhat = "查询客户资料";
  return guarded(error_, kWhat, [&] {
    MPublicDef::SCustInfo out;
    if (!finish(client_.get_custInfo(servIdIn(servId, 0), out, error_, nullptr), kWhat)) return false;
    info = std::move(out);
    return true;
  });
}

bool CBusinessPublic::GetAcctInfo(MPublicDef::SAcctInfo& info, std::int64_t servId, int flag) {
  error_.reset();
  static const char* const kWhat = "查询帐户资料";
  return guarded(error_, kWhat, [&] {
    MPublicDef::SAcctInfo out;
    if (!finish(client_.get_acctInfo(servIdIn(servId, flag), out, error_, nullptr), kWhat)) return false;
    info = std::move(out);
    return true;
  });
}

bool CBusinessPublic::CheckUserPassword(const std::string& phone, const std::string& password, int& result) {
  error_.reset();
  static const char* const kWhat = "用户密码校验";
  return guarded(error_, kWhat, [&] {
    MBusiPublic::SCheckPasswordIn in;
    in.set_PHONE_ID(phone);
    in.set_PASSWORD(password);
    MBusiPublic::SCheckPasswordOut out;
    if (!finish(client_.check_userPassword(in, out, error_, nullptr), kWhat)) return false;
    result = out.get_RESULT();
    return true;
  });
}

bool CBusinessPublic::CheckBusiRule(MPublicDef::SSoInfo& so, int& checkPoint, int& a, int& b, int& c,
                                    MBusiPublic::SSoCheckOut& out, CBSErrorMsg& err) {
  error_.reset();
  static const char* const kWhat = "业务规则检查";
  const bool ok = guarded(error_, kWhat, [&] {
    MBusiPublic::SCheckBusiRuleIn in;
    in.set_SOINFO(so);
    in.set_CHECKPOINT(checkPoint);
    in.set_PARAM1(a);
    in.set_PARAM2(b);
    in.set_PARAM3(c);
    MBusiPublic::SSoCheckOut got;
    if (!finish(client_.check_busiRule(in, got, error_, nullptr), kWhat)) return false;
    checkPoint = got.get_CHECKPOINT();
    out = std::move(got);
    return true;
  });
  err = error_;
  return ok;
}

bool CBusinessPublic::CheckBlackCust(int regType, const std::string& regNbr, int& result) {
  error_.reset();
  static const char* const kWhat = "黑名单检查";
  return guarded(error_, kWhat, [&] {
    MBusiPublic::SCheckBlackCustIn in;
    in.set_REG_TYPE(static_cast<std::int16_t>(regType));
    in.set_REG_NBR(regNbr);
    MBusiPublic::SCheckBlackCustOut out;
    if (!finish(client_.check_blackCust(in, out, error_, nullptr), kWhat)) return false;
    result = out.get_RESULT();
    return true;
  });
}
