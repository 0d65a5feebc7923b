#include "csysmgntpublic.h"

#include <exception>

#include "zpd_library.h"

namespace {

constexpr const char* kBroker = "ZEPHYRON";

}  // namespace

bool CSysMgntPublic::Init(int, int, int, int, int) {
  zpd_library_call call(error_, "系统管理服务初始化");
  return call.run([&] {
    return call.bind(client_, kBroker);
  });
}

bool CSysMgntPublic::GetSysParaMaxValue(int regionCode, int flag, const std::string& name, std::string& value) {
  zpd_library_call call(error_, "取系统参数");
  return call.run([&] {
    MSysmgntDef::SSysParaIn in;
    in.set_REGION_CODE(regionCode);
    in.set_FLAG(flag);
    in.set_PARA_NAME(name);
    MSysmgntDef::SSysParaOut out;
    if (!call.finish(client_.get_sysParaValue(in, out, error_, nullptr))) return false;
    if (!((out.UsedMarker >> MSysmgntDef::SSysParaOut::kIdx_PARA_VALUE) & 1u))
      return call.fail(ZPE_CLN_MARSHAL_OUT, "系统管理服务没有返回参数[" + name + "]的值");
    value = out.get_PARA_VALUE();
    return true;
  });
}

bool CSysMgntPublic::getCurrentDate(CBSDateTime& now) {
  zpd_library_call call(error_, "取系统时间");
  return call.run([&] {
    MSysmgntDef::SSysDateOut out;
    if (!call.finish(client_.get_currentDate(0, out, error_, nullptr))) return false;
    // The zero date-time means "not set": the server could not tell the time.
    if (out.get_CURRENT_DATE().isZero())
      return call.fail(ZPE_CLN_MARSHAL_OUT, "系统管理服务没有返回当前时间");
    now = out.get_CURRENT_DATE();
    return true;
  });
}

bool CSysMgntPublic::CheckOperRight(int opId, int orgId, const MSysmgntDef::SOperPrivAuthList& asks,
                                    MSysmgntDef::SOperPrivAuthList& answers) {
  zpd_library_call call(error_, "操作员权限检查");
  return call.run([&] {
    MSysmgntDef::SCheckOperRightIn in;
    in.set_OP_ID(opId);
    in.set_ORG_ID(orgId);
    in.set_ASKS(asks);
    MSysmgntDef::SOperPrivAuthList got;
    if (!call.finish(client_.check_operRight(in, got, error_, nullptr))) return false;
    // Callers pair answers with asks by position: a reply of another shape
    // would grant the wrong right.
    if (got.size() != asks.size())
      return call.fail(ZPE_CLN_MARSHAL_OUT,
                       "权限检查应答" + std::to_string(got.size()) + "条,与请求" + std::to_string(asks.size()) + "条不符");
    for (std::size_t i = 0; i < got.size(); ++i) {
      if (got[i].get_ENT_ID() != asks[i].get_ENT_ID() || got[i].get_PRIV_ID() != asks[i].get_PRIV_ID())
        return call.fail(ZPE_CLN_MARSHAL_OUT, "权限检查应答第" + std::to_string(i + 1) + "条与请求不符");
      got[i].set_AUTHORIZED(got[i].get_AUTHORIZED() == 1 ? 1 : 0);
    }
    answers = std::move(got);
    return true;
  });
}

bool CSysMgntPublic::GetEntVariable(std::string& value) {
  zpd_library_call call(error_, "取企业地域变量");
  return call.run([&] {
    MSysmgntDef::SEntVariableOut out;
    if (!call.finish(client_.get_entVariable(0, out, error_, nullptr))) return false;
    value = out.get_ENT_VARIABLE();
    return true;
  });
}
