#include "database.h"

#include <soci/connection-pool.h>
#include <soci/postgresql/soci-postgresql.h>
#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>

#include <libpq-fe.h>

#include <cctype>

// The driver declares the SQLite interface in a namespace of its own.
using namespace sqlite_api;

#include "cbsdatetime.h"
#include "group_commit.h"
#include "rows.h"
#include "schema.h"

namespace zp::store {
namespace {

constexpr const char* kSqlitePrefix = "sqlite:";

// Process-wide SQLite settings, which must be made before SQLite
// initialises, hence at load time:
// - every sorted or distinct query opens a scratch b-tree whose page cache
//   starts with one 87 KB block; freed at the query's end, that block came
//   back from the kernel as fresh pages each time (a third of an order's CPU
//   under load). Caches that grow a page at a time reuse the heap instead;
// - a connection is only ever used by one thread at a time (a pooled session
//   or the writer under group commit), so connections need no mutex of their
//   own, and no global count of memory in use is kept (one more lock taken on
//   every allocation of every thread).
const int kSqliteSettings = [] {
  sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0);
  sqlite3_config(SQLITE_CONFIG_MULTITHREAD);
  return sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
}();

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

std::string percentDecoded(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}


void openSession(soci::session& s, Backend backend, const DatabaseOptions& o) {
  if (backend == Backend::sqlite) {
    const std::string file = o.url.substr(std::char_traits<char>::length(kSqlitePrefix));
    const long seconds = std::max<long>(1, static_cast<long>(o.busyTimeout.count() / 1000));
    s.open(soci::sqlite3, "db=\"" + file + "\" timeout=" + std::to_string(seconds));
    s << "PRAGMA busy_timeout = " + std::to_string(o.busyTimeout.count());
    s << "PRAGMA journal_mode = WAL";
    // WAL with NORMAL keeps every commit across a crash of the process;
    // FULL also across a crash of the machine, at one flush per commit.
    s << (o.durable ? "PRAGMA synchronous = FULL" : "PRAGMA synchronous = NORMAL");
  } else {
    // "#schema=NAME" after the address keeps this server's tables in a
    // schema of their own (tests use one per case); libpq never sees it.
    const std::size_t hash = o.url.find("#schema=");
    s.open(soci::postgresql, postgresConninfo(o.url.substr(0, hash)));
    if (hash != std::string::npos) {
      const std::string schema = o.url.substr(hash + 8);
      if (schema.empty() || schema.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") != std::string::npos)
        throw StoreError("schema name must be lower-case letters, digits and _");
      s << "SET client_min_messages TO warning";
      // Servers started together on a new schema would race to create it
      // (IF NOT EXISTS is not atomic), so the creation takes a lock.
      s << "SELECT pg_advisory_lock(7071)";
      try {
        s << "CREATE SCHEMA IF NOT EXISTS " + schema;
      } catch (...) {
        s << "SELECT pg_advisory_unlock(7071)";
        throw;
      }
      s << "SELECT pg_advisory_unlock(7071)";
      s << "SET search_path TO " + schema;
    }
  }
}

void migrate(soci::session& s, Backend backend, int& version) {
  if (backend == Backend::postgresql) s << "SELECT pg_advisory_lock(7070)";
  s << "CREATE TABLE IF NOT EXISTS zp_schema_version (version INTEGER NOT NULL, applied BIGINT NOT NULL)";
  int current = 0;
  soci::indicator ind = soci::i_ok;
  s << "SELECT MAX(version) FROM zp_schema_version", soci::into(current, ind);
  if (ind != soci::i_ok) current = 0;
  const auto& all = migrations();
  const int newest = all.empty() ? 0 : all.back().version;
  if (current > newest) {
    if (backend == Backend::postgresql) s << "SELECT pg_advisory_unlock(7070)";
    throw StoreError("the store has schema version " + std::to_string(current) + ", newer than this server's " +
                     std::to_string(newest));
  }
  for (const Migration& m : all) {
    if (m.version <= current) continue;
    soci::transaction tr(s);
    for (const std::string& statement : m.statements)
      if (const std::string text = dialect(statement, backend); !text.empty()) s << text;
    const long long when = CBSDateTime::now().packed();
    s << "INSERT INTO zp_schema_version (version, applied) VALUES (:v, :t)", soci::use(m.version),
        soci::use(when);
    tr.commit();
    current = m.version;
  }
  if (backend == Backend::postgresql) s << "SELECT pg_advisory_unlock(7070)";
  version = current;
}

}  // namespace

std::string postgresConninfo(const std::string& url) {
  std::string rest = url.substr(url.find("://") + 3);
  std::string query;
  if (const std::size_t q = rest.find('?'); q != std::string::npos) {
    query = rest.substr(q + 1);
    rest.resize(q);
  }
  std::string authority = rest, dbname;
  if (const std::size_t slash = rest.find('/'); slash != std::string::npos) {
    authority = rest.substr(0, slash);
    dbname = rest.substr(slash + 1);
  }
  std::string userinfo, hostport = authority;
  if (const std::size_t at = authority.rfind('@'); at != std::string::npos) {
    userinfo = authority.substr(0, at);
    hostport = authority.substr(at + 1);
  }
  const auto quoted = [](const std::string& v) {
    std::string out = "'";
    for (char c : v) {
      if (c == '\\' || c == '\'') out += '\\';
      out += c;
    }
    return out + "'";
  };
  std::string info;
  const auto add = [&](const char* key, const std::string& value) {
    if (value.empty()) return;
    if (!info.empty()) info += ' ';
    info += std::string(key) + "=" + quoted(percentDecoded(value));
  };
  std::string host = hostport, port;
  if (const std::size_t colon = hostport.rfind(':'); colon != std::string::npos && hostport.find(']') == std::string::npos) {
    host = hostport.substr(0, colon);
    port = hostport.substr(colon + 1);
  }
  add("host", host);
  add("port", port);
  const std::size_t colon = userinfo.find(':');
  add("user", userinfo.substr(0, colon));
  if (colon != std::string::npos) add("password", userinfo.substr(colon + 1));
  add("dbname", dbname);
  std::size_t start = 0;
  while (start < query.size()) {
    std::size_t amp = query.find('&', start);
    if (amp == std::string::npos) amp = query.size();
    const std::string pair = query.substr(start, amp - start);
    const std::size_t eq = pair.find('=');
    if (eq != std::string::npos) {
      const std::string key = percentDecoded(pair.substr(0, eq));
      add(key.c_str(), pair.substr(eq + 1));
    }
    start = amp + 1;
  }
  return info;
}

std::unique_ptr<Database> Database::open(const DatabaseOptions& options) {
  std::unique_ptr<Database> db(new Database());
  if (startsWith(options.url, kSqlitePrefix) && options.url.size() > std::char_traits<char>::length(kSqlitePrefix)) {
    db->backend_ = Backend::sqlite;
  } else if (startsWith(options.url, "postgresql://") || startsWith(options.url, "postgres://")) {
    db->backend_ = Backend::postgresql;
  } else {
    throw StoreError("unknown database address \"" + options.url + "\" (use sqlite:FILE or postgresql://...)");
  }
  db->options_ = options;
  db->size_ = std::max<std::size_t>(1, options.sessions);
  try {
    db->pool_ = std::make_unique<soci::connection_pool>(db->size_);
    // The first session migrates before the others open, so they all see
    // the current schema.
    openSession(db->pool_->at(0), db->backend_, options);
    migrate(db->pool_->at(0), db->backend_, db->version_);
    for (std::size_t i = 1; i < db->size_; ++i) openSession(db->pool_->at(i), db->backend_, options);
    if (db->backend_ == Backend::sqlite) {
      db->writer_ = std::make_unique<soci::session>();
      openSession(*db->writer_, db->backend_, options);
      db->group_ = std::make_unique<GroupCommit>(*db->writer_);
    }
    db->catalogue_ = newCatalogueMemo();
    for (std::size_t i = 0; i < db->size_; ++i) shareCatalogue(db->pool_->at(i), db->catalogue_);
    if (db->writer_) shareCatalogue(*db->writer_, db->catalogue_);
  } catch (const soci::soci_error& e) {
    throw StoreError(std::string("cannot open the store: ") + e.what());
  }
  return db;
}

Database::~Database() {
  group_.reset();
  if (writer_) forgetStatements(*writer_);
  writer_.reset();
  if (pool_)
    for (std::size_t i = 0; i < size_; ++i) forgetStatements(pool_->at(i));
}

unsigned long long Database::flushes() const { return group_ ? group_->flushes() : 0; }

unsigned long long Database::catalogueAnswers() const { return catalogue_ ? answeredFromMemory(*catalogue_) : 0; }

std::size_t Database::catalogueRowsKept() const { return catalogue_ ? rowsInMemory(*catalogue_) : 0; }

void Database::transact(Intent intent, const std::function<void(soci::session&)>& fn) {
  if (group_ && intent == Intent::write) {
    group_->run(fn);
    ++commits_;
    return;
  }
  // The pooled session itself, not a proxy of it, so that a dropped
  // connection can be opened again in its place.
  struct Lease {
    soci::connection_pool& pool;
    std::size_t at;
    ~Lease() { pool.give_back(at); }
  } lease{*pool_, pool_->lease()};
  soci::session& sql = pool_->at(lease.at);
  // A read sees the store as of one moment, as SQLite's reads do: a lookup
  // of several queries never shows an order committed meanwhile in some of
  // its lists and not in others.
  const char* begin =
      backend_ == Backend::postgresql && intent == Intent::read ? "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY" : "BEGIN";
  try {
    transactionControl(sql, begin);
  } catch (const soci::soci_error& e) {
    // Nothing of the request has run yet, so a connection the store dropped
    // meanwhile is opened again and the request begins on it: otherwise every
    // later request on it would fail until the server was restarted.
    if (!reopenIfDropped(sql)) throw StoreError(std::string("the store is busy: ") + e.what());
    try {
      transactionControl(sql, begin);
    } catch (const soci::soci_error& again) {
      throw StoreError(std::string("the store is busy: ") + again.what());
    }
  }
  try {
    fn(sql);
    transactionControl(sql, "COMMIT");
  } catch (...) {
    try {
      transactionControl(sql, "ROLLBACK");
    } catch (...) {
      // The transaction is gone already (the commit itself failed); the
      // store has rolled it back on its own.
    }
    throw;
  }
  ++commits_;
}

bool Database::reopenIfDropped(soci::session& sql) {
  if (backend_ != Backend::postgresql) return false;
  soci::details::session_backend* backend = sql.get_backend();
  if (backend != nullptr && PQstatus(static_cast<soci::postgresql_session_backend*>(backend)->conn_) == CONNECTION_OK)
    return false;
  forgetStatements(sql);  // its prepared statements went with the connection
  try {
    sql.close();
    openSession(sql, backend_, options_);
  } catch (const std::exception& e) {
    // Left closed, never half set up: the next request on it tries again.
    try {
      sql.close();
    } catch (...) {
    }
    throw StoreError(std::string("cannot reach the store: ") + e.what());
  }
  shareCatalogue(sql, catalogue_);
  return true;
}

long long nextSequence(soci::session& sql, const std::string& name) {
  // The name becomes part of the statement on PostgreSQL.
  if (name.empty() || name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") != std::string::npos)
    throw StoreError("no sequence named " + name);
  Row r;
  bool drawn;
  if (sql.get_backend_name() == "postgresql") {
    // A sequence of the store, drawn without a lock that lasts until the
    // commit, so orders of every server draw side by side. A number drawn by
    // a transaction that then rolls back is never given again: the numbers
    // are unique and increasing, not gap-free.
    drawn = firstRow(sql, "SELECT nextval('zp_" + name + "_seq')", "i", {}, r);
  } else {
    // One statement, so two transactions never draw the same value; SQLite's
    // write transactions are serialised, so the numbers stay gap-free there.
    drawn = firstRow(sql, "UPDATE zp_sequence SET value = value + 1 WHERE name = :n RETURNING value", "i", {name}, r);
  }
  if (!drawn) throw StoreError("no sequence named " + name);
  return r.i(0);
}

}  // namespace zp::store
