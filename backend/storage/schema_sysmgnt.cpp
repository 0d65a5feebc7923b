#include "schema.h"

namespace zp::store {

// System parameters are kept per region; region 0 holds the value every
// region sees unless it has a row of its own. Service providers and songs are
// the business data the counter offers for GPS and ring-back services.
const std::vector<Migration>& sysmgntMigrations() {
  static const std::vector<Migration> all = {
      {2,
       "system parameters, enterprise variables, service providers, ring-back songs",
       {
           "CREATE TABLE zp_sys_para (region_code SMALLINT NOT NULL, para_name {TEXT_KEY} NOT NULL, "
           "para_value TEXT NOT NULL, remark TEXT NOT NULL, PRIMARY KEY (para_name, region_code))",
           "CREATE TABLE zp_ent_variable (var_name {TEXT_KEY} PRIMARY KEY, var_value TEXT NOT NULL, "
           "remark TEXT NOT NULL)",
           "CREATE TABLE zp_sp_info (sp_id INTEGER PRIMARY KEY, sp_name TEXT NOT NULL, sp_type SMALLINT NOT NULL, "
           "sts SMALLINT NOT NULL, oper_date BIGINT NOT NULL, op_id INTEGER NOT NULL, remark TEXT NOT NULL)",
           "CREATE TABLE zp_crbt_song (region_code SMALLINT NOT NULL, song_id {TEXT_KEY} NOT NULL, "
           "song_name TEXT NOT NULL, county_code SMALLINT NOT NULL, remark TEXT NOT NULL, "
           "PRIMARY KEY (region_code, song_id))",
       }},
  };
  return all;
}

}  // namespace zp::store
