#include "schema.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace zp::store {

// Date-times are stored as their packed decimal YYYYMMDDHHNNSS (as on the
// wire), lease ends as seconds since 1970; money as BIGINT fen.
const std::vector<Migration>& coreMigrations() {
  static const std::vector<Migration> all = {
      {1,
       "operators, privileges, subscribers, number pool, orders",
       {
           "CREATE TABLE zp_sequence (name TEXT PRIMARY KEY, value BIGINT NOT NULL)",
           "INSERT INTO zp_sequence (name, value) VALUES ('so_nbr', 100000)",
           "CREATE TABLE zp_operator (op_id INTEGER PRIMARY KEY, org_id INTEGER NOT NULL, "
           "region_code SMALLINT NOT NULL, county_code SMALLINT NOT NULL, op_name TEXT NOT NULL)",
           "CREATE TABLE zp_priv_entity (ent_id INTEGER PRIMARY KEY, ent_name TEXT NOT NULL, "
           "ent_own_id INTEGER NOT NULL, ent_class_id SMALLINT NOT NULL, ent_type_id SMALLINT NOT NULL, "
           "node_id INTEGER NOT NULL, priv_class INTEGER NOT NULL)",
           "CREATE INDEX zp_priv_entity_class ON zp_priv_entity (priv_class, ent_id)",
           "CREATE TABLE zp_operator_right (op_id INTEGER NOT NULL, ent_id INTEGER NOT NULL, "
           "priv_id INTEGER NOT NULL, PRIMARY KEY (op_id, ent_id, priv_id))",
           "CREATE TABLE zp_customer (cust_id BIGINT PRIMARY KEY, cust_name TEXT NOT NULL, "
           "cust_type SMALLINT NOT NULL, cust_class SMALLINT NOT NULL, reg_type SMALLINT NOT NULL, "
           "reg_nbr TEXT NOT NULL, region_code SMALLINT NOT NULL, county_code SMALLINT NOT NULL, "
           "org_id INTEGER NOT NULL, link_phone TEXT NOT NULL, post_address TEXT NOT NULL, "
           "vip_flag SMALLINT NOT NULL, create_date BIGINT NOT NULL)",
           "CREATE TABLE zp_account (acct_id BIGINT PRIMARY KEY, cust_id BIGINT NOT NULL, "
           "acct_name TEXT NOT NULL, acct_type SMALLINT NOT NULL, pay_type SMALLINT NOT NULL, "
           "region_code SMALLINT NOT NULL, county_code SMALLINT NOT NULL, org_id INTEGER NOT NULL, "
           "sts SMALLINT NOT NULL, create_date BIGINT NOT NULL)",
           "CREATE TABLE zp_user (serv_id BIGINT PRIMARY KEY, phone_id {TEXT_KEY} NOT NULL UNIQUE, "
           "cust_id BIGINT NOT NULL, acct_id BIGINT NOT NULL, region_code SMALLINT NOT NULL, "
           "county_code SMALLINT NOT NULL, org_id INTEGER NOT NULL, plan_id INTEGER NOT NULL, "
           "brand INTEGER NOT NULL, user_type SMALLINT NOT NULL, user_sts SMALLINT NOT NULL, "
           "os_sts TEXT NOT NULL, bill_type SMALLINT NOT NULL, sim_id TEXT NOT NULL, "
           "password_flag SMALLINT NOT NULL, password_salt TEXT NOT NULL, password_hash TEXT NOT NULL, "
           "create_date BIGINT NOT NULL, sts_date BIGINT NOT NULL)",
           "CREATE TABLE zp_user_service (serv_id BIGINT NOT NULL, busi_type INTEGER NOT NULL, "
           "service_id INTEGER NOT NULL, res_code INTEGER NOT NULL, res_id TEXT NOT NULL, "
           "sts SMALLINT NOT NULL, sts_date BIGINT NOT NULL, valid_date BIGINT NOT NULL, "
           "expire_date BIGINT NOT NULL, remark TEXT NOT NULL, so_nbr BIGINT NOT NULL, "
           "PRIMARY KEY (serv_id, busi_type))",
           "CREATE TABLE zp_user_product (serv_id BIGINT NOT NULL, prod_id INTEGER NOT NULL, "
           "busi_type INTEGER NOT NULL, func_param TEXT NOT NULL, func_type SMALLINT NOT NULL, "
           "service_id INTEGER NOT NULL, plan_id INTEGER NOT NULL, valid_date BIGINT NOT NULL, "
           "expire_date BIGINT NOT NULL, remark TEXT NOT NULL, so_nbr BIGINT NOT NULL, "
           "PRIMARY KEY (serv_id, prod_id))",
           "CREATE TABLE zp_user_promotion (serv_id BIGINT NOT NULL, sprom_id INTEGER NOT NULL, "
           "busi_type INTEGER NOT NULL, plan_id INTEGER NOT NULL, sprom_type INTEGER NOT NULL, "
           "sprom_para TEXT NOT NULL, sprom_prior SMALLINT NOT NULL, pay_mode SMALLINT NOT NULL, "
           "service_id INTEGER NOT NULL, subscr_param TEXT NOT NULL, create_date BIGINT NOT NULL, "
           "valid_date BIGINT NOT NULL, expire_date BIGINT NOT NULL, remark TEXT NOT NULL, "
           "so_nbr BIGINT NOT NULL, PRIMARY KEY (serv_id, sprom_id))",
           "CREATE TABLE zp_user_deposit (serv_id BIGINT NOT NULL, assure_item INTEGER NOT NULL, "
           "assure_type INTEGER NOT NULL, busi_type INTEGER NOT NULL, deposit BIGINT NOT NULL, "
           "remark TEXT NOT NULL, valid_date BIGINT NOT NULL, expire_date BIGINT NOT NULL)",
           "CREATE TABLE zp_user_equipment (serv_id BIGINT NOT NULL, eqpt_id TEXT NOT NULL, "
           "busi_type INTEGER NOT NULL, eqpt_sn TEXT NOT NULL, res_code INTEGER NOT NULL, "
           "eqpt_count INTEGER NOT NULL, create_date BIGINT NOT NULL, remark TEXT NOT NULL)",
           // The special data of the GPS and ring-back services: one row per
           // subscriber and service, the fields by name as the detail records have them.
           "CREATE TABLE zp_special_data (serv_id BIGINT NOT NULL, busi_type INTEGER NOT NULL, "
           "field_name TEXT NOT NULL, field_value TEXT NOT NULL, PRIMARY KEY (serv_id, busi_type, field_name))",
           "CREATE TABLE zp_res_number (res_id {TEXT_KEY} PRIMARY KEY, res_code INTEGER NOT NULL, "
           "res_type INTEGER NOT NULL, region_code SMALLINT NOT NULL, county_code SMALLINT NOT NULL, "
           "sts SMALLINT NOT NULL, op_id INTEGER NOT NULL, org_id INTEGER NOT NULL, "
           "agent_id INTEGER NOT NULL, sign_time BIGINT NOT NULL, lease_until BIGINT NOT NULL, "
           "serv_id BIGINT NOT NULL)",
           "CREATE INDEX zp_res_number_pool ON zp_res_number (region_code, res_type, res_id)",
           "CREATE TABLE zp_order (so_nbr BIGINT PRIMARY KEY, busi_code INTEGER NOT NULL, "
           "serv_id BIGINT NOT NULL, cust_id BIGINT NOT NULL, acct_id BIGINT NOT NULL, "
           "op_id INTEGER NOT NULL, region_code SMALLINT NOT NULL, county_code SMALLINT NOT NULL, "
           "org_id INTEGER NOT NULL, so_region_code SMALLINT NOT NULL, so_county_code SMALLINT NOT NULL, "
           "so_org_id INTEGER NOT NULL, so_date BIGINT NOT NULL, after_flag SMALLINT NOT NULL, "
           "after_date BIGINT NOT NULL, verify_mode SMALLINT NOT NULL, line_count INTEGER NOT NULL, "
           "print_count INTEGER NOT NULL)",
           "CREATE INDEX zp_order_serv ON zp_order (serv_id, so_nbr)",
           // Every line of an order: its kind, its key values, and the whole
           // record as it arrived (wire bytes in hex) so nothing is lost.
           "CREATE TABLE zp_order_line (so_nbr BIGINT NOT NULL, line_no INTEGER NOT NULL, "
           "kind TEXT NOT NULL, act_type SMALLINT NOT NULL, item_id BIGINT NOT NULL, "
           "item_text TEXT NOT NULL, amount BIGINT NOT NULL, record TEXT NOT NULL, "
           "PRIMARY KEY (so_nbr, line_no))",
       }},
      // On PostgreSQL the counter row of zp_sequence stayed locked by each
      // order until its commit, so the orders of every server queued on that
      // one row; a sequence of the store gives numbers without holding a
      // lock. It starts above every number given so far (by the counter or
      // by hand), and the row goes, so that nothing can read a stale value.
      // SQLite keeps the row: its writes are serialised anyway.
      {8,
       "order numbers from a sequence of the store on PostgreSQL",
       {
           "{POSTGRESQL}CREATE SEQUENCE zp_so_nbr_seq AS BIGINT",
           "{POSTGRESQL}SELECT setval('zp_so_nbr_seq', GREATEST(100000, "
           "(SELECT MAX(value) FROM zp_sequence WHERE name = 'so_nbr'), (SELECT MAX(so_nbr) FROM zp_order)))",
           "{POSTGRESQL}DELETE FROM zp_sequence WHERE name = 'so_nbr'",
       }},
  };
  return all;
}

