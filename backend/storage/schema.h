// The store's schema as a list of versioned migrations. A server applies at
// start every migration its store lacks, each in its own transaction, and
// refuses a store newer than itself.
#pragma once

#include <string>
#include <vector>

#include "database.h"

namespace zp::store {

struct Migration {
  int version;
  const char* what;
  std::vector<std::string> statements;  // with dialect holders, see schema.cpp
};

// Every migration, in version order (1, 2, 3, ... without gaps).
const std::vector<Migration>& migrations();

// Each group of services keeps its migrations in a file of its own; a new
// migration takes the next free version number.
const std::vector<Migration>& coreMigrations();     // 1; 8: order numbers from a sequence on PostgreSQL
const std::vector<Migration>& sysmgntMigrations();  // 2: system management and business data
const std::vector<Migration>& busiMigrations();     // 3: the business public service
const std::vector<Migration>& catalogueMigrations();  // 4: the sales catalogue and fee rules; 7: its version
const std::vector<Migration>& sessionMigrations();    // 5: operator sign-in and sessions; 6: call keys

// Statement text for one store: {TEXT_KEY} becomes a text type that sorts
// byte by byte on either store; a statement that starts with {SQLITE} or
// {POSTGRESQL} is for that store only (empty for the other).
std::string dialect(const std::string& statement, Backend backend);

// The tables the services only read: the sales catalogue, its rules and
// prices, code lists, parameters and operators' rights. Changing any of them
// changes zp_catalogue_version.
const std::vector<std::string>& catalogueTables();

}  // namespace zp::store
