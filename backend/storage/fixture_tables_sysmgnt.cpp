// The fixture tables of system parameters, the enterprise variable, service providers and songs.
#include "fixture_tables.h"

namespace zp::store {

namespace {
constexpr Kind I = Kind::integer, T = Kind::text, D = Kind::datetime;
}  // namespace

const std::vector<Table>& sysmgntFixtureTables() {
  static const std::vector<Table> all = {
      {"sys_params", "zp_sys_para",
       {{"region_code", I, "0"}, {"para_name", T, nullptr}, {"para_value", T, ""}, {"remark", T, ""}}},
      {"ent_variables", "zp_ent_variable",
       {{"var_name", T, "LOCATION"}, {"var_value", T, nullptr}, {"remark", T, ""}}},
      {"service_providers", "zp_sp_info",
       {{"sp_id", I, nullptr}, {"sp_name", T, nullptr}, {"sp_type", I, "1"}, {"sts", I, "1"},
        {"oper_date", D, "2020-01-01 00:00:00"}, {"op_id", I, "0"}, {"remark", T, ""}}},
      {"crbt_songs", "zp_crbt_song",
       {{"region_code", I, nullptr}, {"song_id", T, nullptr}, {"song_name", T, nullptr}, {"county_code", I, "0"},
        {"remark", T, ""}}},
  };
  return all;
}

}  // namespace zp::store
