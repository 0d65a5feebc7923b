// A zpserver started as its own process, as in production: the tests kill
// it, restart it and talk to it over loopback.
#pragma once

#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace zp::testing {

class ServerProcess {
 public:
  ServerProcess() = default;
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;
  ~ServerProcess() { kill(SIGKILL); }

  // Starts zpserver with the given options plus a port file; true once it listens.
  bool start(std::vector<std::string> args) {
    portFile_ = std::filesystem::temp_directory_path() / ("zpserver-port-" + std::to_string(::getpid()) + "-" +
                                                          std::to_string(++starts()));
    std::filesystem::remove(portFile_);
    args.insert(args.begin(), ZPSERVER_PATH);
    args.push_back("--listen");
    args.push_back("127.0.0.1:0");
    args.push_back("--port-file");
    args.push_back(portFile_.string());
    pid_ = ::fork();
    if (pid_ == 0) {
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    for (int i = 0; i < 600; ++i) {  // up to 60 s: a big fixture takes a while to load
      std::ifstream in(portFile_);
      if (in >> port_ && port_ > 0) return true;
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  // Sends a signal and waits for the process; returns its wait status.
  int kill(int sig) {
    if (pid_ <= 0) return -1;
    ::kill(pid_, sig);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
  }

  // Sends a signal without waiting; true while the process is still there.
  bool signal(int sig) { return pid_ > 0 && ::kill(pid_, sig) == 0; }
  // True when the process ended on its own; its wait status in *status.
  bool exited(int* status = nullptr) {
    int s = 0;
    if (pid_ <= 0 || ::waitpid(pid_, &s, WNOHANG) != pid_) return false;
    pid_ = -1;
    if (status) *status = s;
    return true;
  }

  int port() const { return port_; }
  std::string address() const { return "tcp://127.0.0.1:" + std::to_string(port_); }

 private:
  // Counted for the whole test process: servers started side by side must
  // not read one another's port file.
  static std::atomic<int>& starts() {
    static std::atomic<int> n{0};
    return n;
  }
  pid_t pid_ = -1;
  int port_ = 0;
  std::filesystem::path portFile_;
};

}  // namespace zp::testing
