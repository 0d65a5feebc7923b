#include "zpd_client.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "call_helpers.h"
#include "zpb_stream.h"
#include "zpd_envelope.h"
#include "zpd_server.h"
#include "zpd_stub.h"

namespace {

using zp::testing::ScopedEnv;
namespace fs = std::filesystem;

// A run directory of the test's own with the given zpclient.ini, made the
// run path for the scope.
class RunDir {
 public:
  explicit RunDir(const std::string& ini) {
    std::string pattern = (fs::temp_directory_path() / "zpclient-XXXXXX").string();
    dir_ = ::mkdtemp(pattern.data());
    std::ofstream(fs::path(dir_) / "zpclient.ini") << ini;
    env_.emplace("ZP_RUN_PATH", dir_);
  }
  ~RunDir() {
    env_.reset();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

 private:
  std::string dir_;
  std::optional<ScopedEnv> env_;
};

}  // namespace

TEST(ZpdBroker, ResolvesFromEnvironmentThenSettingsFile) {
  RunDir run(
      "# brokers of the test\n"
      "[brokers]\n"
      "ZEPHYRON = tcp://10.0.0.1:7070\n"
      "; SHADOWED=inproc:commented\n"
      "lowercase=inproc:lower\n"
      "EMPTY=\n"
      "timeout_ms=1500\n");
  ScopedEnv noZephyron("ZP_BROKER_ZEPHYRON", std::nullopt);
  ScopedEnv noTimeout("ZP_CALL_TIMEOUT_MS", std::nullopt);
  ScopedEnv other("ZP_BROKER_OTHER_ONE", "inproc:from-env");
  ScopedEnv emptyEnv("ZP_BROKER_EMPTY", "");

  struct Case {
    const char* broker;
    const char* expected;
  } const cases[] = {
      {"ZEPHYRON", "tcp://10.0.0.1:7070"},  // the file, spaces around '=' trimmed
      {"zephyron", "tcp://10.0.0.1:7070"},  // names compare without case
      {"LOWERCASE", "inproc:lower"},
      {"other-one", "inproc:from-env"},  // environment: upper case, other bytes as '_'
      {"SHADOWED", ""},                  // a commented line is no setting
      {"EMPTY", ""},                     // empty values count as unset in both places
      {"NOBODY", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(zpd_resolve_broker(c.broker), c.expected) << c.broker;

  {
    ScopedEnv wins("ZP_BROKER_ZEPHYRON", "inproc:env-wins");
    EXPECT_EQ(zpd_resolve_broker("ZEPHYRON"), "inproc:env-wins");
  }
  EXPECT_EQ(zpd_default_timeout(), std::chrono::milliseconds(1500));
}

// A file saved by an editor that puts the UTF-8 mark before the text, with
// its lines ended the other way: the broker of its first line is found, as
// the one of a later line is.
TEST(ZpdBroker, ASettingsFileWithAByteOrderMarkNamesItsFirstBroker) {
  ScopedEnv noZephyron("ZP_BROKER_ZEPHYRON", std::nullopt);
  ScopedEnv noTimeout("ZP_CALL_TIMEOUT_MS", std::nullopt);
  const struct {
    const char* what;
    const char* ini;
  } cases[] = {
      {"broker first", "\xEF\xBB\xBFZEPHYRON=tcp://10.0.0.1:7070\r\ntimeout_ms=1500\r\n"},
      {"broker after a comment", "\xEF\xBB\xBF# counter 3\r\nZEPHYRON=tcp://10.0.0.1:7070\r\ntimeout_ms=1500\r\n"},
      {"timeout first", "\xEF\xBB\xBFtimeout_ms=1500\nZEPHYRON=tcp://10.0.0.1:7070\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RunDir run(c.ini);
    EXPECT_EQ(zpd_resolve_broker("ZEPHYRON"), "tcp://10.0.0.1:7070");
    EXPECT_EQ(zpd_default_timeout(), std::chrono::milliseconds(1500));
  }
}

// The settings file is kept between calls, but an edit of it counts from
// the next call on, as does its removal.
TEST(ZpdBroker, AnEditedSettingsFileCountsFromTheNextCall) {
  std::string pattern = (fs::temp_directory_path() / "zpclient-XXXXXX").string();
  const fs::path dir = ::mkdtemp(pattern.data());
  const fs::path ini = dir / "zpclient.ini";
  ScopedEnv runPath("ZP_RUN_PATH", dir.string());
  ScopedEnv noZephyron("ZP_BROKER_ZEPHYRON", std::nullopt);
  std::ofstream(ini) << "ZEPHYRON=tcp://10.0.0.1:7070\n";
  EXPECT_EQ(zpd_resolve_broker("ZEPHYRON"), "tcp://10.0.0.1:7070");
  std::ofstream(ini) << "ZEPHYRON=tcp://10.0.0.22:7070\n";  // longer
  EXPECT_EQ(zpd_resolve_broker("ZEPHYRON"), "tcp://10.0.0.22:7070");
  // As long, written a second later, as an operator's edit would be.
  const auto written = fs::last_write_time(ini);
  std::ofstream(ini) << "ZEPHYRON=tcp://10.0.0.33:7070\n";
  fs::last_write_time(ini, written + std::chrono::seconds(1));
  EXPECT_EQ(zpd_resolve_broker("ZEPHYRON"), "tcp://10.0.0.33:7070");
  fs::remove(ini);
  EXPECT_EQ(zpd_resolve_broker("ZEPHYRON"), "");
  std::error_code ec;
  fs::remove_all(dir, ec);
}

TEST(ZpdBroker, CallTimeoutFromEnvironmentFileOrDefault) {
  struct Case {
    const char* ini;
    std::optional<std::string> env;
    long long expectedMs;
  } const cases[] = {
      {"", std::nullopt, 30000},
      {"timeout_ms=250\n", std::nullopt, 250},
      {"timeout_ms=250\n", "4000", 4000},
      {"timeout_ms=250\n", "soon", 250},  // unusable values fall through
      {"timeout_ms=-5\n", std::nullopt, 30000},
      {"timeout_ms=0\n", "0", 30000},
      {"timeout_ms=12abc\n", std::nullopt, 30000},
  };
  for (const Case& c : cases) {
    RunDir run(c.ini);
    ScopedEnv env("ZP_CALL_TIMEOUT_MS", c.env);
    EXPECT_EQ(zpd_default_timeout().count(), c.expectedMs) << c.ini << " / " << c.env.value_or("-");
    CZpdClientObject client;
    EXPECT_EQ(client.timeout().count(), c.expectedMs);
  }
}

TEST(ZpdClientObject, BindRefusesUnknownOrUnusableAddresses) {
  RunDir run("");
  struct Case {
    std::optional<std::string> address;
    std::int32_t expected;
  } const cases[] = {
      {std::nullopt, ZPE_BROKER_UNKNOWN},
      {"ftp://127.0.0.1:21", ZPE_BROKER_UNKNOWN},
      {"tcp://127.0.0.1", ZPE_BROKER_UNKNOWN},
      {"tcp://127.0.0.1:0", ZPE_BROKER_UNKNOWN},
      {"tcp://127.0.0.1:65536", ZPE_BROKER_UNKNOWN},
      {"tcp://127.0.0.1:80x", ZPE_BROKER_UNKNOWN},
      {"tcp://::1:7070", ZPE_BROKER_UNKNOWN},  // IPv6 needs brackets
      {"inproc:", ZPE_BROKER_UNKNOWN},
      {"inproc:nobody-registered-this", ZPE_CONNECT},
  };
  for (const Case& c : cases) {
    ScopedEnv env("ZP_BROKER_BINDTEST", c.address);
    CZpdClientObject client;
    EXPECT_EQ(client.bind_zpBroker("BINDTEST"), c.expected) << c.address.value_or("(none)");
    EXPECT_FALSE(client.is_bound());
  }
  CZpdClientObject client;
  EXPECT_EQ(client.bind(nullptr), ZPE_BROKER_UNKNOWN);
}

TEST(ZpdClientObject, CallBeforeBindOrAfterUnbindIsNotBound) {
  auto dispatcher = std::make_shared<zpd_dispatcher>();
  dispatcher->add(zp::testing::kEchoInterface, zp::testing::kEchoCode, zp::testing::echo_handler());
  zpd_inproc_registration reg("client-test-unbind", dispatcher);
  ScopedEnv env("ZP_BROKER_UNBINDTEST", "inproc:client-test-unbind");

  CZpdClientObject client;
  zpb_stream in, out;
  zp::testing::write_echo_request(in, 1);
  EXPECT_EQ(client.call_server(zp::testing::kEchoInterface, zp::testing::kEchoCode, nullptr, in, out), ZPE_NOT_BOUND);
  ASSERT_EQ(client.bind_zpBroker("UNBINDTEST"), 0);
  EXPECT_TRUE(client.is_bound());
  EXPECT_EQ(client.call_server(zp::testing::kEchoInterface, zp::testing::kEchoCode, nullptr, in, out), 0);
  client.unbind();
  EXPECT_FALSE(client.is_bound());
  EXPECT_EQ(client.call_server(zp::testing::kEchoInterface, zp::testing::kEchoCode, nullptr, in, out), ZPE_NOT_BOUND);
  EXPECT_EQ(client.reserved_slot(), 0);
}

TEST(ZpdClientObject, RequestStreamMustBeOneWrittenFrame) {
  auto dispatcher = std::make_shared<zpd_dispatcher>();
  int calls = 0;
  dispatcher->add("I", "C", [&calls](zpb_stream&, zpb_stream&) { return ++calls, 0; });
  zpd_inproc_registration reg("client-test-stream", dispatcher);
  ScopedEnv env("ZP_BROKER_STREAMTEST", "inproc:client-test-stream");
  CZpdClientObject client;
  ASSERT_EQ(client.bind_zpBroker("STREAMTEST"), 0);

  struct Case {
    const char* what;
    void (*prepare)(zpb_stream&);
  } const cases[] = {
      {"never opened", [](zpb_stream&) {}},
      {"opened, no frame", [](zpb_stream& s) { s.open(); }},
      {"failed while writing",
       [](zpb_stream& s) {
         s.open();
         s.begin_stream(zp::testing::kEchoIn);
         s << std::string("\xF0\x9F\x98\x80");  // no GBK form
       }},
      {"opened for reading", [](zpb_stream& s) { s.open_for_reading(zp::testing::echo_request_bytes(1)); }},
  };
  for (const Case& c : cases) {
    zpb_stream in, out;
    c.prepare(in);
    EXPECT_EQ(client.call_server("I", "C", nullptr, in, out), ZPE_BAD_REQUEST_STREAM) << c.what;
  }
  EXPECT_EQ(calls, 0);
}

TEST(ZpdErrorMsg, EveryRuntimeCodeHasItsOwnText) {
  const std::int32_t codes[] = {ZPE_NOT_BOUND,        ZPE_BROKER_UNKNOWN,     ZPE_CONNECT,
                                ZPE_SEND,             ZPE_RECEIVE,            ZPE_TIMEOUT,
                                ZPE_BAD_REPLY,        ZPE_BAD_REQUEST_STREAM, ZPE_SRV_NO_INTERFACE,
                                ZPE_SRV_NO_SERVICE,   ZPE_SRV_BAD_REQUEST,    ZPE_SRV_EXCEPTION,
                                ZPE_SRV_BAD_REPLY,    ZPE_SRV_BUSY,           ZPE_SRV_STORAGE};
  std::set<std::string> texts;
  for (const std::int32_t code : codes) {
    const std::string text = zpd_getErrorMsg(code);
    // Chinese for the clerk, the symbolic code and the number kept for support.
    EXPECT_GT(static_cast<unsigned char>(text[0]), 0x7f) << code << ": " << text;
    EXPECT_NE(text.find("[ZPE_"), std::string::npos) << code << ": " << text;
    EXPECT_TRUE(text.ends_with("," + std::to_string(code) + "]")) << code << ": " << text;
    texts.insert(text);
  }
  EXPECT_EQ(texts.size(), std::size(codes));
  EXPECT_NE(std::string(zpd_getErrorMsg(ZPE_TIMEOUT)).find("限定时间"), std::string::npos);

  // Codes without a name still get a text that names them.
  for (const std::int32_t code : {-9971, 42, -1}) {
    EXPECT_NE(std::string(zpd_getErrorMsg(code)).find(std::to_string(code)), std::string::npos) << code;
  }
}

TEST(ZpdErrorMsg, RuntimeFailureRangeIsHalfOpen) {
  struct Case {
    std::int32_t code;
    bool runtime;
  } const cases[] = {{-10000, false}, {-9999, true}, {-9971, true}, {-9970, false}, {0, false}, {1, false}};
  for (const Case& c : cases) EXPECT_EQ(zpd_is_runtime_failure(c.code), c.runtime) << c.code;
}

// Keys made one after another, on one thread or several, never repeat, are
// valid keys for the envelope, and sort in the order they were made on each
// thread: the server's index of kept keys grows at its end.
TEST(ZpdCallKey, FreshKeysAreUniqueValidAndSortInTheOrderMade) {
  constexpr int kThreads = 4, kEach = 2000;
  std::vector<std::vector<std::string>> made(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&made, t] {
      for (int i = 0; i < kEach; ++i) made[t].push_back(zpd_new_call_key());
    });
  for (auto& t : threads) t.join();
  std::set<std::string> all;
  for (const auto& keys : made) {
    for (std::size_t i = 0; i < keys.size(); ++i) {
      ASSERT_TRUE(zpd_envelope::valid_name(keys[i])) << keys[i];
      ASSERT_LE(keys[i].size(), zpd_envelope::kMaxCallKey);
      if (i > 0) ASSERT_LT(keys[i - 1], keys[i]) << "made later, sorted before";
      all.insert(keys[i]);
    }
  }
  EXPECT_EQ(all.size(), static_cast<std::size_t>(kThreads * kEach));
  // The clock leads: a key made now sorts after one made a moment ago on
  // another thread.
  std::string before;
  std::thread([&before] { before = zpd_new_call_key(); }).join();
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_LT(before, zpd_new_call_key());
}

// A key tells when it was made, by the clock of the counter that made it;
// a text that is not a key of that form tells nothing.
TEST(ZpdCallKey, AKeyTellsWhenItWasMade) {
  const auto micros = [] {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
  };
  const std::int64_t from = micros();
  const std::string key = zpd_new_call_key();
  const std::int64_t to = micros();
  EXPECT_GE(zpd_call_key_micros(key), from);
  EXPECT_LE(zpd_call_key_micros(key), to + 1);  // bumped past a key of the same microsecond at most
  const std::string random32(32, 'a');
  const struct {
    std::string text;
    std::int64_t micros;
  } cases[] = {
      {"0000000000000f" + random32, 15},
      {"00063f2c1e7a4c" + random32, 0x63f2c1e7a4c},
      {random32, -1},                                    // a key of a counter before keys had a clock
      {"0000000000000F" + random32, -1},                 // not as keys are written
      {"0000000000000g" + random32, -1},
      {"0000000000000f" + random32 + "0", -1},
      {"", -1},
      {"ffffffffffffff" + random32, 0xffffffffffffff},   // the largest clock a key holds
  };
  for (const auto& c : cases) EXPECT_EQ(zpd_call_key_micros(c.text), c.micros) << c.text;
}
