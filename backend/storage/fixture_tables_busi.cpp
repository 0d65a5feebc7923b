// The fixture tables of the business public service: rule checks, arrears,
// black and grey lists, code lists, verification types, password attempts.
#include "fixture_tables.h"

namespace zp::store {

namespace {
constexpr Kind I = Kind::integer, T = Kind::text, D = Kind::datetime;
}  // namespace

const std::vector<Table>& busiFixtureTables() {
  static const std::vector<Table> all = {
      {"busi_rules", "zp_busi_rule",
       {{"busi_code", I, nullptr}, {"check_point", I, "0"}, {"seq", I, "1"}, {"cond_kind", T, "always"},
        {"cond_value", I, "0"}, {"check_result", I, nullptr}, {"check_desc", T, ""}, {"next_point", I, "0"},
        {"ent_id", I, "0"}, {"priv_id", I, "0"}}},
      {"account_arrears", "zp_acct_owe", {{"acct_id", I, nullptr}, {"owe_fee", I, nullptr}, {"owe_cycles", I, "1"}}},
      // Numbers are kept as the lookup compares them: without blanks, letters in upper case.
      {"black_list", "zp_black_list",
       {{"reg_type", I, "1"}, {"reg_nbr", T, nullptr}, {"list_type", I, "1"}, {"reason", T, ""},
        {"create_date", D, "2020-01-01 00:00:00"}}},
      {"code_lists", "zp_code_list", {{"list_no", I, nullptr}, {"code", I, nullptr}, {"name", T, nullptr}}},
      {"verify_types", "zp_busi_verify_type", {{"busi_code", I, nullptr}, {"verify_type", I, nullptr}}},
      {"password_attempts", "zp_password_attempt",
       {{"serv_id", I, nullptr}, {"fail_count", I, "0"}, {"locked_until", I, "0"}}},
  };
  return all;
}

}  // namespace zp::store
