// A handler that holds every request it gets until the test opens the gate,
// and notes how many entered, the threads that ran them, those threads'
// names and their CPU priorities (nice values and the time slices they
// asked for).
#pragma once

#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "test_server.h"

namespace zp::testing {

inline int thread_nice() {
  errno = 0;
  return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
}

// The calling thread's time slice in µs as the kernel reports it (its own,
// or one the thread asked for); 0 when it reports none.
inline long thread_slice_us() {
  struct {
    std::uint32_t size, policy;
    std::uint64_t flags;
    std::int32_t nice;
    std::uint32_t priority;
    std::uint64_t runtime, deadline, period;
  } attr{};
  if (::syscall(SYS_sched_getattr, 0, &attr, sizeof attr, 0u) != 0) return 0;
  return static_cast<long>(attr.runtime / 1000);
}

class Gate {
 public:
  zpd_handler handler() {
    return [this](zpb_stream& in, zpb_stream& out) {
      {
        std::unique_lock lock(mutex_);
        threads_.insert(std::this_thread::get_id());
        nices_.insert(thread_nice());
        slices_.insert(thread_slice_us());
        char name[16] = {};
        ::pthread_getname_np(::pthread_self(), name, sizeof name);
        names_.insert(name);
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
  std::set<long> slices() {
    std::lock_guard lock(mutex_);
    return slices_;
  }
  // The names of the threads that ran the requests.
  std::set<std::string> names() {
    std::lock_guard lock(mutex_);
    return names_;
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
  std::set<long> slices_;
  std::set<std::string> names_;
};

}  // namespace zp::testing
