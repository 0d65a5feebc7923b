// What the fixture loader knows of a table: its name in a fixture document,
// its name in the store, and its columns with their kinds and defaults. Each
// group of services declares its own tables in a file of its own.
#pragma once

#include <vector>

namespace zp::store {

enum class Kind { integer, text, datetime };

struct Column {
  const char* name;
  Kind kind;
  const char* fallback;  // default as text ("0", "", a date-time text); null: required
};

struct Table {
  const char* key;    // name in the document
  const char* table;  // name in the store
  std::vector<Column> columns;
};

const std::vector<Table>& coreFixtureTables();
const std::vector<Table>& sysmgntFixtureTables();  // system parameters, service providers, songs
const std::vector<Table>& busiFixtureTables();     // passwords, rule checks, black lists, code lists

}  // namespace zp::store
