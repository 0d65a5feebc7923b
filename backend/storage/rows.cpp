#include "rows.h"

#include "schema.h"

#include <libpq-fe.h>
#include <soci/postgresql/soci-postgresql.h>
#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>

// The driver's header declares the SQLite interface in a namespace of its own.
using namespace sqlite_api;

namespace zp::store {

// Fills a row's columns in place; NULL reads as 0 or "".
struct RowAccess {
  static long long& i(Row& row, std::size_t column) { return row.ints_[row.slot_[column]]; }
  static std::string& s(Row& row, std::size_t column) { return row.texts_[row.slot_[column]]; }
  static Row shaped(std::string_view kinds) {
    Row row;
    for (char k : kinds) {
      if (k == 'i') {
        row.slot_.push_back(row.ints_.size());
        row.ints_.push_back(0);
      } else {
        row.slot_.push_back(row.texts_.size());
        row.texts_.emplace_back();
      }
    }
    return row;
  }
};

namespace {

// Statements are prepared once per connection and kept: preparing costs
// more than running most of our lookups on SQLite, and on PostgreSQL a
// statement prepared for one run costs two extra round trips. Texts built
// with values in them would fill the cache, so past this many a connection
// runs new texts without keeping them.
constexpr std::size_t kMostKept = 512;

[[noreturn]] void fail(const std::string& what, const std::string& query) {
  throw soci::soci_error(what + " while executing \"" + query + "\"");
}

bool isIdentifierChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// ":name" placeholders become positional ones, one per occurrence, in the
// order the values are given: "?" for SQLite, "$n" for PostgreSQL. Quoted
// literals and PostgreSQL's "::" casts are left alone.
std::string positional(const std::string& query, bool dollar, int& count) {
  std::string out;
  out.reserve(query.size());
  count = 0;
  for (std::size_t i = 0; i < query.size();) {
    const char c = query[i];
    if (c == '\'' || c == '"') {
      const std::size_t end = query.find(c, i + 1);
      const std::size_t stop = end == std::string::npos ? query.size() : end + 1;
      out.append(query, i, stop - i);
      i = stop;
    } else if (c == ':' && i + 1 < query.size() && query[i + 1] == ':') {
      out += "::";
      i += 2;
    } else if (c == ':' && i + 1 < query.size() && isIdentifierChar(query[i + 1])) {
      ++count;
      out += dollar ? "$" + std::to_string(count) : std::string("?");
      for (++i; i < query.size() && isIdentifierChar(query[i]); ++i) {
      }
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

bool startsWithWord(const std::string& text, std::string_view word) {
  std::size_t i = text.find_first_not_of(" \t\r\n");
  if (i == std::string::npos || text.size() - i < word.size()) return false;
  for (std::size_t j = 0; j < word.size(); ++j)
    if (std::toupper(static_cast<unsigned char>(text[i + j])) != word[j]) return false;
  return text.size() == i + word.size() || !isIdentifierChar(text[i + word.size()]);
}

// The store's tables a statement names (they all start with "zp_"), outside
// quoted literals.
std::vector<std::string> tablesNamed(const std::string& text) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '\'' || c == '"') {
      const std::size_t end = text.find(c, i + 1);
      i = end == std::string::npos ? text.size() : end + 1;
    } else if (isIdentifierChar(c)) {
      std::size_t j = i;
      while (j < text.size() && isIdentifierChar(text[j])) ++j;
      if (text.compare(i, 3, "zp_") == 0) out.push_back(text.substr(i, j - i));
      i = j;
    } else {
      ++i;
    }
  }
  return out;
}

bool isCatalogueTable(const std::string& name) {
  const auto& all = catalogueTables();
  return std::find(all.begin(), all.end(), name) != all.end();
}

// A plain SELECT of catalogue tables and nothing else: its answer depends on
// the catalogue's version and its values only.
bool selectsCatalogueOnly(const std::string& query) {
  if (!startsWithWord(query, "SELECT")) return false;
  std::string upper;
  for (char c : query) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper.find("FOR UPDATE") != std::string::npos || upper.find("RANDOM(") != std::string::npos) return false;
  const std::vector<std::string> tables = tablesNamed(query);
  return !tables.empty() && std::all_of(tables.begin(), tables.end(), isCatalogueTable);
}

bool changesCatalogue(const std::string& statement) {
  if (startsWithWord(statement, "SELECT")) return false;
  const std::vector<std::string> tables = tablesNamed(statement);
  return std::any_of(tables.begin(), tables.end(), isCatalogueTable);
}

}  // namespace

