// The fixture tables of operators, privileges, subscribers, their services
// and the number pool.
#include "fixture_tables.h"

namespace zp::store {

namespace {
constexpr Kind I = Kind::integer, T = Kind::text, D = Kind::datetime;
}  // namespace

const std::vector<Table>& coreFixtureTables() {
  static const std::vector<Table> all = {
      {"operators", "zp_operator",
       {{"op_id", I, nullptr}, {"org_id", I, "0"}, {"region_code", I, "0"}, {"county_code", I, "0"},
        {"op_name", T, ""}, {"password_salt", T, ""}, {"password_hash", T, ""}, {"disabled", I, "0"},
        {"fail_count", I, "0"}, {"locked_until", I, "0"}}},
      {"priv_entities", "zp_priv_entity",
       {{"ent_id", I, nullptr}, {"ent_name", T, ""}, {"ent_own_id", I, "0"}, {"ent_class_id", I, "0"},
        {"ent_type_id", I, "0"}, {"node_id", I, "0"}, {"priv_class", I, "0"}}},
      {"operator_rights", "zp_operator_right", {{"op_id", I, nullptr}, {"ent_id", I, nullptr}, {"priv_id", I, "10"}}},
      {"customers", "zp_customer",
       {{"cust_id", I, nullptr}, {"cust_name", T, ""}, {"cust_type", I, "1"}, {"cust_class", I, "0"},
        {"reg_type", I, "1"}, {"reg_nbr", T, ""}, {"region_code", I, "0"}, {"county_code", I, "0"},
        {"org_id", I, "0"}, {"link_phone", T, ""}, {"post_address", T, ""}, {"vip_flag", I, "0"},
        {"create_date", D, "2020-01-01 00:00:00"}}},
      {"accounts", "zp_account",
       {{"acct_id", I, nullptr}, {"cust_id", I, nullptr}, {"acct_name", T, ""}, {"acct_type", I, "1"},
        {"pay_type", I, "1"}, {"region_code", I, "0"}, {"county_code", I, "0"}, {"org_id", I, "0"},
        {"sts", I, "1"}, {"create_date", D, "2020-01-01 00:00:00"}}},
      {"users", "zp_user",
       {{"serv_id", I, nullptr}, {"phone_id", T, nullptr}, {"cust_id", I, nullptr}, {"acct_id", I, nullptr},
        {"region_code", I, "0"}, {"county_code", I, "0"}, {"org_id", I, "0"}, {"plan_id", I, "0"},
        {"brand", I, "0"}, {"user_type", I, "1"}, {"user_sts", I, "1"}, {"os_sts", T, ""},
        {"bill_type", I, "0"}, {"sim_id", T, ""}, {"password_flag", I, "0"}, {"password_salt", T, ""},
        {"password_hash", T, ""}, {"create_date", D, "2020-01-01 00:00:00"},
        {"sts_date", D, "2020-01-01 00:00:00"}}},
      {"user_services", "zp_user_service",
       {{"serv_id", I, nullptr}, {"busi_type", I, nullptr}, {"service_id", I, "0"}, {"res_code", I, "0"},
        {"res_id", T, ""}, {"sts", I, "1"}, {"sts_date", D, "2020-01-01 00:00:00"},
        {"valid_date", D, "2020-01-01 00:00:00"}, {"expire_date", D, "2099-12-31 23:59:59"},
        {"remark", T, ""}, {"so_nbr", I, "0"}}},
      {"user_products", "zp_user_product",
       {{"serv_id", I, nullptr}, {"prod_id", I, nullptr}, {"busi_type", I, "0"}, {"func_param", T, ""},
        {"func_type", I, "0"}, {"service_id", I, "0"}, {"plan_id", I, "0"},
        {"valid_date", D, "2020-01-01 00:00:00"}, {"expire_date", D, "2099-12-31 23:59:59"},
        {"remark", T, ""}, {"so_nbr", I, "0"}}},
      {"user_promotions", "zp_user_promotion",
       {{"serv_id", I, nullptr}, {"sprom_id", I, nullptr}, {"busi_type", I, "0"}, {"plan_id", I, "0"},
        {"sprom_type", I, "0"}, {"sprom_para", T, ""}, {"sprom_prior", I, "0"}, {"pay_mode", I, "0"},
        {"service_id", I, "0"}, {"subscr_param", T, ""}, {"create_date", D, "2020-01-01 00:00:00"},
        {"valid_date", D, "2020-01-01 00:00:00"}, {"expire_date", D, "2099-12-31 23:59:59"},
        {"remark", T, ""}, {"so_nbr", I, "0"}}},
      {"deposits", "zp_user_deposit",
       {{"serv_id", I, nullptr}, {"assure_item", I, "0"}, {"assure_type", I, "0"}, {"busi_type", I, "0"},
        {"deposit", I, "0"}, {"remark", T, ""}, {"valid_date", D, "2020-01-01 00:00:00"},
        {"expire_date", D, "2099-12-31 23:59:59"}}},
      {"equipment", "zp_user_equipment",
       {{"serv_id", I, nullptr}, {"eqpt_id", T, ""}, {"busi_type", I, "0"}, {"eqpt_sn", T, ""},
        {"res_code", I, "0"}, {"eqpt_count", I, "1"}, {"create_date", D, "2020-01-01 00:00:00"},
        {"remark", T, ""}}},
      {"special_data", "zp_special_data",
       {{"serv_id", I, nullptr}, {"busi_type", I, nullptr}, {"field_name", T, nullptr}, {"field_value", T, ""}}},
      {"numbers", "zp_res_number",
       {{"res_id", T, nullptr}, {"res_code", I, "1"}, {"res_type", I, "30"}, {"region_code", I, "0"},
        {"county_code", I, "0"}, {"sts", I, "1"}, {"op_id", I, "0"}, {"org_id", I, "0"}, {"agent_id", I, "0"},
        {"sign_time", I, "0"}, {"lease_until", I, "0"}, {"serv_id", I, "0"}}},
  };
  return all;
}

}  // namespace zp::store
