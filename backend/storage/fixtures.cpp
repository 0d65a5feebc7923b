#include "fixtures.h"

#include <soci/soci.h>

#include <deque>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

#include "cbsdatetime.h"
#include "fixture_tables.h"
#include "password.h"

namespace zp::store {
namespace {

using nlohmann::json;

const std::vector<Table>& tables() {
  // Core first: the services' own tables may refer to its rows.
  static const std::vector<Table> all = [] {
    std::vector<Table> t = coreFixtureTables();
    for (const auto* more : {&sysmgntFixtureTables(), &busiFixtureTables()}) t.insert(t.end(), more->begin(), more->end());
    return t;
  }();
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
  // Subscribers' service passwords and operators' sign-in passwords are
  // given in the clear in a fixture and stored only as their hashes.
  const std::string key = t.key;
  if ((key == "users" || key == "operators") && values.contains("password")) {
    const json pw = values["password"];
    values.erase("password");
    if (!pw.is_string()) throw LoadError(where + ".password: a text is expected");
    const PasswordHash h = hashPassword(pw.get<std::string>());
    values["password_salt"] = h.salt;
    values["password_hash"] = h.hash;
    if (key == "users" && !values.contains("password_flag")) values["password_flag"] = 1;
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
