#include "fixtures.h"

#include <soci/soci.h>

#include <deque>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

#include "cbsdatetime.h"
#include "password.h"

namespace zp::store {
namespace {

using nlohmann::json;

enum class Kind { integer, text, datetime };

struct Column {
  const char* name;
  Kind kind;
  const char* fallback;  // default as text ("0", "", a date-time text)
};

struct Table {
  const char* key;    // name in the document
  const char* table;  // name in the store
  std::vector<Column> columns;
};

constexpr Kind I = Kind::integer, T = Kind::text, D = Kind::datetime;

const std::vector<Table>& tables() {
  static const std::vector<Table> all = {
      {"operators", "zp_operator",
       {{"op_id", I, nullptr}, {"org_id", I, "0"}, {"region_code", I, "0"}, {"county_code", I, "0"},
        {"op_name", T, ""}}},
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

const Table* findTable(const std::string& key) {
  for (const Table& t : tables())
    if (key == t.key) return &t;
  return nullptr;
}

// One row's values, bound by position; the deques keep every bound value
// alive and at a fixed address until the statement ran.
struct Bound {
  std::deque<long long> ints;
  std::deque<std::string> texts;
};

long long toInteger(const json& v, const std::string& where) {
  if (v.is_number_integer()) return v.get<long long>();
  if (v.is_boolean()) return v.get<bool>() ? 1 : 0;
  if (v.is_string()) {
    const std::string s = v.get<std::string>();
    std::size_t used = 0;
    try {
      const long long n = std::stoll(s, &used);
      if (used == s.size()) return n;
    } catch (const std::exception&) {
    }
  }
  throw LoadError(where + ": an integer is expected");
}

long long toDateTime(const json& v, const std::string& where) {
  if (v.is_number_integer() && CBSDateTime::validPacked(v.get<long long>())) return v.get<long long>();
  if (v.is_string()) {
    CBSDateTime d;
    const std::string s = v.get<std::string>();
    if (d.fromString(s, CBSDateTime::kDefaultFormat) || d.fromString(s, "%Y-%M-%D")) return d.packed();
  }
  throw LoadError(where + ": a date-time \"YYYY-MM-DD HH:MM:SS\" is expected");
}

void insertRow(soci::session& sql, const Table& t, const json& row, const std::string& where) {
  if (!row.is_object()) throw LoadError(where + ": a row must be an object");
  json values = row;
  if (std::string(t.key) == "users" && values.contains("password")) {
    const json pw = values["password"];
    values.erase("password");
    if (!pw.is_string()) throw LoadError(where + ".password: a text is expected");
    const PasswordHash h = hashPassword(pw.get<std::string>());
    values["password_salt"] = h.salt;
    values["password_hash"] = h.hash;
    if (!values.contains("password_flag")) values["password_flag"] = 1;
  }
  for (auto it = values.begin(); it != values.end(); ++it) {
    bool known = false;
    for (const Column& c : t.columns) known |= it.key() == c.name;
    if (!known) throw LoadError(where + ": unknown column \"" + it.key() + "\" of " + t.key);
  }
  std::string names, holders;
  Bound bound;
  soci::statement st(sql);
  std::vector<std::pair<const Column*, std::size_t>> order;
  for (const Column& c : t.columns) {
    const std::string at = where + "." + c.name;
    json v;
    if (values.contains(c.name)) {
      v = values[c.name];
    } else if (c.fallback) {
      v = std::string(c.fallback);
    } else {
      throw LoadError(at + ": required");
    }
    if (!names.empty()) names += ", ", holders += ", ";
    names += c.name;
    holders += ":" + std::string(c.name);
    switch (c.kind) {
      case Kind::integer: bound.ints.push_back(toInteger(v, at)); break;
      case Kind::datetime: bound.ints.push_back(toDateTime(v, at)); break;
      case Kind::text:
        if (!v.is_string()) throw LoadError(at + ": a text is expected");
        bound.texts.push_back(v.get<std::string>());
        break;
    }
  }
  std::size_t ii = 0, ti = 0;
  for (const Column& c : t.columns) {
    if (c.kind == Kind::text)
      st.exchange(soci::use(bound.texts[ti++], c.name));
    else
      st.exchange(soci::use(bound.ints[ii++], c.name));
  }
  st.alloc();
  st.prepare(std::string("INSERT INTO ") + t.table + " (" + names + ") VALUES (" + holders + ")");
  st.define_and_bind();
  st.execute(true);
}

// Numbers of a range share every column but their text; they are bound as
// vectors so a pool of a million numbers loads in one statement per batch.
void insertRange(soci::session& sql, const json& r, const std::string& where) {
  if (!r.is_object() || !r.contains("first") || !r["first"].is_string() || !r.contains("count"))
    throw LoadError(where + ": a range needs \"first\" (a text of digits) and \"count\"");
  const std::string first = r["first"].get<std::string>();
  const long long count = toInteger(r["count"], where + ".count");
  if (first.empty() || first.size() > 18 || first.find_first_not_of("0123456789") != std::string::npos)
    throw LoadError(where + ".first: digits expected");
  if (count < 0 || count > 10000000) throw LoadError(where + ".count: out of range");
  const auto get = [&](const char* k, long long d) {
    return r.contains(k) ? toInteger(r[k], where + "." + k) : d;
  };
  for (auto it = r.begin(); it != r.end(); ++it) {
    static const std::vector<std::string> known = {"first", "count", "res_code", "res_type", "region_code",
                                                   "county_code"};
    if (std::find(known.begin(), known.end(), it.key()) == known.end())
      throw LoadError(where + ": unknown field \"" + it.key() + "\" of a number range");
  }
  const int resCode = static_cast<int>(get("res_code", 1)), resType = static_cast<int>(get("res_type", 30));
  const int region = static_cast<int>(get("region_code", 0)), county = static_cast<int>(get("county_code", 0));
  const long long start = std::stoll(first);
  const std::size_t width = first.size();
  constexpr long long kBatch = 5000;
  for (long long done = 0; done < count; done += kBatch) {
    const long long n = std::min(kBatch, count - done);
    std::vector<std::string> ids;
    ids.reserve(n);
    for (long long k = 0; k < n; ++k) {
      std::string id = std::to_string(start + done + k);
      if (id.size() < width) id.insert(0, width - id.size(), '0');
      ids.push_back(std::move(id));
    }
    std::vector<int> codes(n, resCode), types(n, resType), regions(n, region), counties(n, county);
    sql << "INSERT INTO zp_res_number (res_id, res_code, res_type, region_code, county_code, sts, op_id, "
           "org_id, agent_id, sign_time, lease_until, serv_id) VALUES (:id, :c, :t, :r, :k, 1, 0, 0, 0, 0, 0, 0)",
        soci::use(ids), soci::use(codes), soci::use(types), soci::use(regions), soci::use(counties);
  }
}

}  // namespace

void loadFixtures(Database& db, const std::string& text) {
  json doc;
  try {
    doc = json::parse(text);
  } catch (const json::parse_error& e) {
    throw LoadError(std::string("fixture is not JSON: ") + e.what());
  }
  if (!doc.is_object()) throw LoadError("fixture must be a JSON object of tables");
  for (auto it = doc.begin(); it != doc.end(); ++it) {
    if (it.key() == "number_ranges" || it.key().rfind("//", 0) == 0) continue;
    if (!findTable(it.key())) throw LoadError("unknown table \"" + it.key() + "\"");
    if (!it.value().is_array()) throw LoadError(it.key() + ": an array of rows is expected");
  }
  db.transact(Database::Intent::write, [&](soci::session& sql) {
    try {
      // Tables in their declared order, so referenced rows come first.
      for (const Table& t : tables()) {
        if (!doc.contains(t.key)) continue;
        std::size_t i = 0;
        for (const json& row : doc[t.key]) insertRow(sql, t, row, std::string(t.key) + "[" + std::to_string(i++) + "]");
      }
      if (doc.contains("number_ranges")) {
        if (!doc["number_ranges"].is_array()) throw LoadError("number_ranges: an array is expected");
        std::size_t i = 0;
        for (const json& r : doc["number_ranges"]) insertRange(sql, r, "number_ranges[" + std::to_string(i++) + "]");
      }
    } catch (const soci::soci_error& e) {
      throw LoadError(std::string("fixture rejected by the store: ") + e.what());
    }
  });
}

void loadFixtureFile(Database& db, const std::string& path) {
  std::ifstream in(path);
  if (!in) throw LoadError("cannot read fixture file " + path);
  std::stringstream ss;
  ss << in.rdbuf();
  loadFixtures(db, ss.str());
}

}  // namespace zp::store
