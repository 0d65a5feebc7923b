// Plain statements over the store without per-query binding code: values go
// in as a list (":name" placeholders, one value per occurrence, in order),
// rows come out by column position. Integers are read as
// 64-bit and texts as UTF-8 on both stores; NULL reads as 0 or "".
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace soci {
class session;
}

namespace zp::store {

using Param = std::variant<long long, std::string>;

class Row {
 public:
  long long i(std::size_t column) const { return ints_[slot_[column]]; }
  const std::string& s(std::size_t column) const { return texts_[slot_[column]]; }

 private:
  friend struct RowAccess;
  std::vector<long long> ints_;
  std::vector<std::string> texts_;
  std::vector<std::size_t> slot_;
};

// Runs a query whose columns have the given kinds ('i' integer, 's' text)
// and calls fn for every row, in the order the store returns them.
void forEachRow(soci::session& sql, const std::string& query, std::string_view kinds,
                const std::vector<Param>& params, const std::function<void(const Row&)>& fn);

// The first row, if any; false when the query returned none.
bool firstRow(soci::session& sql, const std::string& query, std::string_view kinds, const std::vector<Param>& params,
              Row& out);

// Runs a statement and returns the number of rows it changed.
long long execute(soci::session& sql, const std::string& statement, const std::vector<Param>& params);

// Statements run through these functions are prepared once per connection
// and kept; this lets go of a connection's before it closes.
void forgetStatements(soci::session& sql);

// Answers to plain SELECTs of catalogue tables only (schema.h), kept in
// memory per store and used by every transaction that sees the catalogue
// as it was when they were read. A transaction learns the catalogue's
// version at its first such query (one more statement); one that changes a
// catalogue table itself reads the store from then on. Transactions begin
// and end through transactionControl() for this to know where they start.
struct CatalogueMemo;
std::shared_ptr<CatalogueMemo> newCatalogueMemo();
// Runs "BEGIN", "BEGIN IMMEDIATE", "COMMIT" or "ROLLBACK": what the session
// knew of the last transaction's catalogue goes.
void transactionControl(soci::session& sql, const std::string& statement);
// Lets the session's queries use and fill the memory.
void shareCatalogue(soci::session& sql, std::shared_ptr<CatalogueMemo> memo);
// How many queries the memory answered; how many rows it holds, and the
// most it may hold before it starts afresh.
unsigned long long answeredFromMemory(const CatalogueMemo& memo);
std::size_t rowsInMemory(CatalogueMemo& memo);
std::size_t mostRowsInMemory();

}  // namespace zp::store
