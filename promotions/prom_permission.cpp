#include "prom_permission.h"

#include "MPrivmgnt.h"
#include "csysmgntpublic.h"
#include "gui_message.h"

namespace promotions {

std::optional<PopedomFlags> ReadPromPopedomFlags(int userRegionCode) {
  CSysMgntPublic sysMgnt;
  std::string value;
  // Init only binds; a failed bind shows up as the read's failure.
  sysMgnt.Init(0, 0, 0, 0, 0);
  if (!sysMgnt.GetSysParaMaxValue(userRegionCode, 0, "PromPopedomValid", value)) {
    ShowGUIMessage("取系统促销列表权限控制参数[PromPopedomValid]出错[%s]\n[%s]...!", "异常", 64,
                   sysMgnt.LastError().text1, sysMgnt.LastError().text2);
    return std::nullopt;
  }
  const auto flags = ParsePopedomValid(value);
  if (!flags) ShowGUIMessage("[PromPopedomValid]配置错误", "异常", 16);
  return flags;
}

namespace {

// The privilege client for one query, unbound on every path once bound.
struct BoundPrivilege {
  MPrivmgnt::IPrivelege client;
  bool bound = false;
  ~BoundPrivilege() {
    if (bound) client.unbind();
  }
};

}  // namespace

bool QueryParaLimit(int kind, int& limit, int opId, int opOrgId) {
  CSysMgntPublic sysMgnt;
  if (!sysMgnt.Init(0, 0, 0, 0, 0)) {
    ShowGUIMessage("系统管理BIND出错...!", "错误", 16);
    return false;
  }
  BoundPrivilege privilege;
  if (privilege.client.bind_zpBroker("ZEPHYRON") != 0) {
    ShowGUIMessage("系统管理BIND出错...!", "错误", 16);
    return false;
  }
  privilege.bound = true;

  CBSErrorMsg error;
  error.reset();
  MSysmgntDef::SPrivEntityList entities;
  if (privilege.client.query_privelegeClassEntities(PrivClassOf(kind), entities, error, nullptr) != 0) {
    ShowGUIMessage("根据权限类别取权限实体列表出错.\n[%s]\n[%s]...!", "异常", 16, error.text1, error.text2);
    return false;
  }
  if (entities.empty()) return true;

  MSysmgntDef::SOperPrivAuthList asks, answers;
  for (const auto& e : entities) {
    MSysmgntDef::SOperPrivAuth ask;
    ask.set_ENT_ID(e.get_ENT_ID());
    ask.set_PRIV_ID(PrivClassOf(kind));
    asks.push_back(ask);
  }
  if (!sysMgnt.CheckOperRight(opId, opOrgId, asks, answers)) {
    ShowGUIMessage("权限检查出错...!\n[%s]\n[%s]", "错误", 16, sysMgnt.LastError().text1, sysMgnt.LastError().text2);
    return false;
  }
  limit = LimitFromAnswers(kind, entities, answers, limit);
  return true;
}

}  // namespace promotions
