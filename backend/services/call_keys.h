// Keyed calls: a counter that got no answer asks the same call again with
// the key it chose for it, and the server answers a key it has served with
// the reply it gave then instead of doing the work a second time.
//
// The kept reply is written at the end of the transaction of the work it
// answers, so a key is known exactly when its work is committed. The work is
// done without looking for the key first (a key seen before is rare, and the
// look-up would cost every order): a call whose key is kept already, by an
// earlier call or by another server at the same moment, fails on keeping
// its reply, its work is rolled back whole, and it runs once more, looking
// first. A refusal is kept too: once a key has been answered, the answer is
// final.
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
  // this often, in the transaction of a keyed call.
  std::chrono::seconds pruneEvery{60};
};

// The key of the call running on this thread, if it is one the store can
// keep (empty otherwise).
std::string_view currentCallKey();
// A key given with the call that the store cannot keep (longer than a key
// may be, or not printable ASCII): empty when there is none or it is fit.
// Such a call is refused, not run without its key: the counter counts on
// the key to ask again safely. The text says why, for the refusal.
std::string unfitCallKey();

// In the caller's transaction. The reply kept for the key, as keepReply was
// given it; false when the key is not known.
bool findKeptReply(soci::session& sql, long long opId, std::string_view operation, std::string_view key,
                   std::string& reply);
// Keeps the reply (and, where there is one, the order number) under the
// key; throws when the key was kept meanwhile by another transaction.
void keepReply(soci::session& sql, long long opId, std::string_view operation, std::string_view key,
               long long now, long long soNbr, const std::string& reply);
// Forgets every key older than `before` (seconds since 1970); how many.
long long pruneCallKeys(soci::session& sql, long long before);


}  // namespace zp::backend