// Answers to catalogue queries under one version of the catalogue. Whoever
// reads another version starts it afresh: versions are random, so only a
// transaction that sees the very same catalogue can use an answer.
struct CatalogueMemo {
  std::shared_mutex mutex;
  long long version = 0;
  bool any = false;
  std::unordered_map<std::string, std::shared_ptr<const std::vector<Row>>> answers;
  std::atomic<unsigned long long> served{0};

  std::shared_ptr<const std::vector<Row>> find(long long v, const std::string& key) {
    std::shared_lock lock(mutex);
    if (!any || version != v) return nullptr;
    const auto it = answers.find(key);
    return it == answers.end() ? nullptr : it->second;
  }
  void keep(long long v, const std::string& key, std::shared_ptr<const std::vector<Row>> rows) {
    std::unique_lock lock(mutex);
    // Queries that carry the time as a value make new answers every second;
    // past a bound of answers or rows the memory starts afresh.
    if (!any || version != v || answers.size() >= kMostAnswers || rowsKept + rows->size() > kMostRows) {
      answers.clear();
      rowsKept = 0;
      version = v;
      any = true;
    }
    if (rows->size() > kMostRows) return;
    if (answers.emplace(key, rows).second) rowsKept += rows->size();
  }
  static constexpr std::size_t kMostAnswers = 20000;
  static constexpr std::size_t kMostRows = 100000;
  std::size_t rowsKept = 0;
};

namespace {

// One statement text as a connection knows it: how it is prepared, and
// what it does to the catalogue (worked out once, on first sight).
struct Statement {
  sqlite3_stmt* lite = nullptr;  // SQLite: the prepared statement, once run
  std::string pgName;            // PostgreSQL: its prepared statement's name, once prepared
  bool selectsCatalogue = false;
  bool changesCatalogue = false;
};

// The statements kept for one connection.
struct Kept {
  void* native = nullptr;  // the connection they belong to
  bool postgresql = false;
  std::unordered_map<std::string, Statement> statements;
  std::size_t named = 0;
  // Catalogue answers: the store's memory of them, and what this
  // connection's open transaction knows of the catalogue.
  std::shared_ptr<CatalogueMemo> memo;
  bool versionKnown = false;
  long long version = 0;
  bool catalogueWritten = false;  // the open transaction changed the catalogue itself

