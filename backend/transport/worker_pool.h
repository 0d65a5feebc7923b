// A fixed set of threads taking jobs from a bounded queue. Submitting never
// blocks: a full queue refuses the job, so the caller can answer "busy"
// instead of letting work pile up.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "thread_priority.h"

namespace zp::transport {

class WorkerPool {
 public:
  // Starts `threads` workers (at least 1); at most `queueLength` jobs (at
  // least 1) wait for one. Each worker takes `priority` for itself: a lower
  // one, so that other threads of the process win the processor from it
  // when it is short, or a short slice, so that it wins it from them. The
  // workers are named `name` (at most 15 characters: what top -H, ps, gdb
  // and perf show of them).
  WorkerPool(std::size_t threads, std::size_t queueLength, ThreadPriority priority = {},
             const char* name = "zp-worker");
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Queues a job of `owner` (a peer); false when the queue is full, when the
  // owner holds its most (all but an eighth of the queue, kept for the other
  // owners), or when the pool is stopping. Workers take the owners' jobs in
  // turn, so a flooding owner waits behind itself, not the others behind it.
  // A job's exception is swallowed by the worker: jobs report through their
  // own results.
  bool try_submit(std::uint64_t owner, std::function<void()> job);
  bool try_submit(std::function<void()> job) { return try_submit(0, std::move(job)); }

  // Refuses new jobs, lets the queued and running ones finish, joins the
  // threads. Idempotent; not to be called from a job.
  void stop();

 private:
  void run(ThreadPriority priority, const char* name);

  const std::size_t queueLength_;
  const std::size_t ownerMost_;  // jobs one owner may have queued
  std::mutex mutex_;
  std::condition_variable wake_;
  std::size_t queued_ = 0;
  std::unordered_map<std::uint64_t, std::deque<std::function<void()>>> queues_;
  std::deque<std::uint64_t> turns_;  // owners with queued jobs, next first
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace zp::transport
