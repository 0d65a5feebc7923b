#include "privilege_service.h"

#include <soci/soci.h>

#include "rows.h"

namespace zp::backend {

std::int32_t PrivilegeService::query_privelegeClassEntities(const std::int32_t& iPrivClass,
                                                            MSysmgntDef::SPrivEntityList& listResults,
                                                            CBSErrorMsg& err) {
  try {
    db_.transact(store::Database::Intent::read, [&](soci::session& sql) {
      store::forEachRow(sql,
                        "SELECT ent_id, ent_name, ent_own_id, ent_class_id, ent_type_id, node_id FROM zp_priv_entity "
                        "WHERE priv_class = :c ORDER BY ent_id",
                        "isiiii", {static_cast<long long>(iPrivClass)}, [&](const store::Row& r) {
                          MSysmgntDef::SPrivEntity e;
                          e.set_ENT_ID(static_cast<std::int32_t>(r.i(0)));
                          e.set_ENT_NAME(r.s(1));
                          e.set_ENT_OWN_ID(static_cast<std::int32_t>(r.i(2)));
                          e.set_ENT_CLASS_ID(static_cast<std::int16_t>(r.i(3)));
                          e.set_ENT_TYPE_ID(static_cast<std::int16_t>(r.i(4)));
                          e.set_NODE_ID(static_cast<std::int32_t>(r.i(5)));
                          listResults.push_back(std::move(e));
                        });
    });
  } catch (const std::exception& e) {
    listResults.clear();
    err.code = 1001;
    err.text1 = "权限实体查询";
    err.text2 = std::string("数据库访问失败:") + e.what();
    return err.code;
  }
  return 0;
}

}  // namespace zp::backend