  ~Kept() {
    for (auto& [text, st] : statements)
      if (st.lite) sqlite3_finalize(st.lite);
  }
  // The text's statement; past kMostKept texts, `spare`, which is not kept.
  Statement& of(const std::string& text, Statement& spare) {
    if (auto it = statements.find(text); it != statements.end()) return it->second;
    Statement& st = statements.size() < kMostKept ? statements[text] : spare;
    st.selectsCatalogue = selectsCatalogueOnly(text);
    st.changesCatalogue = !st.selectsCatalogue && changesCatalogue(text);
    return st;
  }
};

// Connections by their session backend. A session is used by one thread at a
// time, so only the map itself needs the lock.
struct Registry {
  std::mutex mutex;
  std::unordered_map<const void*, std::unique_ptr<Kept>> byBackend;
};

Registry& registry() {
  static Registry* r = new Registry();  // outlives sessions closed at exit
  return *r;
}

void* nativeOf(soci::details::session_backend* backend, bool postgresql) {
  return postgresql ? static_cast<void*>(static_cast<soci::postgresql_session_backend*>(backend)->conn_)
                    : static_cast<void*>(static_cast<soci::sqlite3_session_backend*>(backend)->conn_);
}

Kept& keptFor(soci::session& sql) {
  soci::details::session_backend* backend = sql.get_backend();
  if (backend == nullptr) throw soci::soci_error("the session is not connected");
  Registry& r = registry();
  {
    std::lock_guard lock(r.mutex);
    auto it = r.byBackend.find(backend);
    // A backend at the address of a closed one is a new connection.
    if (it != r.byBackend.end() && it->second->native == nativeOf(backend, it->second->postgresql))
      return *it->second;
  }
  const std::string name = sql.get_backend_name();
  if (name != "postgresql" && name != "sqlite3") throw soci::soci_error("unsupported database backend " + name);
  auto k = std::make_unique<Kept>();
  k->postgresql = name == "postgresql";
  k->native = nativeOf(backend, k->postgresql);
  std::lock_guard lock(r.mutex);
  std::unique_ptr<Kept>& slot = r.byBackend[backend];
  slot = std::move(k);
  return *slot;
}

struct SqliteRun {
  sqlite3* db;
  sqlite3_stmt* st = nullptr;
  bool kept = false;
  ~SqliteRun() {
    if (!st) return;
    if (kept) {
      sqlite3_reset(st);
      sqlite3_clear_bindings(st);
    } else {
      sqlite3_finalize(st);
    }
  }
};

void sqliteStart(Statement& kept, bool keep, SqliteRun& run, const std::string& query,
                 const std::vector<Param>& params) {
  if (kept.lite) {
    run.st = kept.lite;
    run.kept = true;
  } else {
    int count = 0;
    const std::string text = positional(query, false, count);
    if (sqlite3_prepare_v3(run.db, text.c_str(), static_cast<int>(text.size()), SQLITE_PREPARE_PERSISTENT, &run.st,
                           nullptr) != SQLITE_OK)
      fail(sqlite3_errmsg(run.db), query);
    if (run.st == nullptr) fail("no statement", query);
    if (keep) {
      kept.lite = run.st;
      run.kept = true;
    }
  }
  if (sqlite3_bind_parameter_count(run.st) != static_cast<int>(params.size()))
    fail(std::to_string(params.size()) + " values for " + std::to_string(sqlite3_bind_parameter_count(run.st)) +
             " placeholders",
         query);
  int at = 1;
  for (const Param& p : params) {
    int rc;
    if (const long long* v = std::get_if<long long>(&p)) {
      rc = sqlite3_bind_int64(run.st, at, *v);
    } else {
      const std::string& s = std::get<std::string>(p);
      // The values outlive the run, which resets the bindings at its end.
      rc = sqlite3_bind_text(run.st, at, s.data(), static_cast<int>(s.size()), SQLITE_STATIC);
    }
    if (rc != SQLITE_OK) fail(sqlite3_errmsg(run.db), query);
    ++at;
  }
}

void sqliteRows(Statement& st, bool keep, sqlite3* db, const std::string& query, std::string_view kinds,
                const std::vector<Param>& params, Row& row, const std::function<void(const Row&)>& fn) {
  SqliteRun run{db};
  sqliteStart(st, keep, run, query, params);
  if (sqlite3_column_count(run.st) < static_cast<int>(kinds.size()))
    fail("the query returns fewer columns than asked for", query);
  for (;;) {
    const int rc = sqlite3_step(run.st);
    if (rc == SQLITE_DONE) return;
    if (rc != SQLITE_ROW) fail(sqlite3_errmsg(db), query);
    for (std::size_t c = 0; c < kinds.size(); ++c) {
      const int col = static_cast<int>(c);
      const bool null = sqlite3_column_type(run.st, col) == SQLITE_NULL;
      if (kinds[c] == 'i') {
        RowAccess::i(row, c) = null ? 0 : sqlite3_column_int64(run.st, col);
      } else {
        std::string& s = RowAccess::s(row, c);
        if (null) {
          s.clear();
        } else {
          const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(run.st, col));
          s.assign(text, static_cast<std::size_t>(sqlite3_column_bytes(run.st, col)));
        }
      }
    }
    fn(row);
  }
}

long long sqliteExecute(Statement& st, bool keep, sqlite3* db, const std::string& statement,
                        const std::vector<Param>& params) {
  SqliteRun run{db};
  sqliteStart(st, keep, run, statement, params);
  int rc;
  while ((rc = sqlite3_step(run.st)) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) fail(sqlite3_errmsg(db), statement);
  return sqlite3_changes64(db);
}

