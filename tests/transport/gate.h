// A handler that holds every request it gets until the test opens the gate,
// and notes how many entered, the threads that ran them and those threads'
// CPU priorities (nice values).
#pragma once

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

#include "test_server.h"

namespace zp::testing {

inline int thread_nice() {
  errno = 0;
  return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
}

class Gate {
 public:
  zpd_handler handler() {
    return [this](zpb_stream& in, zpb_stream& out) {
      {
        std::unique_lock lock(mutex_);
        threads_.insert(std::this_thread::get_id());
        nices_.insert(thread_nice());
        ++entered_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
      }
      return echo_handler()(in, out);
    };
  }
  bool wait_entered(int n, std::chrono::milliseconds within) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, within, [&] { return entered_ >= n; });
  }
  int entered() {
    std::lock_guard lock(mutex_);
    return entered_;
  }
  std::set<std::thread::id> threads() {
    std::lock_guard lock(mutex_);
    return threads_;
  }
  std::set<int> nices() {
    std::lock_guard lock(mutex_);
    return nices_;
  }
  void open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  ~Gate() { open(); }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int entered_ = 0;
  bool open_ = false;
  std::set<std::thread::id> threads_;
  std::set<int> nices_;
};

}  // namespace zp::testing
