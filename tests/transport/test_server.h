// A back-end TCP server on loopback for the transport tests, and client
// objects bound to it through the broker configuration.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "../zpclient/call_helpers.h"
#include "tcp_server.h"
#include "zpd_client.h"
#include "zpd_envelope.h"
#include "zpd_server.h"

namespace zp::testing {

inline std::unique_ptr<transport::TcpServer> start_server(std::shared_ptr<const zpd_dispatcher> dispatcher,
                                                          transport::Limits limits = {},
                                                          std::uint16_t port = 0) {
  auto server = std::make_unique<transport::TcpServer>(std::move(dispatcher), limits);
  const std::error_code ec = server->start("127.0.0.1", port);
  EXPECT_FALSE(ec) << ec.message();
  EXPECT_NE(server->port(), 0);
  return server;
}

inline std::string tcp_address(std::uint16_t port) { return "tcp://127.0.0.1:" + std::to_string(port); }

// A client object bound to `address` through ZP_BROKER_<broker>.
inline std::unique_ptr<CZpdClientObject> bind_client(const std::string& address, std::int32_t* result = nullptr,
                                                     std::chrono::milliseconds timeout = std::chrono::seconds(10),
                                                     const char* broker = "TRANSPORTTEST") {
  ScopedEnv env(std::string("ZP_BROKER_") + broker, address);
  auto client = std::make_unique<CZpdClientObject>();
  client->set_timeout(timeout);
  const std::int32_t r = client->bind_zpBroker(broker);
  if (result) *result = r;
  return client;
}

// One echo call; the reply's value and text when the result lets it be read.
struct EchoResult {
  std::int32_t result = 0;
  bool replyRead = false;
  std::int32_t value = 0;
  std::string text;
};

inline EchoResult echo(CZpdClientObject& client, std::int32_t value, const std::string& text = {},
                       const char* code = kEchoCode, const char* iface = kEchoInterface) {
  zpb_stream in, out;
  write_echo_request(in, value, text);
  out.open();
  EchoResult r;
  r.result = client.call_server(iface, code, nullptr, in, out);
  if (!zpd_is_runtime_failure(r.result)) r.replyRead = read_echo_reply(out, r.value, r.text);
  return r;
}

// A request envelope of the echo operation as raw bytes.
inline std::string echo_envelope(std::int32_t value, const std::string& text = {}, const char* code = kEchoCode) {
  std::string out;
  zpd_envelope::encode_request(kEchoInterface, code, echo_request_bytes(value, text), out);
  return out;
}

}  // namespace zp::testing
