// Calls through "inproc:" into a dispatcher with raw handlers: the request
// and reply frames go through the real stream encoding on both sides.
#include <gtest/gtest.h>

#include <stdexcept>

#include "call_helpers.h"
#include "zpd_client.h"
#include "zpd_envelope.h"
#include "zpd_server.h"
#include "zpd_stub.h"

namespace {

using namespace zp::testing;

constexpr zpd_operation kEchoOp{kEchoInterface, "TSTECHO2", "test.MTest.IEcho.plain", "MTest::IEcho::plain",
                                zpb_name("test.MTest.IEcho.plain.ParamIn"),
                                zpb_name("test.MTest.IEcho.plain.ParamOut"), "iValue", "iValue"};

class InprocCall : public ::testing::Test {
 protected:
  void SetUp() override {
    dispatcher_ = std::make_shared<zpd_dispatcher>();
    const std::string name = std::string("inproc-test-") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    registration_ = std::make_unique<zpd_inproc_registration>(name, dispatcher_);
    env_ = std::make_unique<ScopedEnv>("ZP_BROKER_INPROCTEST", "inproc:" + name);
  }

  // Binds a fresh client; the dispatcher is complete by then.
  std::unique_ptr<CZpdClientObject> bound() {
    auto client = std::make_unique<CZpdClientObject>();
    EXPECT_EQ(client->bind_zpBroker("INPROCTEST"), 0);
    return client;
  }

  std::shared_ptr<zpd_dispatcher> dispatcher_;
  std::unique_ptr<zpd_inproc_registration> registration_;
  std::unique_ptr<ScopedEnv> env_;
};

}  // namespace

TEST_F(InprocCall, HandlerResultsComeBackUnchangedUnlessRuntimeFailures) {
  struct Case {
    const char* code;
    zpd_handler handler;
    std::int32_t expected;
    bool replyReadable;  // opened for reading with the echo in it
  } const cases[] = {
      {"OK000001", echo_handler(0), 0, true},
      {"ONE00001", echo_handler(1), 1, true},
      {"EDGE9970", echo_handler(-9970), -9970, true},  // just outside the runtime range
      {"NEG00001", echo_handler(-1), -1, true},
      {"RT9999", echo_handler(-9999), -9999, false},
      {"RT9971", echo_handler(-9971), -9971, false},
      {"THROW001", [](zpb_stream&, zpb_stream&) -> std::int32_t { throw std::runtime_error("boom"); },
       ZPE_SRV_EXCEPTION, false},
      {"THROWINT", [](zpb_stream&, zpb_stream&) -> std::int32_t { throw 7; }, ZPE_SRV_EXCEPTION, false},
      {"BADREPLY",
       [](zpb_stream&, zpb_stream& out) -> std::int32_t {
         out << std::int32_t(1);  // no frame begun: the reply stream fails
         return 0;
       },
       ZPE_SRV_BAD_REPLY, false},
  };
  for (const Case& c : cases) dispatcher_->add(kEchoInterface, c.code, c.handler);
  auto client = bound();
  for (const Case& c : cases) {
    zpb_stream in, out;
    write_echo_request(in, 4711, "全球呼");
    out.open();
    EXPECT_EQ(client->call_server(kEchoInterface, c.code, nullptr, in, out), c.expected) << c.code;
    std::int32_t value = 0;
    std::string text;
    if (c.replyReadable) {
      EXPECT_EQ(out.mode(), zpb_stream::Mode::reading) << c.code;
      ASSERT_TRUE(read_echo_reply(out, value, text)) << c.code << ": " << out.error();
      EXPECT_EQ(value, 4711);
      EXPECT_EQ(text, "全球呼");
    } else {
      EXPECT_EQ(out.mode(), zpb_stream::Mode::writing) << c.code << ": a failed call leaves the reply alone";
    }
  }
}

TEST_F(InprocCall, UnknownInterfaceOrServiceCode) {
  dispatcher_->add(kEchoInterface, kEchoCode, echo_handler());
  dispatcher_->add("MTest_IOther", "ZZZZ0001", echo_handler());
  auto client = bound();
  struct Case {
    const char* iface;
    const char* code;
    std::int32_t expected;
  } const cases[] = {
      {"MTest_INone", kEchoCode, ZPE_SRV_NO_INTERFACE},
      {"MTest_IEch", kEchoCode, ZPE_SRV_NO_INTERFACE},  // a prefix of a known one
      {"MTest_IEchoo", kEchoCode, ZPE_SRV_NO_INTERFACE},
      {kEchoInterface, "TSTECHO9", ZPE_SRV_NO_SERVICE},
      {kEchoInterface, "ZZZZ0001", ZPE_SRV_NO_SERVICE},  // another interface's code
      {"MTest_IOther", kEchoCode, ZPE_SRV_NO_SERVICE},
      {kEchoInterface, kEchoCode, 0},
  };
  for (const Case& c : cases) {
    zpb_stream in, out;
    write_echo_request(in, 1);
    EXPECT_EQ(client->call_server(c.iface, c.code, nullptr, in, out), c.expected) << c.iface << "/" << c.code;
  }
}

