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
      // The sales catalogue and the fee rules.
      {"busi_types", "zp_busi_type",
       {{"busi_type", I, nullptr}, {"busi_name", T, nullptr}, {"service_id", I, "0"}, {"type", I, "0"},
        {"description", T, ""}, {"busi_level", I, "0"}, {"subscr_mode", I, "0"}, {"expire_mode", I, "0"},
        {"busi_class", I, "0"}, {"disc_type", I, "0"}, {"seq", I, "0"}}},
      {"brands", "zp_brand",
       {{"brand_id", I, nullptr}, {"brand_name", T, nullptr}, {"valid_date", D, "2000-01-01 00:00:00"}, {"expire_date", D, "2099-12-31 23:59:59"},
        {"description", T, ""}}},
      {"plans", "zp_plan",
       {{"plan_id", I, nullptr}, {"brand_id", I, "0"}, {"plan_name", T, nullptr}, {"pay_mode", I, "0"},
        {"valid_limit", I, "0"}, {"expire_limit", I, "0"}, {"valid_date", D, "2000-01-01 00:00:00"}, {"expire_date", D, "2099-12-31 23:59:59"},
        {"act_prop", T, ""}, {"description", T, ""}, {"busi_type", I, "0"}}},
      {"catalogue_items", "zp_catalogue_item",
       {{"prod_id", I, nullptr}, {"busi_type", I, nullptr}, {"prod_name", T, nullptr}, {"is_prom", I, "1"},
        {"service_id", I, "0"}, {"priority", I, "0"}, {"subscr_mode", I, "0"}, {"expire_mode", I, "0"},
        {"is_global", I, "0"}, {"min_num", I, "0"}, {"max_num", I, "0"}, {"description", T, ""},
        {"valid_cycle", I, "0"}, {"subscr_param", T, ""}, {"sprom_para", I, "-1"}, {"prod_class", I, "0"},
        {"valid_date", D, "2000-01-01 00:00:00"}, {"expire_date", D, "2099-12-31 23:59:59"}}},
      {"plan_proms", "zp_plan_sprom", {{"plan_id", I, nullptr}, {"prom_id", I, nullptr}, {"mandatory", I, "0"}}},
      {"plan_prods", "zp_plan_prod", {{"plan_id", I, nullptr}, {"product_id", I, nullptr}, {"mandatory", I, "0"}}},
      {"prod_relations", "zp_prod_relation",
       {{"plan_id", I, "0"}, {"prod_id", I, nullptr}, {"pre_prod_id", I, nullptr}, {"relate_type", I, nullptr},
        {"description", T, ""}}},
      {"op_popedom", "zp_op_popedom", {{"op_id", I, nullptr}, {"prod_id", I, nullptr}}},
      {"book_items", "zp_book_item", {{"item_id", I, nullptr}, {"name", T, nullptr}, {"prepay", I, "0"}}},
      {"acc_item_rels", "zp_acc_item_rel",
       {{"fee_item", I, nullptr}, {"disc_item", I, nullptr}, {"item_name", T, ""}, {"rel_flag", I, "0"}}},
      {"fee_flags", "zp_fee_flag",
       {{"busi_code", I, nullptr}, {"region_code", I, "0"}, {"user_type", I, "0"}, {"flag", I, nullptr}}},
      {"fee_rules", "zp_fee_rule",
       {{"busi_code", I, nullptr}, {"prod_id", I, "0"}, {"seq", I, "1"}, {"book_item_id", I, nullptr},
        {"item_value", I, nullptr}, {"item_discount", I, "0"}, {"item_count", I, "1"}, {"remark", T, ""}}},
      {"prepay_rules", "zp_prepay_rule",
       {{"busi_code", I, nullptr}, {"prod_id", I, "0"}, {"book_item_id", I, nullptr}, {"amount", I, nullptr},
        {"remark", T, ""}}},
  };
  return all;
}

}  // namespace zp::store
