// The small world the public business library's tests run against, on
// SQLite or PostgreSQL, and an environment variable set for one scope.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#include "scoped_env.h"
#include "backend_world.h"

namespace zp::testing {

// Region 571. 501 has password 135790 and the stop states "01000000"; 502 is
// stopped; 503 has no password; 504 (region 572) has password 246810; 505's
// account owes 500 fen; 506 is prepaid and changed status two days ago; 507's
// customer and account are missing. Business 1302's chain: stopped or owing
// more than 100 fen refused, else confirm (2) → notice (3) → nothing (0).
// Business 9000 has one condition per check point.
inline const char* kBusiWorld = R"json({
  "customers": [{"cust_id": 1, "cust_name": "周明", "cust_type": 1, "reg_type": 1,
                 "reg_nbr": "330102197003071231", "region_code": 571, "county_code": 1, "link_phone": "13900000501"}],
  "accounts": [{"acct_id": 2, "cust_id": 1, "acct_name": "周明", "pay_type": 1, "region_code": 571},
               {"acct_id": 3, "cust_id": 1, "acct_name": "周明(欠费)", "region_code": 571}],
  "users": [{"serv_id": 501, "phone_id": "13900000501", "cust_id": 1, "acct_id": 2, "region_code": 571,
             "county_code": 1, "plan_id": 7, "brand": 1, "os_sts": "01000000", "password": "135790"},
            {"serv_id": 502, "phone_id": "13900000502", "cust_id": 1, "acct_id": 2, "region_code": 571, "user_sts": 0},
            {"serv_id": 503, "phone_id": "13900000503", "cust_id": 1, "acct_id": 2, "region_code": 571},
            {"serv_id": 504, "phone_id": "13900000504", "cust_id": 1, "acct_id": 2, "region_code": 572, "password": "246810"},
            {"serv_id": 505, "phone_id": "13900000505", "cust_id": 1, "acct_id": 3, "region_code": 571},
            {"serv_id": 506, "phone_id": "13900000506", "cust_id": 1, "acct_id": 2, "region_code": 571, "bill_type": 1,
             "sts_date": "2026-12-08 09:00:00"},
            {"serv_id": 507, "phone_id": "13900000507", "cust_id": 99, "acct_id": 99, "region_code": 571}],
  "account_arrears": [{"acct_id": 3, "owe_fee": 500}],
  "busi_rules": [
    {"busi_code": 1302, "check_point": 0, "seq": 1, "cond_kind": "user_stopped", "check_result": -1, "check_desc": "用户已停机"},
    {"busi_code": 1302, "check_point": 0, "seq": 2, "cond_kind": "arrears", "cond_value": 100, "check_result": -1, "check_desc": "用户欠费"},
    {"busi_code": 1302, "check_point": 0, "seq": 3, "check_result": 2, "check_desc": "月功能费10元,是否继续?", "next_point": 1,
     "ent_id": 51501, "priv_id": 10},
    {"busi_code": 1302, "check_point": 1, "seq": 1, "check_result": 3, "check_desc": "号码即时生效", "next_point": 2},
    {"busi_code": 9000, "check_point": 1, "cond_kind": "user_stopped", "check_result": 3, "check_desc": "停机"},
    {"busi_code": 9000, "check_point": 2, "cond_kind": "arrears", "cond_value": 100, "check_result": 3, "check_desc": "欠费"},
    {"busi_code": 9000, "check_point": 3, "cond_kind": "remote_region", "check_result": 3, "check_desc": "异地"},
    {"busi_code": 9000, "check_point": 4, "cond_kind": "prepaid", "check_result": 3, "check_desc": "预付费"},
    {"busi_code": 9000, "check_point": 5, "cond_kind": "recent_change", "cond_value": 7, "check_result": 3, "check_desc": "近期变更"},
    {"busi_code": 9000, "check_point": 6, "cond_kind": "moon_phase", "check_result": 3, "check_desc": "?"}],
  "black_list": [{"reg_type": 1, "reg_nbr": "330102197003071231", "list_type": 1, "reason": "恶意欠费"},
                 {"reg_type": 1, "reg_nbr": "11010519491231002X", "list_type": 2, "reason": "多次拖欠"},
                 {"reg_type": 2, "reg_nbr": "91330100MA27X0001K", "list_type": 1}],
  "code_lists": [{"list_no": 57, "code": 572, "name": "湖州"}, {"list_no": 57, "code": 571, "name": "杭州"},
                 {"list_no": 3, "code": 1, "name": "居民身份证"}, {"list_no": 3, "code": 2, "name": "营业执照"},
                 {"list_no": 64, "code": 1, "name": "车辆定位"}],
  "verify_types": [{"busi_code": 1302, "verify_type": 2}, {"busi_code": 1304, "verify_type": 1}]
})json";

}  // namespace zp::testing
