// The system-management public service behind ISysmgntPublic: system
// parameters by region, the server's clock, operator privilege checks and
// the enterprise location variable. Every refusal is a non-zero result with
// both error texts in Chinese.
#pragma once

#include <cstdint>
#include <functional>

#include "MSysmgntDef.h"
#include "database.h"

namespace zp::backend {

class SysMgntService : public MSysmgntDef::ISysmgntPublicServant {
 public:
  // `clock`: seconds since 1970; the system clock when empty.
  SysMgntService(store::Database& db, std::function<long long()> clock) : db_(db), clock_(std::move(clock)) {}

  std::int32_t get_sysParaValue(const MSysmgntDef::SSysParaIn& sIn, MSysmgntDef::SSysParaOut& sOut,
                                CBSErrorMsg& cErrorMsg) override;
  std::int32_t get_currentDate(const std::int32_t& iFlag, MSysmgntDef::SSysDateOut& sOut,
                               CBSErrorMsg& cErrorMsg) override;
  std::int32_t check_operRight(const MSysmgntDef::SCheckOperRightIn& sIn, MSysmgntDef::SOperPrivAuthList& listAnswers,
                               CBSErrorMsg& cErrorMsg) override;
  std::int32_t get_entVariable(const std::int32_t& iFlag, MSysmgntDef::SEntVariableOut& sOut,
                               CBSErrorMsg& cErrorMsg) override;

 private:
  store::Database& db_;
  std::function<long long()> clock_;
};

// The name under which the enterprise location variable is stored.
inline constexpr const char* kLocationVariable = "LOCATION";

enum SysMgntRefusal : std::int32_t {
  kSysMgntStore = 2001,           // the store failed
  kSysMgntRequest = 2002,         // a required field is missing or out of range
  kSysMgntUnknownParameter = 2003,  // no such parameter for the region nor for region 0
  kSysMgntUnknownOperator = 2004,   // the operator asked about does not exist
  kSysMgntNoVariable = 2005,        // the enterprise variable is not configured
};

}  // namespace zp::backend
