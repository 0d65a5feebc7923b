// The privilege service: the entities of a privilege class (the promotion
// parameter limits are entities named like "[1@5000]").
#pragma once

#include "MPrivmgnt.h"
#include "database.h"

namespace zp::backend {

class PrivilegeService : public MPrivmgnt::IPrivelegeServant {
 public:
  explicit PrivilegeService(store::Database& db) : db_(db) {}
  std::int32_t query_privelegeClassEntities(const std::int32_t& iPrivClass, MSysmgntDef::SPrivEntityList& listResults,
                                            CBSErrorMsg& cErrorMsg) override;

 private:
  store::Database& db_;
};

}  // namespace zp::backend
