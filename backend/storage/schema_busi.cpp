#include "schema.h"

namespace zp::store {

// Rule checks: the rows of one check point of a business code are tried in
// seq order and the first whose condition holds answers; a point where none
// holds passes. Conditions (cond_kind, with cond_value where it takes one):
//   always         holds always
//   user_stopped   the subscriber's user_sts is not 1 (in service)
//   arrears        the subscriber's account owes more than cond_value fen
//   remote_region  the subscriber's region is not the order's SO_REGION_CODE
//   prepaid        the subscriber's bill_type is 1 (prepaid)
//   recent_change  the subscriber's status changed, or an order of it was
//                  placed, within the last cond_value days
// Password attempts count wrong passwords in a row per subscriber; locked_until
// is in seconds since 1970.
const std::vector<Migration>& busiMigrations() {
  static const std::vector<Migration> all = {
      {3,
       "business rule checks, arrears, black and grey lists, code lists, verification types, password attempts",
       {
           "CREATE TABLE zp_busi_rule (busi_code INTEGER NOT NULL, check_point INTEGER NOT NULL, "
           "seq INTEGER NOT NULL, cond_kind TEXT NOT NULL, cond_value BIGINT NOT NULL, "
           "check_result INTEGER NOT NULL, check_desc TEXT NOT NULL, next_point INTEGER NOT NULL, "
           "ent_id INTEGER NOT NULL, priv_id INTEGER NOT NULL, PRIMARY KEY (busi_code, check_point, seq))",
           "CREATE TABLE zp_acct_owe (acct_id BIGINT PRIMARY KEY, owe_fee BIGINT NOT NULL, "
           "owe_cycles INTEGER NOT NULL)",
           "CREATE TABLE zp_black_list (reg_type SMALLINT NOT NULL, reg_nbr {TEXT_KEY} NOT NULL, "
           "list_type SMALLINT NOT NULL, reason TEXT NOT NULL, create_date BIGINT NOT NULL, "
           "PRIMARY KEY (reg_type, reg_nbr))",
           "CREATE TABLE zp_code_list (list_no INTEGER NOT NULL, code INTEGER NOT NULL, name TEXT NOT NULL, "
           "PRIMARY KEY (list_no, code))",
           "CREATE TABLE zp_busi_verify_type (busi_code INTEGER PRIMARY KEY, verify_type SMALLINT NOT NULL)",
           "CREATE TABLE zp_password_attempt (serv_id BIGINT PRIMARY KEY, fail_count INTEGER NOT NULL, "
           "locked_until BIGINT NOT NULL)",
       }},
  };
  return all;
}

}  // namespace zp::store
