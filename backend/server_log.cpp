#include "server_log.h"

#include <cerrno>
#include <cstring>
#include <ctime>

namespace zp::backend {

std::string logTime(std::chrono::system_clock::time_point at) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm tm{};
  gmtime_r(&seconds, &tm);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms % 1000));
  return text;
}

namespace {

// Names travel checked (letters, digits, '_'); a blank or '=' would still
// break the line's pairs, so anything but printable ASCII becomes '?'.
void value(std::string& out, std::string_view v) {
  if (v.empty()) {
    out += '-';
    return;
  }
  for (char c : v) out += (c > ' ' && c < 127 && c != '=') ? c : '?';
}

}  // namespace

std::string formatRequestLine(const RequestLine& r) {
  std::string out = "time=" + logTime(r.at) + " peer=";
  value(out, r.peer);
  out += " op=";
  out += r.opId ? std::to_string(r.opId) : "-";
  out += " interface=";
  value(out, r.interfaceName);
  out += " service=";
  value(out, r.serviceCode);
  out += " duration_us=" + std::to_string(r.duration.count());
  out += " result=" + std::to_string(r.result);
  if (r.soNbr) out += " so_nbr=" + std::to_string(r.soNbr);
  return out;
}

ServerLog::~ServerLog() {
  if (file_) std::fclose(file_);
}

bool ServerLog::open(const std::string& path, std::string& why) {
  std::FILE* f = std::fopen(path.c_str(), "a");
  if (!f) {
    why = "cannot open the log file " + path + ": " + std::strerror(errno);
    return false;
  }
  std::setvbuf(f, nullptr, _IOLBF, 0);
  std::lock_guard lock(mutex_);
  if (file_) std::fclose(file_);
  file_ = f;
  path_ = path;
  return true;
}

void ServerLog::reopen() {
  std::unique_lock lock(mutex_);
  if (!file_) return;  // stderr belongs to whoever started the server
  std::FILE* f = std::fopen(path_.c_str(), "a");
  if (!f) {
    const std::string why = std::strerror(errno);
    lock.unlock();
    say("cannot reopen the log file " + path_ + ": " + why + "; still writing to the old one");
    return;
  }
  std::setvbuf(f, nullptr, _IOLBF, 0);
  std::fclose(file_);
  file_ = f;
}

void ServerLog::write(std::string_view line) {
  std::lock_guard lock(mutex_);
  std::FILE* f = file_ ? file_ : stderr;
  std::fwrite(line.data(), 1, line.size(), f);
  std::fputc('\n', f);
  std::fflush(f);
}

void ServerLog::say(std::string_view text) {
  std::string line = "time=" + logTime(std::chrono::system_clock::now()) + " zpserver: ";
  line += text;
  write(line);
}

}  // namespace zp::backend
