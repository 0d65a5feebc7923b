#include "csysmgntpublic.h"

#include <exception>

#include "zpd_client.h"
#include "zpd_stub.h"

namespace {

constexpr const char* kBroker = "ZEPHYRON";

}  // namespace

bool CSysMgntPublic::fail(std::int32_t code, const char* what, std::string message) {
  error_.code = code;
  error_.code2 = 0;
  error_.text1 = what;
  error_.text2 = std::move(message);
  return false;
}

// The runtime and the stubs name a failure in the second text only; the
// first then says which operation of this library it ended, so a caller that
// quotes both texts tells the operator what failed and why.
bool CSysMgntPublic::finish(std::int32_t result, const char* what) {
  if (result == 0) return true;
  if (error_.code == 0) error_.code = result;
  if (error_.text1.empty() || error_.text1 == "no error") error_.text1 = what;
  return false;
}

bool CSysMgntPublic::Init(int, int, int, int, int) {
  error_.reset();
  static const char* const kWhat = "系统管理服务初始化";
  try {
    const std::int32_t r = client_.bind_zpBroker(kBroker);
    if (r != 0) return fail(r, kWhat, zpd_getErrorMsg(r));
    return true;
  } catch (const std::exception& e) {
    return fail(ZPE_CLN_ZPB_EXCEPTION, kWhat, e.what());
  } catch (...) {
    return fail(ZPE_CLN_ZPB_EXCEPTION, kWhat, "未知异常");
  }
}

bool CSysMgntPublic::GetSysParaMaxValue(int regionCode, int flag, const std::string& name, std::string& value) {
  error_.reset();
  static const char* const kWhat = "取系统参数";
  try {
    MSysmgntDef::SSysParaIn in;
    in.set_REGION_CODE(regionCode);
    in.set_FLAG(flag);
    in.set_PARA_NAME(name);
    MSysmgntDef::SSysParaOut out;
    if (!finish(client_.get_sysParaValue(in, out, error_, nullptr), kWhat)) return false;
    if (!((out.UsedMarker >> MSysmgntDef::SSysParaOut::kIdx_PARA_VALUE) & 1u))
      return fail(ZPE_CLN_MARSHAL_OUT, kWhat, "系统管理服务没有返回参数[" + name + "]的值");
    value = out.get_PARA_VALUE();
    return true;
  } catch (const std::exception& e) {
    return fail(ZPE_CLN_ZPB_EXCEPTION, kWhat, e.what());
  } catch (...) {
    return fail(ZPE_CLN_ZPB_EXCEPTION, kWhat, "未知异常");
  }
}

bool CSysMgntPublic::getCurrentDate(CBSDateTime& now) {
  error_.reset();
  static const char* const kWhat = "取系统时间";
  try {
    MSysmgntDef::SSysDateOut out;
    if (!finish(client_.get_currentDate(0, out, error_, nullptr), kWhat)) return false;
    // The zero date-time means "not set": the server could not tell the time.
    if (out.get_CURRENT_DATE().isZero())
      return fail(ZPE_CLN_MARSHAL_OUT, kWhat, "系统管理服务没有返回当前时间");
    now = out.get_CURRENT_DATE();
    return true;
  } catch (const std::exception& e) {
    return fail(ZPE_CLN_ZPB_EXCEPTION, kWhat, e.what());
  } catch (...) {
    return fail(ZPE_CLN_ZPB_EXCEPTION, kWhat, "未知异常");
  }
}

bool CSysMgntPublic::CheckOperRight(int opId, int orgId, const MSysmgntDef::SOperPrivAuthList& asks,
                                    MSysmgntDef::SOperPrivAuthList& answers) {
  error_.reset();
  static const char* const kWhat = "操作员权限检查";
  try {
    MSysmgntDef::SCheckOperRightIn in;
    in.set_OP_ID(opId);
    in.set_ORG_ID(orgId);
    in.set_ASKS(asks);
    MSysmgntDef::SOperPrivAuthList got;
    if (!finish(client_.check_operRight(in, got, error_, nullptr), kWhat)) return false;
    // Callers pair answers with asks by position: a reply of another shape
    // would grant the wrong right.
    if (got.size() != asks.size())
      return fail(ZPE_CLN_MARSHAL_OUT, kWhat,
                  "权限检查应答" + std::to_string(got.size()) + "条,与请求" + std::to_string(asks.size()) + "条不符");
    for (std::size_t i = 0; i < got.size(); ++i) {
      if (got[i].get_ENT_ID() != asks[i].get_ENT_ID() || got[i].get_PRIV_ID() != asks[i].get_PRIV_ID())
        return fail(ZPE_CLN_MARSHAL_OUT, kWhat, "权限检查应答第" + std::to_string(i + 1) + "条与请求不符");
      got[i].set_AUTHORIZED(got[i].get_AUTHORIZED() == 1 ? 1 : 0);
    }
    answers = std::move(got);
    return true;
  } catch (const std::exception& e) {
    return fail(ZPE_CLN_ZPB_EXCEPTION, kWhat, e.what());
  } catch (...) {
    return fail(ZPE_CLN_ZPB_EXCEPTION, kWhat, "未知异常");
  }
}

bool CSysMgntPublic::GetEntVariable(std::string& value) {
  error_.reset();
  static const char* const kWhat = "取企业地域变量";
  try {
    MSysmgntDef::SEntVariableOut out;
    if (!finish(client_.get_entVariable(0, out, error_, nullptr), kWhat)) return false;
    value = out.get_ENT_VARIABLE();
    return true;
  } catch (const std::exception& e) {
    return fail(ZPE_CLN_ZPB_EXCEPTION, kWhat, e.what());
  } catch (...) {
    return fail(ZPE_CLN_ZPB_EXCEPTION, kWhat, "未知异常");
  }
}