const std::vector<Migration>& migrations() {
  static const std::vector<Migration> all = [] {
    std::vector<Migration> m = coreMigrations();
    for (const auto* more : {&sysmgntMigrations(), &busiMigrations(), &catalogueMigrations(), &sessionMigrations()}) m.insert(m.end(), more->begin(), more->end());
    std::sort(m.begin(), m.end(), [](const Migration& a, const Migration& b) { return a.version < b.version; });
    for (std::size_t i = 0; i < m.size(); ++i)
      if (m[i].version != static_cast<int>(i) + 1) throw StoreError("schema migrations must be numbered 1, 2, 3, ...");
    return m;
  }();
  return all;
}

std::string dialect(const std::string& statement, Backend backend) {
  static const std::string holder = "{TEXT_KEY}";
  for (const auto& [marker, only] : {std::pair<std::string_view, Backend>{"{SQLITE}", Backend::sqlite},
                                     std::pair<std::string_view, Backend>{"{POSTGRESQL}", Backend::postgresql}}) {
    if (statement.rfind(marker, 0) != 0) continue;
    return backend == only ? dialect(statement.substr(marker.size()), backend) : std::string();
  }
  std::string out = statement;
  for (std::size_t at; (at = out.find(holder)) != std::string::npos;)
    out.replace(at, holder.size(), backend == Backend::postgresql ? "TEXT COLLATE \"C\"" : "TEXT");
  return out;
}

}  // namespace zp::store
