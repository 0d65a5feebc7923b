#include "worker_pool.h"

#include <algorithm>

namespace zp::transport {

WorkerPool::WorkerPool(std::size_t threads, std::size_t queueLength) : queueLength_(std::max<std::size_t>(queueLength, 1)) {
  threads = std::max<std::size_t>(threads, 1);
  threads_.reserve(threads);
  for (std::size_t i = 0; i < threads; ++i) threads_.emplace_back([this] { run(); });
}

WorkerPool::~WorkerPool() { stop(); }

bool WorkerPool::try_submit(std::function<void()> job) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_ || queue_.size() >= queueLength_) return false;
    queue_.push_back(std::move(job));
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

void WorkerPool::run() {
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      // Stopping still drains the queue: a queued request was promised a reply.
      if (queue_.empty()) return;
      job = std::move(queue_.front());
      queue_.pop_front();
    }
    try {
      job();
    } catch (...) {
    }
  }
}

}  // namespace zp::transport
