// What the runtime tests share: a small echo operation with raw handlers, and
// an environment variable set for the length of a test.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "scoped_env.h"
#include "zpb_stream.h"
#include "zpd_client.h"
#include "zpd_server.h"

namespace zp::testing {

inline constexpr zpb_name kEchoIn{"test.Echo.ParamIn"};
inline constexpr zpb_name kEchoOut{"test.Echo.ParamOut"};
inline constexpr const char* kEchoInterface = "MTest_IEcho";
inline constexpr const char* kEchoCode = "TSTECHO1";

// Opens `s` and writes one echo request frame.
inline void write_echo_request(zpb_stream& s, std::int32_t value, const std::string& text = {}) {
  s.open();
  s.begin_stream(kEchoIn);
  s << value << text;
  s.end_stream();
}

inline std::string echo_request_bytes(std::int32_t value, const std::string& text = {}) {
  zpb_stream s;
  write_echo_request(s, value, text);
  return s.bytes();
}

// Reads an echo reply frame; false when it is not one.
inline bool read_echo_reply(zpb_stream& s, std::int32_t& value, std::string& text) {
  if (!s.begin_stream(kEchoOut)) return false;
  s >> value >> text;
  return s.good() && s.end_stream();
}

inline bool read_echo_reply_bytes(const std::string& bytes, std::int32_t& value, std::string& text) {
  zpb_stream s;
  s.open_for_reading(bytes);
  return read_echo_reply(s, value, text);
}

// Echoes the request's value and text back and returns `result`; a request
// that is not an echo request is refused as the generated servers do.
inline zpd_handler echo_handler(std::int32_t result = 0) {
  return [result](zpb_stream& in, zpb_stream& out) -> std::int32_t {
    std::int32_t value = 0;
    std::string text;
    if (!in.begin_stream(kEchoIn)) return ZPE_SRV_BAD_REQUEST;
    in >> value >> text;
    if (in.failed() || !in.end_stream()) return ZPE_SRV_BAD_REQUEST;
    out.begin_stream(kEchoOut);
    out << value << text;
    out.end_stream();
    return result;
  };
}

}  // namespace zp::testing
