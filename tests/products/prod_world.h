// A small product world for the frame and dialog tests, region 571.
//
// Global Call (101) offers under plan 8:
//   61 caller display, mandatory, from the third next cycle; its offer
//      DESCRIPTION "来电显示功能" differs from its NAME "来电显示"
//   62 unconditional forwarding (service 7121, call forwarding)
//   63 ring-back (service 7104, ring-back), expires next cycle
//   64 no-answer forwarding (7122): requires 62
//   65 unreachable forwarding (7123): requires 64
//   66 busy forwarding (7124): excludes 61 (mandatory)
//   67 voice mail: any of 62 and 63
//   68 mail notice: requires 67
// MscCall lists 7121 to 7124, MscCrbt 7104 and 7141. Songs of region 571: two.
#pragma once

#include <string>

namespace zp::testing {

inline std::string ProdWorld(const std::string& popedomValid = "0@0", const std::string& mscCrbt = "7104,7141") {
  std::string json = R"json({
  "operators": [
    {"op_id": 31, "org_id": 5710101, "region_code": 571, "county_code": 1, "op_name": "产品操作员"}],
  "sys_params": [
    {"region_code": 571, "para_name": "ProdPopedomValid", "para_value": "@FLAGS@"},
    {"region_code": 0, "para_name": "MscCall", "para_value": "7121,7122,7123,7124"},
    {"region_code": 0, "para_name": "MscCrbt", "para_value": "@CRBT@"}],
  "crbt_songs": [
    {"region_code": 571, "song_id": "S001", "song_name": "茉莉花"},
    {"region_code": 571, "song_id": "S002", "song_name": "春江花月夜"},
    {"region_code": 572, "song_id": "S901", "song_name": "外地歌曲"}],
  "busi_types": [
    {"busi_type": 101, "busi_name": "全球呼", "service_id": 1101, "type": 1, "seq": 1},
    {"busi_type": 104, "busi_name": "彩铃", "service_id": 1104, "type": 1, "seq": 2},
    {"busi_type": 106, "busi_name": "呼叫转移", "service_id": 1106, "type": 1, "seq": 3},
    {"busi_type": 5, "busi_name": "GPRS", "service_id": 1005, "type": 0, "seq": 4}],
  "catalogue_items": [
    {"prod_id": 61, "busi_type": 101, "prod_name": "来电显示", "is_prom": 0, "service_id": 7001, "subscr_mode": 3,
     "description": "来电显示功能"},
    {"prod_id": 62, "busi_type": 101, "prod_name": "无条件呼转", "is_prom": 0, "service_id": 7121,
     "description": "无条件呼转"},
    {"prod_id": 63, "busi_type": 101, "prod_name": "彩铃", "is_prom": 0, "service_id": 7104, "expire_mode": 1,
     "description": "彩铃"},
    {"prod_id": 64, "busi_type": 101, "prod_name": "无应答呼转", "is_prom": 0, "service_id": 7122,
     "description": "无应答呼转"},
    {"prod_id": 65, "busi_type": 101, "prod_name": "不可及呼转", "is_prom": 0, "service_id": 7123,
     "description": "不可及呼转"},
    {"prod_id": 66, "busi_type": 101, "prod_name": "遇忙呼转", "is_prom": 0, "service_id": 7124,
     "description": "遇忙呼转"},
    {"prod_id": 67, "busi_type": 101, "prod_name": "语音信箱", "is_prom": 0, "service_id": 7002,
     "description": "语音信箱"},
    {"prod_id": 68, "busi_type": 101, "prod_name": "留言提醒", "is_prom": 0, "service_id": 7003,
     "description": "留言提醒"},
    {"prod_id": 71, "busi_type": 106, "prod_name": "全球呼转移", "is_prom": 0, "service_id": 305032},
    {"prod_id": 72, "busi_type": 106, "prod_name": "其他转移", "is_prom": 0, "service_id": 305033},
    {"prod_id": 73, "busi_type": 106, "prod_name": "DIY彩铃", "is_prom": 0, "service_id": 7141},
    {"prod_id": 74, "busi_type": 104, "prod_name": "彩铃基本", "is_prom": 0, "service_id": 7104}],
  "plan_prods": [{"plan_id": 8, "product_id": 61, "mandatory": 1}, {"plan_id": 8, "product_id": 62},
                 {"plan_id": 8, "product_id": 63}, {"plan_id": 8, "product_id": 64},
                 {"plan_id": 8, "product_id": 65}, {"plan_id": 8, "product_id": 66},
                 {"plan_id": 8, "product_id": 67}, {"plan_id": 8, "product_id": 68}],
  "prod_relations": [{"plan_id": 8, "prod_id": 64, "pre_prod_id": 62, "relate_type": 1},
                     {"plan_id": 8, "prod_id": 65, "pre_prod_id": 64, "relate_type": 1},
                     {"plan_id": 8, "prod_id": 66, "pre_prod_id": 61, "relate_type": 2},
                     {"plan_id": 8, "prod_id": 67, "pre_prod_id": 62, "relate_type": 0},
                     {"plan_id": 8, "prod_id": 67, "pre_prod_id": 63, "relate_type": 0},
                     {"plan_id": 8, "prod_id": 68, "pre_prod_id": 67, "relate_type": 1}]
})json";
  json.replace(json.find("@FLAGS@"), 7, popedomValid);
  json.replace(json.find("@CRBT@"), 6, mscCrbt);
  return json;
}

}  // namespace zp::testing
