// The fixture loader: fills a store from a JSON document. The demo region
// (zpserver --seed-demo) and every test's small world are loaded through it,
// so tests exercise the same path as the demo.
//
// The document is an object of tables; each table is an array of rows, each
// row an object of column values. Unknown tables or columns are refused with
// their path; columns left out take their default. Date-time columns take
// "YYYY-MM-DD HH:MM:SS" texts; a user's "password" is stored as a salted hash.
// "number_ranges" generates pool numbers: {"first": "...", "count": n, ...}.
#pragma once

#include <string>

#include "database.h"

namespace zp::store {

struct LoadError : StoreError {
  using StoreError::StoreError;
};

// Loads the document in one transaction: all of it or nothing.
void loadFixtures(Database& db, const std::string& json);
void loadFixtureFile(Database& db, const std::string& path);

}  // namespace zp::store
