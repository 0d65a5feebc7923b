// Group commit for a store with one writer at a time and a flush per commit
// (SQLite with synchronous FULL). Every write request runs on its own thread,
// in its own savepoint, inside the one transaction of the writer connection;
// requests that queue while a flush is in progress run one after another
// when it ends and are flushed together by the last of them. A request that
// fails rolls back to its savepoint alone; a flush that fails fails every
// request it held. Nobody is told "done" before the flush holding its work.
//
// A single writer pays nothing extra: it finds nobody queued and commits at
// once. The batch is whatever queued during the previous flush, capped so a
// steady stream of writers cannot postpone a flush for ever.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace soci {
class session;
}

namespace zp::store {

class GroupCommit {
 public:
  // `writer` is used by this object only, from the requests' threads, one at
  // a time. `most` caps the requests of one flush.
  GroupCommit(soci::session& writer, std::size_t most = 64);

  // Runs fn(writer) as described above. Returns once the flush holding fn's
  // work is done and returns how many requests that flush held (1 when alone);
  // rethrows fn's exception (its work undone), or throws StoreError when the
  // store could not begin or could not flush (nothing of it stored).
  std::size_t run(const std::function<void(soci::session&)>& fn);

  // Flushes that committed requests so far.
  unsigned long long flushes() const;

 private:
  struct Batch {
    std::size_t members = 0;  // requests whose work the transaction holds
    bool ended = false;
    std::exception_ptr failure;
    std::condition_variable done;  // its members wait here for the flush
  };
  bool inTransaction() const;
  // Hands the writer to the request whose turn it is, if it is waiting.
  // Called with mutex_ held and busy_ false.
  void wakeNext();

  soci::session& writer_;
  const std::size_t most_;
  mutable std::mutex mutex_;
  // Each waiting request has a condition variable of its own, so a hand-over
  // wakes the one request whose turn it is and not every waiting thread.
  std::unordered_map<std::uint64_t, std::condition_variable*> waiting_;
  std::uint64_t nextTicket_ = 0;  // FIFO: requests take the writer in arrival order
  std::uint64_t serving_ = 0;
  bool busy_ = false;  // a request or a flush is using the writer
  std::shared_ptr<Batch> batch_;  // the open transaction, if any
  std::size_t ran_ = 0;           // requests run in the open transaction (failed ones too)
  unsigned long long flushes_ = 0;
};

}  // namespace zp::store
