// zpserver's options: from a configuration file (one "name = value" line per
// command-line option) and from the command line, which wins.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace zp::backend {

struct ServerOptions {
  std::string db = "sqlite:zpserver.db";
  std::string host = "127.0.0.1";
  unsigned port = 7070;
  std::string portFile;
  std::string logFile;  // empty: stderr
  bool seedDemo = false;
  std::string fixture;
  std::size_t workers = 4;
  std::size_t readWorkers = 2;
  int ordinaryNice = 10;
  std::size_t queue = 64;
  std::size_t maxConnections = 256;
  std::size_t maxPeerConnections = 64;
  int maxHeldNumbers = 5;
  long idleSeconds = 600;
  long requestSeconds = 30;
  long leaseMinutes = 30;
  long callKeySeconds = 24 * 60 * 60;  // kCallKeyKeptSeconds, which counters count on
  bool durable = true;
  bool quiet = false;

  // Commands instead of serving.
  bool help = false;
  bool version = false;
  bool check = false;      // ask a running server whether it is ready
  std::string backupTo;    // copy the store while it serves
};

// Applies the configuration file named by --config (if any), then the rest
// of the command line. Nullopt with the reason in `why` for a bad option,
// value or file; a line of the file is named by its number.
std::optional<ServerOptions> parseServerOptions(const std::vector<std::string>& args, std::string& why);

extern const char* const kServerHelp;

}  // namespace zp::backend
