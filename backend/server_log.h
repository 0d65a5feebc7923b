// zpserver's log: stderr (the service manager's journal) or a file that
// SIGHUP reopens after rotation. Each line starts with its time; a request's
// line is "name=value" pairs, one request per line, for tools to read.
#pragma once

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace zp::backend {

struct RequestLine {
  std::chrono::system_clock::time_point at;
  std::string_view peer;           // "address:port"
  long long opId = 0;              // 0: no signed-in operator (the sign-in itself, a refused call)
  std::string_view interfaceName;  // empty when the request could not be read
  std::string_view serviceCode;
  std::chrono::microseconds duration{0};
  int result = 0;
  long long soNbr = 0;  // the submitted order's number; 0 when none
};

// "2026-12-10T20:31:02.123Z": UTC, milliseconds.
std::string logTime(std::chrono::system_clock::time_point at);

// time=... peer=... op=... interface=... service=... duration_us=... result=... [so_nbr=...]
// A value that is unknown is "-"; values never hold blanks.
std::string formatRequestLine(const RequestLine& r);

class ServerLog {
 public:
  ServerLog() = default;
  ~ServerLog();
  ServerLog(const ServerLog&) = delete;
  ServerLog& operator=(const ServerLog&) = delete;

  // Appends to `path` from now on; false with errno's text in `why`.
  bool open(const std::string& path, std::string& why);
  // Opens the file again under its name (logrotate moved the old one away);
  // keeps writing to the old one when that fails, and says so there.
  void reopen();
  // One line as it is; a line of a request or a message.
  void write(std::string_view line);
  // A message of the server itself: "time=... zpserver: text".
  void say(std::string_view text);

 private:
  std::mutex mutex_;
  std::string path_;
  std::FILE* file_ = nullptr;  // null: stderr
};

}  // namespace zp::backend
