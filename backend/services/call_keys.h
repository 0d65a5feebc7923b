// Keyed calls: a counter that got no answer asks the same call again with
// the key it chose for it, and the server answers a key it has served with
// the reply it gave then instead of doing the work a second time.
//
// The kept reply is written in the transaction of the work it answers, so a
// key is known exactly when its work is committed. The claim at the start of
// that transaction makes a second server (or worker) running the same key at
// the same time wait for the first and then fail on the key, instead of
// doing the work beside it; the service then runs once more and finds the
// kept reply. A refused call keeps nothing: asked again, it is judged again.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace soci {
class session;
}

namespace zp::backend {

struct CallKeyConfig {
  // How long a kept reply answers its key: longer than any counter keeps
  // asking (a day covers a counter closed overnight with an order unknown).
  std::chrono::seconds retention{24 * 60 * 60};
  // Old keys are pruned by the first keyed call after start and then at most
  // this often, by a keyed call in its own transaction.
  std::chrono::seconds pruneEvery{60};
};

// The key of the call running on this thread, if it is one the store can
// keep (empty otherwise).
std::string_view currentCallKey();

// In the caller's transaction. The reply kept for the key, as keepReply was
// given it; false when the key is not known.
bool findKeptReply(soci::session& sql, long long opId, std::string_view operation, std::string_view key,
                   std::string& reply);
// Claims the key for this transaction's work (throws, after waiting for a
// concurrent claim to end, when the key was committed meanwhile).
void claimCallKey(soci::session& sql, long long opId, std::string_view operation, std::string_view key,
                  long long now);
// Gives the claimed key its reply and, where there is one, the order number.
void keepReply(soci::session& sql, long long opId, std::string_view operation, std::string_view key,
               long long soNbr, const std::string& reply);
// Takes a claim back (a refused call keeps nothing).
void dropCallKey(soci::session& sql, long long opId, std::string_view operation, std::string_view key);
// Forgets every key older than `before` (seconds since 1970); how many.
long long pruneCallKeys(soci::session& sql, long long before);

// Hex text of bytes and back (kept replies are record frames).
std::string toHex(const std::string& bytes);
bool fromHex(std::string_view text, std::string& bytes);

}  // namespace zp::backend
