// A small region for the commit tests: operator 11 holds every right (and
// sits in county 1, organisation 110), the subscribers in county 3,
// organisation 5710301, so an order that mixed the two would show.
//   601 has nothing;
//   602 has Global Call (55000002) with its discount, GPS with two
//       products, GPRS with a promotion of its own, and the access point.
// Every business is plan-bound, so plan 101 seeds the mandatory promotion
// of Global Call, GPS and ring-back openings. Opening Global Call is priced
// (a 5.00 fee), so is opening GPS (3.00 and a 10.00 prepayment); cancelling
// Global Call is not priced at all.
#pragma once

namespace zp::testing {

inline const char* kCommitWorld = R"json({
  "operators": [{"op_id": 11, "org_id": 110, "region_code": 571, "county_code": 1, "op_name": "张丽"}],
  "operator_rights": [{"op_id": 11, "ent_id": 51501}, {"op_id": 11, "ent_id": 51502},
                      {"op_id": 11, "ent_id": 51505}, {"op_id": 11, "ent_id": 51506},
                      {"op_id": 11, "ent_id": 51507}, {"op_id": 11, "ent_id": 51508}],
  "customers": [{"cust_id": 61, "cust_name": "钱一", "reg_type": 1, "reg_nbr": "33010219800101123X", "region_code": 571},
                {"cust_id": 62, "cust_name": "孙二", "reg_type": 1, "reg_nbr": "330106199002023451", "region_code": 571}],
  "accounts": [{"acct_id": 71, "cust_id": 61}, {"acct_id": 72, "cust_id": 62}],
  "users": [
    {"serv_id": 601, "phone_id": "13900000601", "cust_id": 61, "acct_id": 71, "region_code": 571, "county_code": 3, "org_id": 5710301, "plan_id": 101, "brand": 1},
    {"serv_id": 602, "phone_id": "13900000602", "cust_id": 62, "acct_id": 72, "region_code": 571, "county_code": 3, "org_id": 5710301, "plan_id": 101, "brand": 1}],
  "user_services": [
    {"serv_id": 602, "busi_type": 101, "service_id": 1101, "res_code": 1, "res_id": "55000002", "remark": "老号码"},
    {"serv_id": 602, "busi_type": 102, "service_id": 1102, "remark": "定位"},
    {"serv_id": 602, "busi_type": 5, "service_id": 1005, "remark": "GPRS老用户"},
    {"serv_id": 602, "busi_type": 131, "service_id": 1131, "remark": "接入点老用户"}],
  "user_products": [
    {"serv_id": 602, "prod_id": 3201, "busi_type": 102, "func_param": "13957100099", "service_id": 1102, "plan_id": 101},
    {"serv_id": 602, "prod_id": 3202, "busi_type": 102, "func_param": "", "service_id": 1103, "plan_id": 101}],
  "user_promotions": [
    {"serv_id": 602, "sprom_id": 2001, "busi_type": 5, "plan_id": 101, "service_id": 1005, "subscr_param": ""},
    {"serv_id": 602, "sprom_id": 2101, "busi_type": 101, "plan_id": 101, "service_id": 1101, "subscr_param": "2", "sprom_para": "80"}],
  "special_data": [
    {"serv_id": 602, "busi_type": 102, "field_name": "SP_ID", "field_value": "2"},
    {"serv_id": 602, "busi_type": 102, "field_name": "GPS_TYPE", "field_value": "2"}],
  "numbers": [{"res_id": "55000002", "region_code": 571, "sts": 3, "serv_id": 602}],
  "number_ranges": [{"first": "55100000", "count": 10, "region_code": 571}],
  "service_providers": [{"sp_id": 1, "sp_name": "天途定位"}, {"sp_id": 2, "sp_name": "通达位置"}],
  "crbt_songs": [{"region_code": 571, "song_id": "A01", "song_name": "生日快乐"}],
  "code_lists": [{"list_no": 0, "code": 1, "name": "个人客户"}, {"list_no": 3, "code": 1, "name": "身份证"},
                 {"list_no": 5, "code": 1, "name": "普通用户"}, {"list_no": 6, "code": 1, "name": "正常"},
                 {"list_no": 57, "code": 571, "name": "杭州"}, {"list_no": 58, "code": 3, "name": "西湖"},
                 {"list_no": 64, "code": 1, "name": "车辆定位"}, {"list_no": 64, "code": 2, "name": "人员定位"}],
  "brands": [{"brand_id": 1, "brand_name": "全球通"}],
  "plans": [{"plan_id": 101, "brand_id": 1, "plan_name": "商旅套餐"}],
  "sys_params": [{"region_code": 571, "para_name": "PromPopedomValid", "para_value": "0@0"}],
  "busi_types": [{"busi_type": 101, "busi_name": "全球呼", "service_id": 1101, "type": 1, "seq": 1},
                 {"busi_type": 102, "busi_name": "GPS", "service_id": 1102, "type": 1, "seq": 2},
                 {"busi_type": 5, "busi_name": "GPRS", "service_id": 1005, "type": 1, "seq": 3},
                 {"busi_type": 104, "busi_name": "彩铃", "service_id": 1104, "type": 1, "seq": 4},
                 {"busi_type": 131, "busi_name": "GPRS接入点", "service_id": 1131, "type": 1, "seq": 5}],
  "catalogue_items": [
    {"prod_id": 2101, "busi_type": 101, "prod_name": "全球呼月租八折", "service_id": 1101, "priority": 1, "valid_cycle": -1, "subscr_param": "2", "sprom_para": 80},
    {"prod_id": 2201, "busi_type": 102, "prod_name": "GPS普通套餐", "service_id": 1102, "priority": 1, "valid_cycle": 6},
    {"prod_id": 2001, "busi_type": 5, "prod_name": "GPRS普通套餐", "service_id": 1005, "priority": 1, "valid_cycle": 6},
    {"prod_id": 2401, "busi_type": 104, "prod_name": "彩铃普通套餐", "service_id": 1104, "priority": 1, "valid_cycle": 6},
    {"prod_id": 2311, "busi_type": 131, "prod_name": "专用APN包年", "service_id": 1131, "priority": 1, "valid_cycle": 12}],
  "plan_proms": [{"plan_id": 101, "prom_id": 2101, "mandatory": 1}, {"plan_id": 101, "prom_id": 2201, "mandatory": 1},
                 {"plan_id": 101, "prom_id": 2001}, {"plan_id": 101, "prom_id": 2401, "mandatory": 1},
                 {"plan_id": 101, "prom_id": 2311, "mandatory": 1}],
  "book_items": [{"item_id": 103, "name": "手续费"}, {"item_id": 201, "name": "预存话费", "prepay": 1},
                 {"item_id": 302, "name": "手续费优惠"}],
  "acc_item_rels": [{"fee_item": 103, "disc_item": 302, "item_name": "手续费优惠"}],
  "fee_flags": [{"busi_code": 1302, "flag": 1}, {"busi_code": 1304, "flag": 1}, {"busi_code": 1303, "flag": 0}],
  "fee_rules": [{"busi_code": 1302, "book_item_id": 103, "item_value": 500, "remark": "全球呼开通手续费"},
                {"busi_code": 1304, "book_item_id": 103, "item_value": 300, "remark": "GPS开通手续费"}],
  "prepay_rules": [{"busi_code": 1304, "book_item_id": 201, "amount": 1000, "remark": "GPS预存"}]
})json";

}  // namespace zp::testing
