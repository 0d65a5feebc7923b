// How much of the processor a server thread asks for, against the other
// threads of the process, when the processor is short.
#pragma once

#include <chrono>

namespace zp::transport {

struct ThreadPriority {
  // How much lower the thread's CPU priority is than the process's (a nice
  // increment, 0 to 19).
  int nice = 0;
  // A time slice asked of the scheduler, shorter than its own: a thread
  // woken with a short slice takes the processor from one with a longer
  // slice at once instead of at the end of that one's turn, and is given
  // it back sooner. 0 leaves the scheduler's own. Kernels from 6.12 heed it
  // (100 µs at the least); older ones take the request and ignore it.
  std::chrono::microseconds slice{0};
};

// Applies `priority` to the calling thread (Linux keeps both per thread). A
// refusal leaves the thread as it was: a priority is a preference, and the
// thread serves either way.
void applyToThisThread(const ThreadPriority& priority);

}  // namespace zp::transport
