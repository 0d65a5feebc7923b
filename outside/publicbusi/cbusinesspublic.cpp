#include "cbusinesspublic.h"

#include "zpd_library.h"

namespace {

constexpr const char* kBroker = "ZEPHYRON";

}  // namespace

bool CBusinessPublic::Init(int, int, int, int, int opId) {
  opId_ = opId;  // the catalogue narrows what this operator may sell
  zpd_library_call call(error_, "营业公共服务初始化");
  return call.run([&] { return call.bind(client_, kBroker); });
}

bool CBusinessPublic::GetUserServiceID(const std::string& phone, std::int64_t& servId) {
  zpd_library_call call(error_, "取用户标识");
  return call.run([&] {
    MBusiPublic::SPhoneIn in;
    in.set_PHONE_ID(phone);
    MBusiPublic::SServIdOut out;
    if (!call.finish(client_.get_userServId(in, out, error_, nullptr))) return false;
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
  zpd_library_call call(error_, "查询用户资料");
  return call.run([&] {
    MPublicDef::SUserInfo out;
    if (!call.finish(client_.get_userInfo(servIdIn(servId, 0), out, error_, nullptr))) return false;
    info = std::move(out);
    return true;
  });
}

bool CBusinessPublic::GetCustomInfo(std::int64_t servId, MPublicDef::SCustInfo& info) {
  zpd_library_call call(error_, "查询客户资料");
  return call.run([&] {
    MPublicDef::SCustInfo out;
    if (!call.finish(client_.get_custInfo(servIdIn(servId, 0), out, error_, nullptr))) return false;
    info = std::move(out);
    return true;
  });
}

bool CBusinessPublic::GetAcctInfo(MPublicDef::SAcctInfo& info, std::int64_t servId, int flag) {
  zpd_library_call call(error_, "查询帐户资料");
  return call.run([&] {
    MPublicDef::SAcctInfo out;
    if (!call.finish(client_.get_acctInfo(servIdIn(servId, flag), out, error_, nullptr))) return false;
    info = std::move(out);
    return true;
  });
}

bool CBusinessPublic::CheckUserPassword(const std::string& phone, const std::string& password, int& result) {
  zpd_library_call call(error_, "用户密码校验");
  return call.run([&] {
    MBusiPublic::SCheckPasswordIn in;
    in.set_PHONE_ID(phone);
    in.set_PASSWORD(password);
    MBusiPublic::SCheckPasswordOut out;
    if (!call.finish(client_.check_userPassword(in, out, error_, nullptr))) return false;
    result = out.get_RESULT();
    return true;
  });
}

bool CBusinessPublic::CheckBusiRule(MPublicDef::SSoInfo& so, int& checkPoint, int& a, int& b, int& c,
                                    MBusiPublic::SSoCheckOut& out, CBSErrorMsg& err) {
  zpd_library_call call(error_, "业务规则检查");
  const bool ok = call.run([&] {
    MBusiPublic::SCheckBusiRuleIn in;
    in.set_SOINFO(so);
    in.set_CHECKPOINT(checkPoint);
    in.set_PARAM1(a);
    in.set_PARAM2(b);
    in.set_PARAM3(c);
    MBusiPublic::SSoCheckOut got;
    if (!call.finish(client_.check_busiRule(in, got, error_, nullptr))) return false;
    checkPoint = got.get_CHECKPOINT();
    out = std::move(got);
    return true;
  });
  err = error_;
  return ok;
}

bool CBusinessPublic::CheckBlackCust(int regType, const std::string& regNbr, int& result) {
  zpd_library_call call(error_, "黑名单检查");
  return call.run([&] {
    MBusiPublic::SCheckBlackCustIn in;
    in.set_REG_TYPE(static_cast<std::int16_t>(regType));
    in.set_REG_NBR(regNbr);
    MBusiPublic::SCheckBlackCustOut out;
    if (!call.finish(client_.check_blackCust(in, out, error_, nullptr))) return false;
    result = out.get_RESULT();
    return true;
  });
}
