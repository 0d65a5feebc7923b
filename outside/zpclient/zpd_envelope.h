// zpd_envelope: how one call travels over a byte stream (the tcp:// transport
// and the back end's server). The frames inside are zpb_stream frames; the
// envelope only carries them with the call's identity and result.
//
// Byte layout. Integers are little-endian and fixed-width.
//
//   request   := u32 magic "ZPDQ" | u32 body-length | request-body
//   request-body := u8 name-length | name | u8 code-length | code | [session] | [key] | request frame
//   session   := u8 session-length | session   (present when bit 7 of name-length is set)
//   key       := u8 key-length | key           (present when bit 7 of code-length is set)
//   reply     := u32 magic "ZPDR" | u32 body-length | reply-body
//   reply-body   := i32 result | reply frame
//
//   name  the interface name ("MVasDesk_IVasDesk")
//   code  the service code ("BAVDKU01")
//   session  the operator's sign-in session (1 .. kMaxSession printable ASCII
//         bytes); a request without one (the sign-in itself) leaves bit 7 of
//         name-length clear, so requests written before sessions read the same
//   key   the call's key (1 .. kMaxCallKey printable ASCII bytes), chosen by
//         the counter for one order or reservation and sent again, unchanged,
//         when the outcome of the first sending is unknown: the server answers
//         a key it has seen with the reply it gave then. A call without one
//         leaves bit 7 of code-length clear, as every request before keys did
//
// Limits, checked before anything is allocated or copied:
//   - name and code: 1 .. zpb_limits::maxEnvelopeName bytes of printable ASCII
//     (0x21 .. 0x7e), so they can be logged and looked up as they stand;
//   - a frame: at most zpb_limits::maxFrameBytes, hence a request body at most
//     kMaxRequestBody and a reply body at most kMaxReplyBody bytes;
//   - body-length must match the bytes that follow the header exactly.
// The frame inside is not looked at here: the stream that reads it checks it.
// A reply whose result is a runtime failure carries an empty frame.
//
// Decoders return views into the bytes they were given; those bytes must
// outlive the views. Every refusal names what was wrong.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "zpb_limits.h"

namespace zpd_envelope {

inline constexpr std::uint32_t kRequestMagic = 0x5144505a;  // "ZPDQ"
inline constexpr std::uint32_t kReplyMagic = 0x5244505a;    // "ZPDR"
inline constexpr std::size_t kHeaderBytes = 8;
inline constexpr std::size_t kMaxSession = 64;
inline constexpr std::size_t kMaxCallKey = 64;
inline constexpr std::uint32_t kMaxRequestBody =
    4 + 2 * zpb_limits::maxEnvelopeName + kMaxSession + kMaxCallKey + zpb_limits::maxFrameBytes;
inline constexpr std::uint32_t kMaxReplyBody = 4 + zpb_limits::maxFrameBytes;

struct request {
  std::string_view interfaceName;
  std::string_view serviceCode;
  std::string_view session;  // empty when the request carries none
  std::string_view key;      // empty when the request carries none
  std::string_view frame;
};

struct reply {
  std::int32_t result = 0;
  std::string_view frame;
};

// True when `name` may travel as an interface name or service code; else
// false with the reason in *why.
bool valid_name(std::string_view name, std::string* why = nullptr);

// Appends a complete request envelope to `out`. False (and `out` unchanged)
// when a name or the frame is outside the limits.
bool encode_request(std::string_view interfaceName, std::string_view serviceCode, std::string_view frame,
                    std::string& out, std::string* why = nullptr, std::string_view session = {},
                    std::string_view key = {});
// Appends a complete reply envelope to `out`. False (and `out` unchanged) when
// the frame is larger than a frame may be.
bool encode_reply(std::int32_t result, std::string_view frame, std::string& out, std::string* why = nullptr);

// Reads the 8-byte header. `bytes` must hold at least kHeaderBytes; the body
// length is refused when it is beyond the body limit of that magic's kind.
bool decode_header(std::string_view bytes, std::uint32_t expectedMagic, std::uint32_t& bodyLength,
                   std::string* why = nullptr);

// Read a body (the bytes after the header, exactly body-length of them).
bool decode_request_body(std::string_view body, request& out, std::string* why = nullptr);
bool decode_reply_body(std::string_view body, reply& out, std::string* why = nullptr);

// Read a whole envelope, header and body, with no bytes left over.
bool decode_request(std::string_view bytes, request& out, std::string* why = nullptr);
bool decode_reply(std::string_view bytes, reply& out, std::string* why = nullptr);

}  // namespace zpd_envelope
