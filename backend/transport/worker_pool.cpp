#include "worker_pool.h"

#include <pthread.h>

#include <algorithm>

namespace zp::transport {

WorkerPool::WorkerPool(std::size_t threads, std::size_t queueLength, ThreadPriority priority, const char* name)
    : queueLength_(std::max<std::size_t>(queueLength, 1)), ownerMost_(queueLength_ - queueLength_ / 8) {
  threads = std::max<std::size_t>(threads, 1);
  threads_.reserve(threads);
  for (std::size_t i = 0; i < threads; ++i) threads_.emplace_back([this, priority, name] { run(priority, name); });
}

WorkerPool::~WorkerPool() { stop(); }

bool WorkerPool::try_submit(std::uint64_t owner, std::function<void()> job) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_ || queued_ >= queueLength_) return false;
    std::deque<std::function<void()>>& mine = queues_[owner];
    if (mine.size() >= ownerMost_) return false;
    if (mine.empty()) turns_.push_back(owner);
    mine.push_back(std::move(job));
    ++queued_;
  }
  wake_.notify_one();
  return true;
}

void WorkerPool::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (auto& t : threads_) {
    if (t.joinable()) t.join();
  }
}

void WorkerPool::run(ThreadPriority priority, const char* name) {
  ::pthread_setname_np(::pthread_self(), name);
  applyToThisThread(priority);
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || queued_ > 0; });
      // Stopping still drains the queue: a queued request was promised a reply.
      if (queued_ == 0) return;
      const std::uint64_t owner = turns_.front();
      turns_.pop_front();
      std::deque<std::function<void()>>& theirs = queues_[owner];
      job = std::move(theirs.front());
      theirs.pop_front();
      --queued_;
      if (theirs.empty())
        queues_.erase(owner);
      else
        turns_.push_back(owner);  // their next job waits for the others' turns
    }
    try {
      job();
    } catch (...) {
    }
  }
}

}  // namespace zp::transport