struct PgResult {
  PGresult* r = nullptr;
  ~PgResult() { PQclear(r); }
};

void pgRun(Kept& k, Statement& st, bool keep, PGconn* conn, const std::string& query, const std::vector<Param>& params,
           PgResult& out) {
  std::vector<std::string> numbers;
  numbers.reserve(params.size());
  std::vector<const char*> values;
  values.reserve(params.size());
  for (const Param& p : params) {
    if (const long long* v = std::get_if<long long>(&p)) {
      numbers.push_back(std::to_string(*v));
      values.push_back(numbers.back().c_str());
    } else {
      values.push_back(std::get<std::string>(p).c_str());
    }
  }
  const int n = static_cast<int>(values.size());
  const auto check = [&](PGresult* r) {
    const ExecStatusType status = PQresultStatus(r);
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
      const std::string message = r ? PQresultErrorMessage(r) : PQerrorMessage(conn);
      PQclear(r);
      fail(message, query);
    }
    return r;
  };
  if (!st.pgName.empty()) {
    out.r = check(PQexecPrepared(conn, st.pgName.c_str(), n, values.data(), nullptr, nullptr, 0));
    return;
  }
  int count = 0;
  const std::string text = positional(query, true, count);
  if (count != n) fail(std::to_string(n) + " values for " + std::to_string(count) + " placeholders", query);
  if (!keep) {
    out.r = check(PQexecParams(conn, text.c_str(), n, nullptr, values.data(), nullptr, nullptr, 0));
    return;
  }
  const std::string name = "zp_q" + std::to_string(++k.named);
  PQclear(check(PQprepare(conn, name.c_str(), text.c_str(), n, nullptr)));
  // Prepared statements are the connection's, not the transaction's: they
  // stay after a rollback.
  st.pgName = name;
  out.r = check(PQexecPrepared(conn, name.c_str(), n, values.data(), nullptr, nullptr, 0));
}

long long pgInteger(const char* text) {
  if (text[0] == 't' && text[1] == '\0') return 1;  // booleans
  if (text[0] == 'f' && text[1] == '\0') return 0;
  return std::strtoll(text, nullptr, 10);
}

}  // namespace

namespace {

void plainRows(Kept& k, Statement& st, bool keep, const std::string& query, std::string_view kinds,
               const std::vector<Param>& params, const std::function<void(const Row&)>& fn) {
  Row row = RowAccess::shaped(kinds);
  if (!k.postgresql) {
    sqliteRows(st, keep, static_cast<sqlite3*>(k.native), query, kinds, params, row, fn);
    return;
  }
  PgResult res;
  pgRun(k, st, keep, static_cast<PGconn*>(k.native), query, params, res);
  if (PQnfields(res.r) < static_cast<int>(kinds.size())) fail("the query returns fewer columns than asked for", query);
  const int rows = PQntuples(res.r);
  for (int r = 0; r < rows; ++r) {
    for (std::size_t c = 0; c < kinds.size(); ++c) {
      const int col = static_cast<int>(c);
      const bool null = PQgetisnull(res.r, r, col) != 0;
      if (kinds[c] == 'i') {
        RowAccess::i(row, c) = null ? 0 : pgInteger(PQgetvalue(res.r, r, col));
      } else {
        std::string& s = RowAccess::s(row, c);
        if (null)
          s.clear();
        else
          s.assign(PQgetvalue(res.r, r, col), static_cast<std::size_t>(PQgetlength(res.r, r, col)));
      }
    }
    fn(row);
  }
}

// The key of an answer: the query, the kinds asked for and the values.
std::string answerKey(const std::string& query, std::string_view kinds, const std::vector<Param>& params) {
  std::string key = query;
  key += '\0';
  key += kinds;
  for (const Param& p : params) {
    if (const long long* v = std::get_if<long long>(&p)) {
      key += "\0i";
      key += std::to_string(*v);
    } else {
      const std::string& t = std::get<std::string>(p);
      key += "\0s";
      key += std::to_string(t.size());
      key += ':';
      key += t;
    }
  }
  return key;
}

// Runs a text through the connection's statement for it.
void plainRows(Kept& k, const std::string& query, std::string_view kinds, const std::vector<Param>& params,
               const std::function<void(const Row&)>& fn) {
  Statement spare;
  Statement& st = k.of(query, spare);
  plainRows(k, st, &st != &spare, query, kinds, params, fn);
}

}  // namespace