// The stub reads the reply of a result just outside the runtime range and
// takes the server's error record; a runtime failure stops before the reply.
TEST_F(InprocCall, StubSeesMinus9970AsAServiceResult) {
  for (const std::int32_t result : {-9970, 1, 0, -9999}) {
    dispatcher_->add(kEchoInterface, kEchoOp.serviceCode,
                     zpd_serve<std::int32_t, std::int32_t>(
                         kEchoOp, [result](const std::int32_t& in, std::int32_t& out, CBSErrorMsg& err) {
                           out = in * 2;
                           err.code = result;
                           err.text1 = "服务";
                           err.text2 = "server text";
                           return result;
                         }));
    auto client = bound();
    std::int32_t out = 0;
    CBSErrorMsg err;
    EXPECT_EQ(zpd_invoke(*client, kEchoOp, std::int32_t(21), out, err, nullptr), result);
    if (zpd_is_runtime_failure(result)) {
      EXPECT_EQ(out, 0);
      EXPECT_EQ(err.text2, client->failure_text(result));
    } else {
      EXPECT_EQ(out, 42);
      EXPECT_EQ(err.code, result);
      EXPECT_EQ(err.text1, "服务");
      EXPECT_EQ(err.text2, "server text");
    }
  }
}

TEST_F(InprocCall, RegistrationLifetimeDecidesReachability) {
  dispatcher_->add(kEchoInterface, kEchoCode, echo_handler());
  auto client = bound();
  zpb_stream in, out;
  write_echo_request(in, 1);
  registration_.reset();
  EXPECT_EQ(client->call_server(kEchoInterface, kEchoCode, nullptr, in, out), ZPE_CONNECT);

  // A name registered twice: ending the older registration keeps the newer.
  auto second = std::make_shared<zpd_dispatcher>();
  second->add(kEchoInterface, kEchoCode, echo_handler(5));
  const std::string name = "inproc-test-twice";
  auto older = std::make_unique<zpd_inproc_registration>(name, dispatcher_);
  zpd_inproc_registration newer(name, second);
  older.reset();
  EXPECT_EQ(zpd_inproc_find(name), second);
  ScopedEnv env("ZP_BROKER_TWICE", "inproc:" + name);
  CZpdClientObject again;
  ASSERT_EQ(again.bind_zpBroker("TWICE"), 0);
  EXPECT_EQ(again.call_server(kEchoInterface, kEchoCode, nullptr, in, out), 5);
}

TEST(ZpdDispatcher, FailuresLeaveTheReplyEmpty) {
  zpd_dispatcher d;
  d.add("I", "WRITES", [](zpb_stream&, zpb_stream& out) -> std::int32_t {
    out.begin_stream(kEchoOut);
    out << std::int32_t(1);
    out.end_stream();
    return ZPE_SRV_STORAGE;
  });
  d.add("I", "THROWS", [](zpb_stream&, zpb_stream& out) -> std::int32_t {
    out.begin_stream(kEchoOut);
    throw std::logic_error("half written");
  });
  for (const char* code : {"WRITES", "THROWS", "NOSUCH"}) {
    std::string reply = "stale";
    EXPECT_TRUE(zpd_is_runtime_failure(d.dispatch("I", code, echo_request_bytes(1), reply))) << code;
    EXPECT_TRUE(reply.empty()) << code;
  }
  std::string reply;
  EXPECT_TRUE(zpd_is_runtime_failure(d.dispatch("Nope", "WRITES", "", reply)));
}

TEST(ZpdDispatcher, HandleEnvelopeAnswersEveryBodyWithAReplyEnvelope) {
  zpd_dispatcher d;
  d.add(kEchoInterface, kEchoCode, echo_handler(3));
  std::string good;
  ASSERT_TRUE(zpd_envelope::encode_request(kEchoInterface, kEchoCode, echo_request_bytes(9, "x"), good));
  const std::string goodBody = good.substr(zpd_envelope::kHeaderBytes);
  std::string unknown;
  ASSERT_TRUE(zpd_envelope::encode_request("MTest_INone", kEchoCode, echo_request_bytes(9), unknown));

  struct Case {
    const char* what;
    std::string body;
    std::int32_t expected;
  } const cases[] = {
      {"well-formed", goodBody, 3},
      {"unknown interface", unknown.substr(zpd_envelope::kHeaderBytes), ZPE_SRV_NO_INTERFACE},
      {"empty body", "", ZPE_SRV_BAD_REQUEST},
      {"name beyond the end", "\x30" "abc", ZPE_SRV_BAD_REQUEST},
      {"garbage frame", goodBody.substr(0, 1 + 11 + 1 + 8) + "garbage!", ZPE_SRV_BAD_REQUEST},
  };
  for (const Case& c : cases) {
    const std::string envelope = d.handle_envelope(c.body);
    zpd_envelope::reply r;
    ASSERT_TRUE(zpd_envelope::decode_reply(envelope, r)) << c.what;
    EXPECT_EQ(r.result, c.expected) << c.what;
    if (zpd_is_runtime_failure(c.expected)) {
      EXPECT_TRUE(r.frame.empty()) << c.what;
    } else {
      std::int32_t value = 0;
      std::string text;
      ASSERT_TRUE(read_echo_reply_bytes(std::string(r.frame), value, text)) << c.what;
      EXPECT_EQ(value, 9);
      EXPECT_EQ(text, "x");
    }
  }
}
