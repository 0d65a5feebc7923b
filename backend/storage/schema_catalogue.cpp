#include "schema.h"

namespace zp::store {

const std::vector<std::string>& catalogueTables() {
  static const std::vector<std::string> all = {
      "zp_busi_type",  "zp_brand",       "zp_plan",        "zp_catalogue_item", "zp_plan_sprom",  "zp_plan_prod",
      "zp_prod_relation", "zp_op_popedom", "zp_book_item", "zp_acc_item_rel",   "zp_fee_flag",    "zp_fee_rule",
      "zp_prepay_rule", "zp_busi_rule",   "zp_code_list",   "zp_busi_verify_type", "zp_sys_para",  "zp_ent_variable",
      "zp_sp_info",     "zp_crbt_song",   "zp_priv_entity", "zp_operator_right"};
  return all;
}

namespace {

// The version row, and on every catalogue table the triggers that give it a
// new random value on any change (PostgreSQL once per statement, SQLite per
// row).
std::vector<std::string> catalogueVersionStatements() {
  std::vector<std::string> out = {
      "CREATE TABLE zp_catalogue_version (id INTEGER PRIMARY KEY, version BIGINT NOT NULL)",
      "INSERT INTO zp_catalogue_version (id, version) VALUES (1, 1)",
      "{POSTGRESQL}CREATE FUNCTION zp_catalogue_changed() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
      "UPDATE zp_catalogue_version SET version = CAST(floor(random() * 9.2e18) AS BIGINT); RETURN NULL; END $$",
  };
  for (const std::string& t : catalogueTables()) {
    out.push_back("{POSTGRESQL}CREATE TRIGGER " + t + "_changed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON " + t +
                  " FOR EACH STATEMENT EXECUTE FUNCTION zp_catalogue_changed()");
    for (const char* what : {"INSERT", "UPDATE", "DELETE"})
      out.push_back(std::string("{SQLITE}CREATE TRIGGER ") + t + "_" + what + " AFTER " + what + " ON " + t +
                    " BEGIN UPDATE zp_catalogue_version SET version = random(); END");
  }
  return out;
}

}  // namespace

// The sales catalogue. A promotion or product (zp_catalogue_item) belongs to
// one business type; is_prom tells the two apart. Plan-bound businesses
// offer their promotions through zp_plan_sprom and their products through
// zp_plan_prod; the others offer every item of the type. Dates are packed
// YYYYMMDDHHNNSS. zp_op_popedom lists what an operator
// may sell. A relation with plan_id 0 holds under every plan.
//
// Fees: zp_fee_flag says whether a business is priced at all (region_code
// and user_type 0 match any; the most specific row wins). zp_fee_rule and
// zp_prepay_rule price an order: prod_id 0 rows apply once per order of the
// business, the others once per priced item with that PROD_ID. Amounts are
// in fen; a discount is a negative amount.
const std::vector<Migration>& catalogueMigrations() {
  static const std::vector<Migration> all = {
      {4,
       "the sales catalogue and fee rules",
       {
           "CREATE TABLE zp_busi_type (busi_type INTEGER PRIMARY KEY, busi_name TEXT NOT NULL, "
           "service_id INTEGER NOT NULL, type SMALLINT NOT NULL, description TEXT NOT NULL, "
           "busi_level SMALLINT NOT NULL, subscr_mode SMALLINT NOT NULL, expire_mode SMALLINT NOT NULL, "
           "busi_class SMALLINT NOT NULL, disc_type SMALLINT NOT NULL, seq INTEGER NOT NULL)",
           "CREATE TABLE zp_brand (brand_id INTEGER PRIMARY KEY, brand_name TEXT NOT NULL, "
           "valid_date BIGINT NOT NULL, expire_date BIGINT NOT NULL, description TEXT NOT NULL)",
           "CREATE TABLE zp_plan (plan_id INTEGER PRIMARY KEY, brand_id INTEGER NOT NULL, plan_name TEXT NOT NULL, "
           "pay_mode INTEGER NOT NULL, valid_limit INTEGER NOT NULL, expire_limit INTEGER NOT NULL, "
           "valid_date BIGINT NOT NULL, expire_date BIGINT NOT NULL, act_prop TEXT NOT NULL, "
           "description TEXT NOT NULL, busi_type INTEGER NOT NULL)",
           "CREATE TABLE zp_catalogue_item (prod_id INTEGER PRIMARY KEY, busi_type INTEGER NOT NULL, "
           "prod_name TEXT NOT NULL, is_prom INTEGER NOT NULL, service_id INTEGER NOT NULL, "
           "priority SMALLINT NOT NULL, subscr_mode SMALLINT NOT NULL, expire_mode SMALLINT NOT NULL, "
           "is_global SMALLINT NOT NULL, min_num INTEGER NOT NULL, max_num INTEGER NOT NULL, "
           "description TEXT NOT NULL, valid_cycle SMALLINT NOT NULL, subscr_param TEXT NOT NULL, "
           "sprom_para BIGINT NOT NULL, prod_class SMALLINT NOT NULL, valid_date BIGINT NOT NULL, "
           "expire_date BIGINT NOT NULL)",
           "CREATE TABLE zp_plan_sprom (plan_id INTEGER NOT NULL, prom_id INTEGER NOT NULL, "
           "mandatory SMALLINT NOT NULL, PRIMARY KEY (plan_id, prom_id))",
           "CREATE TABLE zp_plan_prod (plan_id INTEGER NOT NULL, product_id INTEGER NOT NULL, "
           "mandatory SMALLINT NOT NULL, PRIMARY KEY (plan_id, product_id))",
           "CREATE TABLE zp_prod_relation (plan_id INTEGER NOT NULL, prod_id INTEGER NOT NULL, "
           "pre_prod_id INTEGER NOT NULL, relate_type SMALLINT NOT NULL, description TEXT NOT NULL, "
           "PRIMARY KEY (plan_id, prod_id, pre_prod_id))",
           "CREATE TABLE zp_op_popedom (op_id INTEGER NOT NULL, prod_id INTEGER NOT NULL, "
           "PRIMARY KEY (op_id, prod_id))",
           "CREATE TABLE zp_book_item (item_id INTEGER PRIMARY KEY, name TEXT NOT NULL, prepay SMALLINT NOT NULL)",
           "CREATE TABLE zp_acc_item_rel (fee_item INTEGER NOT NULL, disc_item INTEGER NOT NULL, "
           "item_name TEXT NOT NULL, rel_flag INTEGER NOT NULL, PRIMARY KEY (fee_item, disc_item))",
           "CREATE TABLE zp_fee_flag (busi_code INTEGER NOT NULL, region_code INTEGER NOT NULL, "
           "user_type INTEGER NOT NULL, flag INTEGER NOT NULL, PRIMARY KEY (busi_code, region_code, user_type))",
           "CREATE TABLE zp_fee_rule (busi_code INTEGER NOT NULL, prod_id INTEGER NOT NULL, seq INTEGER NOT NULL, "
           "book_item_id INTEGER NOT NULL, item_value BIGINT NOT NULL, item_discount BIGINT NOT NULL, "
           "item_count BIGINT NOT NULL, remark TEXT NOT NULL, PRIMARY KEY (busi_code, prod_id, seq))",
           "CREATE TABLE zp_prepay_rule (busi_code INTEGER NOT NULL, prod_id INTEGER NOT NULL, "
           "book_item_id INTEGER NOT NULL, amount BIGINT NOT NULL, remark TEXT NOT NULL, "
           "PRIMARY KEY (busi_code, prod_id, book_item_id))",
       }},
      // Catalogue answers are kept in memory while the catalogue stays as it
      // was (rows.h). Any change to a catalogue table, through this server,
      // another one or by hand, gives the version a new random value; a
      // random one, not a count, so a rolled-back change can never leave a
      // version behind that a later change would take again.
      {7, "catalogue version", catalogueVersionStatements()},
  };
  return all;
}

}  // namespace zp::store
