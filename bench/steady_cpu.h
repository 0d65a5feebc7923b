// Keeps the processor out of its deep idle states while alive, as latency
// benchmarks do. On this kind of machine a core left idle between two
// requests halts, and waking it adds tens of microseconds to whichever
// figure happened to sleep: a benchmark that pauses between requests then
// measures the machine's power saving, and differently from run to run.
// Needs write access to /dev/cpu_dma_latency (root); held() says whether
// the request was taken.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>

class SteadyCpu {
 public:
  SteadyCpu() {
    fd_ = ::open("/dev/cpu_dma_latency", O_WRONLY | O_CLOEXEC);
    const std::int32_t noLatency = 0;
    if (fd_ >= 0 && ::write(fd_, &noLatency, sizeof noLatency) != sizeof noLatency) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~SteadyCpu() {
    if (fd_ >= 0) ::close(fd_);  // the kernel drops the request with the file
  }
  SteadyCpu(const SteadyCpu&) = delete;
  SteadyCpu& operator=(const SteadyCpu&) = delete;

  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};
