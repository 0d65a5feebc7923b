#include "sysmgnt_service.h"

#include <soci/soci.h>

#include <ctime>
#include <string>

#include "rows.h"
#include "sessions.h"
#include "service_support.h"

namespace zp::backend {
namespace {

using namespace MSysmgntDef;

std::int32_t storeFailed(CBSErrorMsg& err, const char* what, const std::exception& e) {
  return backend::storeFailed(err, kSysMgntStore, what, e);
}

}  // namespace

std::int32_t SysMgntService::get_sysParaValue(const SSysParaIn& sIn, SSysParaOut& sOut, CBSErrorMsg& err) {
  static const char* const kWhat = "取系统参数";
  if (!has(sIn, SSysParaIn::kIdx_PARA_NAME) || sIn.get_PARA_NAME().empty())
    return refuse(err, kSysMgntRequest, kWhat, "请求中缺少参数名称PARA_NAME");
  // Only the one reading the counter makes is defined: the region's own
  // value, else the one of region 0. Anything else would be guessed.
  if (sIn.get_FLAG() != 0)
    return refuse(err, kSysMgntRequest, kWhat, "不支持的参数标志[" + std::to_string(sIn.get_FLAG()) + "]");
  const long long region = sIn.get_REGION_CODE();
  const std::string& name = sIn.get_PARA_NAME();
  bool found = false;
  try {
    db_.transact(store::Database::Intent::read, [&](soci::session& sql) {
      store::Row r;
      // The region's own row sorts before region 0's.
      found = store::firstRow(sql,
                              "SELECT para_value FROM zp_sys_para WHERE para_name = :n "
                              "AND (region_code = :r OR region_code = 0) "
                              "ORDER BY CASE WHEN region_code = 0 THEN 1 ELSE 0 END",
                              "s", {name, region}, r);
      if (found) {
        sOut.set_PARA_NAME(name);
        sOut.set_PARA_VALUE(r.s(0));
      }
    });
  } catch (const std::exception& e) {
    sOut = SSysParaOut{};
    return storeFailed(err, kWhat, e);
  }
  if (!found)
    return refuse(err, kSysMgntUnknownParameter, kWhat,
                  "地区[" + std::to_string(region) + "]没有配置系统参数[" + name + "]");
  return 0;
}

std::int32_t SysMgntService::get_currentDate(const std::int32_t&, SSysDateOut& sOut, CBSErrorMsg& err) {
  const std::time_t t = clock_ ? static_cast<std::time_t>(clock_()) : std::time(nullptr);
  std::tm tm{};
  if (!localtime_r(&t, &tm)) return refuse(err, kSysMgntRequest, "取系统时间", "服务器时钟无法换算为日期");
  sOut.set_CURRENT_DATE(
      CBSDateTime::make(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec));
  return 0;
}

std::int32_t SysMgntService::check_operRight(const SCheckOperRightIn& sIn, SOperPrivAuthList& listAnswers,
                                             CBSErrorMsg& err) {
  static const char* const kWhat = "操作员权限检查";
  if (!has(sIn, SCheckOperRightIn::kIdx_OP_ID))
    return refuse(err, kSysMgntRequest, kWhat, "请求中缺少操作员OP_ID");
  // An operator asks about his own rights only.
  if (const std::int32_t r = refuseUnlessCaller(err, kWhat, currentCaller(), sIn.get_OP_ID(), true)) return r;
  const long long opId = sIn.get_OP_ID();
  bool knownOperator = false;
  try {
    db_.transact(store::Database::Intent::read, [&](soci::session& sql) {
      store::Row r;
      knownOperator = store::firstRow(sql, "SELECT op_id FROM zp_operator WHERE op_id = :o", "i", {opId}, r);
      if (!knownOperator) return;
      // Rights belong to the operator alone in this store; the organisation
      // travels with the question but narrows nothing.
      for (const SOperPrivAuth& ask : sIn.get_ASKS()) {
        SOperPrivAuth answer;
        if (has(ask, SOperPrivAuth::kIdx_ENT_ID)) answer.set_ENT_ID(ask.get_ENT_ID());
        if (has(ask, SOperPrivAuth::kIdx_PRIV_ID)) answer.set_PRIV_ID(ask.get_PRIV_ID());
        // A question without its entity or privilege asks about nothing: never granted.
        bool granted = false;
        if (has(ask, SOperPrivAuth::kIdx_ENT_ID) && has(ask, SOperPrivAuth::kIdx_PRIV_ID)) {
          granted = store::firstRow(sql,
                                    "SELECT op_id FROM zp_operator_right WHERE op_id = :o AND ent_id = :e "
                                    "AND priv_id = :p",
                                    "i",
                                    {opId, static_cast<long long>(ask.get_ENT_ID()),
                                     static_cast<long long>(ask.get_PRIV_ID())},
                                    r);
        }
        answer.set_AUTHORIZED(granted ? 1 : 0);
        listAnswers.push_back(std::move(answer));
      }
    });
  } catch (const std::exception& e) {
    listAnswers.clear();
    return storeFailed(err, kWhat, e);
  }
  if (!knownOperator) {
    listAnswers.clear();
    return refuse(err, kSysMgntUnknownOperator, kWhat, "操作员[" + std::to_string(opId) + "]不存在");
  }
  return 0;
}

std::int32_t SysMgntService::get_entVariable(const std::int32_t&, SEntVariableOut& sOut, CBSErrorMsg& err) {
  static const char* const kWhat = "取企业地域变量";
  bool found = false;
  try {
    db_.transact(store::Database::Intent::read, [&](soci::session& sql) {
      store::Row r;
      found = store::firstRow(sql, "SELECT var_value FROM zp_ent_variable WHERE var_name = :v", "s",
                              {std::string(kLocationVariable)}, r);
      if (found) sOut.set_ENT_VARIABLE(r.s(0));
    });
  } catch (const std::exception& e) {
    sOut = SEntVariableOut{};
    return storeFailed(err, kWhat, e);
  }
  if (!found) return refuse(err, kSysMgntNoVariable, kWhat, "没有配置企业地域变量");
  return 0;
}

}  // namespace zp::backend
