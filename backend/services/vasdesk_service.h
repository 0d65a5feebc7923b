// The acceptance service behind IVasDesk: the subscriber's picture, the
// order check, the submission, and the Global Call number pool. Every
// request runs in one transaction; the submission re-runs every check inside
// its own transaction instead of trusting the counter's check, the content
// of the order included (order_content_checks.h).
#pragma once

#include <atomic>
#include <chrono>
#include <climits>
#include <functional>
#include <memory>
#include <string>

#include "MVasDesk.h"
#include "call_keys.h"
#include "database.h"
#include "sessions.h"

namespace zp::backend {

struct VasDeskConfig {
  // A reserved number returns to the pool after this long unless it was used
  // in an order: a closed workstation or a reset that forgot it holds nothing.
  std::chrono::seconds reservationLease{30 * 60};
  // Most numbers one query returns.
  int maxQueryNumbers = 1000;
  // Most numbers one operator may hold reserved at once: a counter needs one
  // per customer at the desk, and a runaway or hostile client must not
  // empty the pool.
  int maxHeldNumbers = 5;
  // How far back an order may be dated (back-dated orders record work done
  // while the system was away; beyond this they are refused).
  int maxBackDateDays = 31;
  // Seconds since 1970; the system clock when empty. Tests move time with it.
  std::function<long long()> clock;
  // Operators' sessions: idle time, recheck, sign-in attempts.
  SessionConfig sessions;
  // How long the reply of a keyed submission or reservation is kept for a
  // counter asking again (call_keys.h), and how often old ones are pruned.
  CallKeyConfig callKeys;
};

class VasDeskService : public MVasDesk::IVasDeskServant {
 public:
  VasDeskService(store::Database& db, VasDeskConfig config = {});

  std::int32_t get_info(const MPublicDef::SFetchCtInfoIn& sIn, MVasDesk::SGetInfoOut& sOut,
                        CBSErrorMsg& cErrorMsg) override;
  std::int32_t check_so(const MVasDesk::SSoUserServiceIn& sIn, MPublicDef::SCheckSoOut& sOut,
                        CBSErrorMsg& cErrorMsg) override;
  std::int32_t so_userService(const MVasDesk::SSoUserServiceIn& sIn, MVasDesk::SSoUserServiceOut& sOut,
                              CBSErrorMsg& cErrorMsg) override;
  std::int32_t do_signRes(const MVasDesk::SDoSignResIn& sIn, MVasDesk::SDoSignResOut& sOut,
                          CBSErrorMsg& cErrorMsg) override;
  std::int32_t query_resList(const MVasDesk::SQueryResListIn& sIn, MVasDesk::SQueryResListOut& sOut,
                             CBSErrorMsg& cErrorMsg) override;

 private:
  long long now() const;
  // One write transaction. A keyed call's work is done at once (a key seen
  // before is rare: a counter asks again only after a lost reply) and its
  // reply kept at the end; should the key be kept already, that fails and
  // the call is run again with `again` set, to find the kept reply first.
  void transactKeyed(bool keyed, const std::function<void(soci::session&, bool again)>& fn);
  // Prunes old call keys in the caller's transaction when it is time to.
  void pruneCallKeysIfDue(soci::session& sql, long long at);
  store::Database& db_;
  VasDeskConfig config_;
  std::atomic<long long> lastPrune_{LLONG_MIN};
};

// Result codes of refusals. Each comes with both error texts in Chinese.
enum VasDeskRefusal : std::int32_t {
  kRefusedStore = 1001,        // the store failed or is busy
  kRefusedRequest = 1002,      // a required field is missing or out of range
  kRefusedUnknownUser = 1003,  // no subscriber with that SERV_ID
  kRefusedBusiCode = 1004,     // not a business code of this service
  kRefusedOrder = 1005,        // the order does not stand (its findings are in the texts)
  kRefusedNumber = 1006,       // the number is unknown, taken, or not this operator's
};

}  // namespace zp::backend
