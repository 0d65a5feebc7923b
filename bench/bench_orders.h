// The order the server benchmarks submit: GPRS opened for a subscriber of
// its own, taken in turn from those the benchmark's store was filled with.
#pragma once

#include <atomic>
#include <string>

#include "MVasDesk.h"
#include "sample_orders.h"
#include "zpd_client.h"

// The store holds subscribers kFirstSubscriber, kFirstSubscriber + 1, ...
constexpr long long kFirstSubscriber = 1000000;

// Takes the next of `count` subscribers from `next` and submits its order,
// under a call key of its own when `keyed`. Empty when the order was taken;
// else why not.
inline std::string orderForNextSubscriber(MVasDesk::IVasDesk& client, std::atomic<long long>& next, long long count,
                                          bool keyed = false) {
  const long long user = next++;
  if (user >= count) return "ran out of subscribers";
  MVasDesk::SSoUserServiceOut out;
  CBSErrorMsg err;
  const zpd_call_key_scope key(keyed ? zpd_new_call_key() : std::string());
  if (client.so_userService(zp::testing::gprsOpen(kFirstSubscriber + user), out, err, nullptr) != 0)
    return err.text2.empty() ? "an order failed" : err.text2;
  return {};
}
