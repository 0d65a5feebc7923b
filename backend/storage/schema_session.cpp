#include "schema.h"

namespace zp::store {

// Operators sign in with a password of their own, kept as the service
// passwords are (salted, iterated hash); a run of wrong passwords locks the
// operator until locked_until. A disabled operator cannot sign in, and his
// open sessions end.
//
// A session is known by the hash of its token only, so a copy of the store
// lets no one act as a signed-in operator. last_used is written at most once
// per recheck interval; ended is the moment it was signed out (0: open).
// zp_session_password records whose service password was verified within a
// session, for orders of businesses that require it.
const std::vector<Migration>& sessionMigrations() {
  static const std::vector<Migration> all = {
      {5,
       "operator sign-in and sessions",
       {
           "ALTER TABLE zp_operator ADD COLUMN password_salt TEXT NOT NULL DEFAULT ''",
           "ALTER TABLE zp_operator ADD COLUMN password_hash TEXT NOT NULL DEFAULT ''",
           "ALTER TABLE zp_operator ADD COLUMN disabled SMALLINT NOT NULL DEFAULT 0",
           "ALTER TABLE zp_operator ADD COLUMN fail_count INTEGER NOT NULL DEFAULT 0",
           "ALTER TABLE zp_operator ADD COLUMN locked_until BIGINT NOT NULL DEFAULT 0",
           "CREATE TABLE zp_session (session_id {TEXT_KEY} PRIMARY KEY, op_id INTEGER NOT NULL, "
           "created BIGINT NOT NULL, last_used BIGINT NOT NULL, ended BIGINT NOT NULL)",
           "CREATE TABLE zp_session_password (session_id {TEXT_KEY} NOT NULL, serv_id BIGINT NOT NULL, "
           "verified_at BIGINT NOT NULL, PRIMARY KEY (session_id, serv_id))",
       }},
      // The reply a keyed call was given, kept under the operator, the
      // operation and the key the counter chose, so that the same call asked
      // again after a lost reply is answered without being done twice. A row
      // is written in the transaction of the work it answers; created lets
      // old keys be pruned. No index on created: every submission would pay
      // for its page, while the pruning that would use it runs once a minute
      // over a day's rows.
      {6,
       "call keys",
       {
           "CREATE TABLE zp_call_key (op_id BIGINT NOT NULL, operation {TEXT_KEY} NOT NULL, "
           "call_key {TEXT_KEY} NOT NULL, created BIGINT NOT NULL, so_nbr BIGINT NOT NULL, reply TEXT NOT NULL, "
           "PRIMARY KEY (op_id, operation, call_key))",
       }},
  };
  return all;
}

}  // namespace zp::store
