#include "call_keys.h"

#include <soci/soci.h>

#include "rows.h"
#include "zpd_envelope.h"
#include "zpd_server.h"

namespace zp::backend {

using store::Row;

std::string_view currentCallKey() {
  const std::string_view key = zpd_dispatcher::current_key();
  return zpd_envelope::valid_name(key) && key.size() <= zpd_envelope::kMaxCallKey ? key : std::string_view{};
}

std::string unfitCallKey() {
  const std::string_view key = zpd_dispatcher::current_key();
  if (key.empty()) return {};
  if (key.size() > zpd_envelope::kMaxCallKey)
    return "提交键长" + std::to_string(key.size()) + "个字符,超过" + std::to_string(zpd_envelope::kMaxCallKey) +
           "个字符的上限";
  if (!zpd_envelope::valid_name(key)) return "提交键含有不可打印的字符";
  return {};
}

bool findKeptReply(soci::session& sql, long long opId, std::string_view operation, std::string_view key,
                   std::string& reply) {
  Row r;
  if (!store::firstRow(sql,
                       "SELECT reply FROM zp_call_key WHERE op_id = :o AND operation = :p AND call_key = :k",
                       "s", {opId, std::string(operation), std::string(key)}, r))
    return false;
  reply = r.s(0);
  return true;
}

void keepReply(soci::session& sql, long long opId, std::string_view operation, std::string_view key,
               long long now, long long soNbr, const std::string& reply) {
  store::execute(sql,
                 "INSERT INTO zp_call_key (op_id, operation, call_key, created, so_nbr, reply) "
                 "VALUES (:o, :p, :k, :c, :n, :r)",
                 {opId, std::string(operation), std::string(key), now, soNbr, reply});
}

long long pruneCallKeys(soci::session& sql, long long before) {
  return store::execute(sql, "DELETE FROM zp_call_key WHERE created < :b", {before});
}

}  // namespace zp::backend
