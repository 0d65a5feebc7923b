// A small promotion world for the frame and dialog tests, region 571.
//
// Global Call (101) is plan-bound; plan 7 offers
//   11 discount 80%, mandatory, any cycles (-1)
//   12 minimum 30.00, pre-selected, 12 cycles, next-cycle expiry
//   13 reduction 5.00, optional, cycles must be chosen (-2)
//   14 ordinary, optional, 6 cycles, validity digits 0202
//   15 ordinary, optional: requires 13
//   16 ordinary, optional: excludes 11 (mandatory)
//   17 ordinary, optional: any of 14 and 12
// GPRS (5) offers by type: 51 and 52.
// Operator 31 holds the limit entities [2@80], [3@1000] and [3@5000],
// [1@1000] and [1@500]; the entity [1@100] exists but is not his, and one
// of class 41 names kind 2. Operator 32 holds none.
#pragma once

#include <string>

namespace zp::testing {

inline std::string PromWorld(const std::string& popedomValid = "0@0") {
  std::string json = R"json({
  "operators": [
    {"op_id": 31, "org_id": 5710101, "region_code": 571, "county_code": 1, "op_name": "限额操作员"},
    {"op_id": 32, "org_id": 5710101, "region_code": 571, "county_code": 1, "op_name": "无限额操作员"}],
  "priv_entities": [
    {"ent_id": 4101, "ent_name": "最低消费下限 [1@1000]", "priv_class": 41, "ent_class_id": 41},
    {"ent_id": 4102, "ent_name": " 最低消费下限 [1@500] ", "priv_class": 41, "ent_class_id": 41},
    {"ent_id": 4103, "ent_name": "最低消费下限 [1@100]", "priv_class": 41, "ent_class_id": 41},
    {"ent_id": 4104, "ent_name": "错配 [2@10]", "priv_class": 41, "ent_class_id": 41},
    {"ent_id": 4201, "ent_name": "折扣下限 [2@80]", "priv_class": 42, "ent_class_id": 42},
    {"ent_id": 4301, "ent_name": "减免上限 [3@1000]", "priv_class": 43, "ent_class_id": 43},
    {"ent_id": 4302, "ent_name": "减免上限 [3@5000]", "priv_class": 43, "ent_class_id": 43}],
  "operator_rights": [
    {"op_id": 31, "ent_id": 4101, "priv_id": 41}, {"op_id": 31, "ent_id": 4102, "priv_id": 41},
    {"op_id": 31, "ent_id": 4104, "priv_id": 41}, {"op_id": 31, "ent_id": 4201, "priv_id": 42},
    {"op_id": 31, "ent_id": 4301, "priv_id": 43}, {"op_id": 31, "ent_id": 4302, "priv_id": 43}],
  "sys_params": [
    {"region_code": 571, "para_name": "PromPopedomValid", "para_value": "@FLAGS@"}],
  "busi_types": [
    {"busi_type": 101, "busi_name": "全球呼", "service_id": 1101, "type": 1, "seq": 1},
    {"busi_type": 5, "busi_name": "GPRS", "service_id": 1005, "type": 0, "seq": 2}],
  "catalogue_items": [
    {"prod_id": 11, "busi_type": 101, "prod_name": "月租八折", "service_id": 1101, "priority": 1,
     "valid_cycle": -1, "subscr_param": "2", "sprom_para": 80},
    {"prod_id": 12, "busi_type": 101, "prod_name": "保底30元", "service_id": 1102, "priority": 2, "expire_mode": 1,
     "valid_cycle": 12, "subscr_param": "1", "sprom_para": 3000},
    {"prod_id": 13, "busi_type": 101, "prod_name": "减免5元", "service_id": 1103, "priority": 3,
     "valid_cycle": -2, "subscr_param": "3", "sprom_para": 500},
    {"prod_id": 14, "busi_type": 101, "prod_name": "普通套餐", "service_id": 1104, "priority": 4, "subscr_mode": 202,
     "valid_cycle": 6},
    {"prod_id": 15, "busi_type": 101, "prod_name": "减免附加包", "service_id": 1105, "priority": 5, "valid_cycle": 3},
    {"prod_id": 16, "busi_type": 101, "prod_name": "另类套餐", "service_id": 1106, "priority": 6, "valid_cycle": 3},
    {"prod_id": 17, "busi_type": 101, "prod_name": "任选附加包", "service_id": 1107, "priority": 7, "valid_cycle": 3},
    {"prod_id": 51, "busi_type": 5, "prod_name": "GPRS包月", "service_id": 1005, "valid_cycle": 12, "subscr_mode": 1},
    {"prod_id": 52, "busi_type": 5, "prod_name": "GPRS夜间包", "service_id": 1005, "valid_cycle": -2}],
  "plan_proms": [{"plan_id": 7, "prom_id": 11, "mandatory": 1}, {"plan_id": 7, "prom_id": 12, "mandatory": 2},
                 {"plan_id": 7, "prom_id": 13}, {"plan_id": 7, "prom_id": 14}, {"plan_id": 7, "prom_id": 15},
                 {"plan_id": 7, "prom_id": 16}, {"plan_id": 7, "prom_id": 17}],
  "prod_relations": [{"plan_id": 7, "prod_id": 15, "pre_prod_id": 13, "relate_type": 1},
                     {"plan_id": 7, "prod_id": 16, "pre_prod_id": 11, "relate_type": 2},
                     {"plan_id": 7, "prod_id": 17, "pre_prod_id": 14, "relate_type": 0},
                     {"plan_id": 7, "prod_id": 17, "pre_prod_id": 12, "relate_type": 0}]
})json";
  json.replace(json.find("@FLAGS@"), 7, popedomValid);
  return json;
}

}  // namespace zp::testing
