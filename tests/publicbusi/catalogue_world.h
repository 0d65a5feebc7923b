// The small sales catalogue the catalogue and fee tests run against.
#pragma once

namespace zp::testing {

// Business types 5 (by type), 101 and 104 (plan-bound), listed in that
// order. Plan 7 offers promotions 11 (mandatory), 12 (pre-selected), 13 and
// 14 (the last of type 104) and products 61 (mandatory), 62 and 63; plan 8
// offers 11 and 61. Type 5 has promotions 51 (valid), 52 (expired), 53 (not
// yet valid) and product 54. Operator 21 may sell 12, 51 and 62; 22 nothing.
// Fees: 1302 costs 500 fen of item 103 per order, 11 costs 1000 less 200,
// 12 two units of 1500 plus a 3000 prepayment, 61 costs 500; 1303's rule for
// 11 must never price a 1302 order.
inline const char* kCatalogueWorld = R"json({
  "busi_types": [
    {"busi_type": 101, "busi_name": "全球呼", "service_id": 1101, "type": 1, "description": "全球呼叫", "subscr_mode": 1, "seq": 2},
    {"busi_type": 5, "busi_name": "GPRS", "service_id": 1005, "type": 0, "seq": 1},
    {"busi_type": 104, "busi_name": "彩铃", "service_id": 1104, "type": 1, "busi_level": 2, "seq": 3}],
  "brands": [{"brand_id": 2, "brand_name": "动感地带"},
             {"brand_id": 1, "brand_name": "全球通", "valid_date": "2001-02-03 00:00:00", "description": "商务"}],
  "plans": [{"plan_id": 8, "brand_id": 2, "plan_name": "音乐套餐", "busi_type": 5},
            {"plan_id": 7, "brand_id": 1, "plan_name": "标准资费", "pay_mode": 1}],
  "catalogue_items": [
    {"prod_id": 11, "busi_type": 101, "prod_name": "月租八折", "service_id": 1101, "priority": 1, "subscr_mode": 101,
     "valid_cycle": -1, "subscr_param": "2", "sprom_para": 80, "description": "八折"},
    {"prod_id": 12, "busi_type": 101, "prod_name": "保底30元", "service_id": 1101, "priority": 2, "expire_mode": 1,
     "valid_cycle": -2, "subscr_param": "1", "sprom_para": 3000, "min_num": 1, "max_num": 3},
    {"prod_id": 13, "busi_type": 101, "prod_name": "普通套餐", "service_id": 1101, "priority": 3, "subscr_mode": 202,
     "valid_cycle": 6},
    {"prod_id": 14, "busi_type": 104, "prod_name": "彩铃五折", "service_id": 1104, "subscr_param": "2", "sprom_para": 50},
    {"prod_id": 51, "busi_type": 5, "prod_name": "GPRS包月", "service_id": 1005, "priority": 1, "valid_cycle": 12,
     "subscr_mode": 1, "expire_mode": 1},
    {"prod_id": 52, "busi_type": 5, "prod_name": "GPRS旧套餐", "service_id": 1005, "priority": 2,
     "valid_date": "2023-01-01 00:00:00", "expire_date": "2024-12-31 23:59:59"},
    {"prod_id": 53, "busi_type": 5, "prod_name": "GPRS新套餐", "service_id": 1005, "priority": 3,
     "valid_date": "2027-01-01 00:00:00"},
    {"prod_id": 54, "busi_type": 5, "prod_name": "GPRS功能", "is_prom": 0, "service_id": 1005},
    {"prod_id": 61, "busi_type": 104, "prod_name": "彩铃功能", "is_prom": 0, "service_id": 1104, "subscr_mode": 1,
     "description": "彩铃基本功能"},
    {"prod_id": 62, "busi_type": 104, "prod_name": "彩铃DIY", "is_prom": 0, "service_id": 1141, "expire_mode": 1},
    {"prod_id": 63, "busi_type": 106, "prod_name": "无条件呼转", "is_prom": 0, "service_id": 1121}],
  "plan_proms": [{"plan_id": 7, "prom_id": 11, "mandatory": 1}, {"plan_id": 7, "prom_id": 12, "mandatory": 2},
                 {"plan_id": 7, "prom_id": 13}, {"plan_id": 7, "prom_id": 14}, {"plan_id": 8, "prom_id": 11}],
  "plan_prods": [{"plan_id": 7, "product_id": 61, "mandatory": 1}, {"plan_id": 7, "product_id": 62},
                 {"plan_id": 7, "product_id": 63}, {"plan_id": 8, "product_id": 61}],
  "prod_relations": [{"plan_id": 7, "prod_id": 12, "pre_prod_id": 11, "relate_type": 1, "description": "须先办八折"},
                     {"plan_id": 7, "prod_id": 13, "pre_prod_id": 12, "relate_type": 2},
                     {"prod_id": 62, "pre_prod_id": 61, "relate_type": 1},
                     {"plan_id": 8, "prod_id": 61, "pre_prod_id": 63, "relate_type": 0}],
  "op_popedom": [{"op_id": 21, "prod_id": 12}, {"op_id": 21, "prod_id": 51}, {"op_id": 21, "prod_id": 62}],
  "book_items": [{"item_id": 201, "name": "预存话费", "prepay": 1}, {"item_id": 101, "name": "功能费"},
                 {"item_id": 103, "name": "手续费"}],
  "acc_item_rels": [{"fee_item": 103, "disc_item": 302, "item_name": "手续费优惠"},
                    {"fee_item": 101, "disc_item": 301, "item_name": "功能费优惠"},
                    {"fee_item": 102, "disc_item": 303, "item_name": "卡费优惠", "rel_flag": 1}],
  "fee_flags": [{"busi_code": 1302, "flag": 1}, {"busi_code": 1303, "flag": 0},
                {"busi_code": 1324, "flag": 1}, {"busi_code": 1324, "region_code": 572, "flag": 0},
                {"busi_code": 1324, "region_code": 571, "user_type": 3, "flag": 0}],
  "fee_rules": [{"busi_code": 1302, "book_item_id": 103, "item_value": 500, "remark": "手续费"},
                {"busi_code": 1302, "prod_id": 11, "book_item_id": 101, "item_value": 1000, "item_discount": -200,
                 "remark": "八折"},
                {"busi_code": 1302, "prod_id": 12, "book_item_id": 101, "item_value": 1500, "item_count": 2},
                {"busi_code": 1302, "prod_id": 61, "book_item_id": 101, "item_value": 500},
                {"busi_code": 1303, "prod_id": 11, "book_item_id": 101, "item_value": 9999}],
  "prepay_rules": [{"busi_code": 1302, "prod_id": 12, "book_item_id": 201, "amount": 3000, "remark": "保底预存"}]
})json";

}  // namespace zp::testing
