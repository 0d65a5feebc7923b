// A fixed set of threads taking jobs from a bounded queue. Submitting never
// blocks: a full queue refuses the job, so the caller can answer "busy"
// instead of letting work pile up.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace zp::transport {

class WorkerPool {
 public:
  // Starts `threads` workers (at least 1); at most `queueLength` jobs (at
  // least 1) wait for one.
  WorkerPool(std::size_t threads, std::size_t queueLength);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Queues a job; false when the queue is full or the pool is stopping. A
  // job's exception is swallowed by the worker: jobs report through their
  // own results.
  bool try_submit(std::function<void()> job);

  // Refuses new jobs, lets the queued and running ones finish, joins the
  // threads. Idempotent; not to be called from a job.
  void stop();

 private:
  void run();

  const std::size_t queueLength_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> queue_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace zp::transport
