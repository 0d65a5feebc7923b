#include "thread_priority.h"

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace zp::transport {

namespace {

// The kernel's struct sched_attr, first version (48 bytes); the C library
// has no wrapper for sched_setattr.
struct SchedAttr {
  std::uint32_t size;
  std::uint32_t policy;
  std::uint64_t flags;
  std::int32_t nice;
  std::uint32_t priority;
  std::uint64_t runtime;  // for the ordinary policy: the slice asked for, in ns
  std::uint64_t deadline;
  std::uint64_t period;
};

}  // namespace

void applyToThisThread(const ThreadPriority& priority) {
  const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
  errno = 0;
  const int now = ::getpriority(PRIO_PROCESS, tid);
  if (errno != 0) return;
  const int nice = priority.nice > 0 ? std::min(now + priority.nice, 19) : now;
  if (nice != now) ::setpriority(PRIO_PROCESS, tid, nice);
  if (priority.slice.count() <= 0 || ::sched_getscheduler(0) != SCHED_OTHER) return;
  SchedAttr attr{};
  attr.size = sizeof attr;
  attr.policy = SCHED_OTHER;
  attr.nice = nice;  // sched_setattr sets the nice value too: the one just set
  attr.runtime = static_cast<std::uint64_t>(std::chrono::nanoseconds(priority.slice).count());
  ::syscall(SYS_sched_setattr, 0, &attr, 0u);
}

}  // namespace zp::transport
