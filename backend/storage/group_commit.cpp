#include "group_commit.h"

#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>
#include <sqlite3.h>

#include "database.h"
#include "rows.h"

namespace zp::store {

GroupCommit::GroupCommit(soci::session& writer, std::size_t most) : writer_(writer), most_(most == 0 ? 1 : most) {}

bool GroupCommit::inTransaction() const {
  auto* backend = static_cast<soci::sqlite3_session_backend*>(writer_.get_backend());
  return backend != nullptr && sqlite3_get_autocommit(backend->conn_) == 0;
}

std::size_t GroupCommit::run(const std::function<void(soci::session&)>& fn) {
  std::unique_lock lock(mutex_);
  const std::uint64_t ticket = nextTicket_++;
  if (busy_ || serving_ != ticket) {
    std::condition_variable mine;
    waiting_.emplace(ticket, &mine);
    mine.wait(lock, [&] { return !busy_ && serving_ == ticket; });
    waiting_.erase(ticket);
  }
  busy_ = true;
  ++serving_;
  const bool begin = !batch_;
  if (begin) {
    batch_ = std::make_shared<Batch>();
    ran_ = 0;
  }
  const std::shared_ptr<Batch> batch = batch_;
  ++ran_;
  lock.unlock();

  std::exception_ptr own;
  bool holds = false;  // this request's work is in the transaction
  bool open = true;    // the transaction is still there to be committed
  try {
    if (begin) {
      if (inTransaction()) transactionControl(writer_, "ROLLBACK");  // a leftover of a failed flush
      transactionControl(writer_, "BEGIN IMMEDIATE");
    }
  } catch (const soci::soci_error& e) {
    own = std::make_exception_ptr(StoreError(std::string("the store is busy: ") + e.what()));
    open = inTransaction();
  }
  if (!own) {
    try {
      execute(writer_, "SAVEPOINT zp_request", {});
      fn(writer_);
      execute(writer_, "RELEASE zp_request", {});
      holds = true;
    } catch (...) {
      own = std::current_exception();
      // Undo this request's work and nothing else. Some failures (a full
      // disk, an I/O error) make the store drop the whole transaction, and
      // with it what earlier requests of the batch did.
      try {
        if (inTransaction()) {
          execute(writer_, "ROLLBACK TO zp_request", {});
          execute(writer_, "RELEASE zp_request", {});
        } else {
          open = false;
        }
      } catch (...) {
        open = false;
      }
    }
  }

  lock.lock();
  if (holds) ++batch->members;
  const bool queued = nextTicket_ != serving_;
  if (open && queued && ran_ < most_) {
    // The next request joins this transaction; whoever runs last flushes.
    busy_ = false;
    wakeNext();
    if (own) std::rethrow_exception(own);
    batch->done.wait(lock, [&] { return batch->ended; });
    if (batch->failure) std::rethrow_exception(batch->failure);
    return batch->members;
  }

  // Flush: the writer stays busy, so the requests now queued wait and form
  // the next batch.
  batch_.reset();
  lock.unlock();
  std::exception_ptr failure;
  if (open) {
    try {
      transactionControl(writer_, (batch->members > 0 ? "COMMIT" : "ROLLBACK"));
    } catch (const soci::soci_error& e) {
      failure = std::make_exception_ptr(StoreError(std::string("the store could not commit: ") + e.what()));
      try {
        if (inTransaction()) transactionControl(writer_, "ROLLBACK");
      } catch (...) {
      }
    }
  } else if (batch->members > 0) {
    failure = std::make_exception_ptr(StoreError("the store dropped the transaction after a failure; nothing stored"));
  }
  lock.lock();
  batch->failure = failure;
  batch->ended = true;
  if (!failure && batch->members > 0) ++flushes_;
  busy_ = false;
  batch->done.notify_all();
  wakeNext();
  lock.unlock();
  if (own) std::rethrow_exception(own);
  if (failure) std::rethrow_exception(failure);
  return batch->members;
}

void GroupCommit::wakeNext() {
  if (const auto next = waiting_.find(serving_); next != waiting_.end()) next->second->notify_one();
}

unsigned long long GroupCommit::flushes() const {
  std::lock_guard lock(mutex_);
  return flushes_;
}

}  // namespace zp::store