void forEachRow(soci::session& sql, const std::string& query, std::string_view kinds,
                const std::vector<Param>& params, const std::function<void(const Row&)>& fn) {
  Kept& k = keptFor(sql);
  Statement spare;
  Statement& st = k.of(query, spare);
  const bool keep = &st != &spare;
  if (!k.memo || k.catalogueWritten || !st.selectsCatalogue) return plainRows(k, st, keep, query, kinds, params, fn);
  if (!k.versionKnown) {
    plainRows(k, "SELECT version FROM zp_catalogue_version WHERE id = 1", "i", {},
              [&](const Row& r) { k.version = r.i(0); });
    k.versionKnown = true;
  }
  const std::string key = answerKey(query, kinds, params);
  std::shared_ptr<const std::vector<Row>> rows = k.memo->find(k.version, key);
  if (rows) {
    ++k.memo->served;
  } else {
    auto fresh = std::make_shared<std::vector<Row>>();
    plainRows(k, st, keep, query, kinds, params, [&](const Row& r) { fresh->push_back(r); });
    k.memo->keep(k.version, key, fresh);
    rows = std::move(fresh);
  }
  for (const Row& r : *rows) fn(r);
}

bool firstRow(soci::session& sql, const std::string& query, std::string_view kinds, const std::vector<Param>& params,
              Row& out) {
  bool found = false;
  forEachRow(sql, query, kinds, params, [&](const Row& r) {
    if (!found) out = r;
    found = true;
  });
  return found;
}

namespace {

long long executeOn(Kept& k, const std::string& statement, const std::vector<Param>& params) {
  Statement spare;
  Statement& st = k.of(statement, spare);
  const bool keep = &st != &spare;
  if (st.changesCatalogue) k.catalogueWritten = true;
  if (!k.postgresql) return sqliteExecute(st, keep, static_cast<sqlite3*>(k.native), statement, params);
  PgResult res;
  pgRun(k, st, keep, static_cast<PGconn*>(k.native), statement, params, res);
  const char* changed = PQcmdTuples(res.r);
  return changed[0] ? std::strtoll(changed, nullptr, 10) : 0;
}

}  // namespace

long long execute(soci::session& sql, const std::string& statement, const std::vector<Param>& params) {
  return executeOn(keptFor(sql), statement, params);
}

void transactionControl(soci::session& sql, const std::string& statement) {
  // A transaction learns the catalogue's version at its first catalogue
  // query; whatever the last one knew goes, even if this statement fails.
  Kept& k = keptFor(sql);
  k.versionKnown = false;
  k.catalogueWritten = false;
  executeOn(k, statement, {});
}

std::shared_ptr<CatalogueMemo> newCatalogueMemo() { return std::make_shared<CatalogueMemo>(); }

void shareCatalogue(soci::session& sql, std::shared_ptr<CatalogueMemo> memo) { keptFor(sql).memo = std::move(memo); }

unsigned long long answeredFromMemory(const CatalogueMemo& memo) { return memo.served.load(); }

std::size_t rowsInMemory(CatalogueMemo& memo) {
  std::shared_lock lock(memo.mutex);
  return memo.rowsKept;
}

std::size_t mostRowsInMemory() { return CatalogueMemo::kMostRows; }

void forgetStatements(soci::session& sql) {
  soci::details::session_backend* backend = sql.get_backend();
  if (backend == nullptr) return;
  Registry& r = registry();
  std::unique_ptr<Kept> gone;
  {
    std::lock_guard lock(r.mutex);
    auto it = r.byBackend.find(backend);
    if (it == r.byBackend.end()) return;
    gone = std::move(it->second);
    r.byBackend.erase(it);
  }
}

}  // namespace zp::store
