#include "zpd_envelope.h"

#include <cstring>

namespace zpd_envelope {
namespace {

bool refuse(std::string* why, std::string text) {
  if (why) *why = std::move(text);
  return false;
}

template <class T>
void append_le(std::string& out, T v) {
  char b[sizeof(T)];
  std::memcpy(b, &v, sizeof(T));
  out.append(b, sizeof(T));
}

template <class T>
T load_le(const char* p) {
  T v;
  std::memcpy(&v, p, sizeof(T));
  return v;
}

constexpr unsigned char kSessionFlag = 0x80;  // on the interface name's length
constexpr unsigned char kKeyFlag = 0x80;      // on the service code's length

// Takes one length-prefixed name off the front of `rest`; `flags` receives
// the length byte's bits above any name length.
bool take_name(std::string_view& rest, const char* what, std::string_view& name, std::string* why,
               unsigned char* flags = nullptr) {
  if (rest.empty()) return refuse(why, std::string("envelope ends before the ") + what + " length");
  std::size_t n = static_cast<unsigned char>(rest[0]);
  if (flags) {
    *flags = static_cast<unsigned char>(n & 0x80);
    n &= 0x7f;
  }
  rest.remove_prefix(1);
  if (n > rest.size())
    return refuse(why, std::string(what) + " length " + std::to_string(n) + " is beyond the end of the envelope");
  name = rest.substr(0, n);
  std::string reason;
  if (!valid_name(name, &reason)) return refuse(why, std::string(what) + ": " + reason);
  rest.remove_prefix(n);
  return true;
}

}  // namespace

bool valid_name(std::string_view name, std::string* why) {
  if (name.empty()) return refuse(why, "name is empty");
  if (name.size() > zpb_limits::maxEnvelopeName)
    return refuse(why, "name is " + std::to_string(name.size()) + " bytes, more than the limit of " +
                           std::to_string(zpb_limits::maxEnvelopeName));
  for (unsigned char c : name) {
    if (c < 0x21 || c > 0x7e) return refuse(why, "name holds a byte that is not printable ASCII");
  }
  return true;
}

bool encode_request(std::string_view interfaceName, std::string_view serviceCode, std::string_view frame,
                    std::string& out, std::string* why, std::string_view session, std::string_view key) {
  std::string reason;
  if (!valid_name(interfaceName, &reason)) return refuse(why, "interface name: " + reason);
  if (!valid_name(serviceCode, &reason)) return refuse(why, "service code: " + reason);
  if (!session.empty() && (session.size() > kMaxSession || !valid_name(session)))
    return refuse(why, "session is not 1 .. " + std::to_string(kMaxSession) + " bytes of printable ASCII");
  if (!key.empty() && (key.size() > kMaxCallKey || !valid_name(key)))
    return refuse(why, "call key is not 1 .. " + std::to_string(kMaxCallKey) + " bytes of printable ASCII");
  if (frame.size() > zpb_limits::maxFrameBytes) return refuse(why, "request frame is larger than the frame limit");
  const std::size_t sessionBytes = session.empty() ? 0 : 1 + session.size();
  const std::size_t keyBytes = key.empty() ? 0 : 1 + key.size();
  const std::uint32_t body = static_cast<std::uint32_t>(2 + interfaceName.size() + serviceCode.size() +
                                                        sessionBytes + keyBytes + frame.size());
  out.reserve(out.size() + kHeaderBytes + body);
  append_le(out, kRequestMagic);
  append_le(out, body);
  out.push_back(static_cast<char>(interfaceName.size() | (session.empty() ? 0 : kSessionFlag)));
  out.append(interfaceName);
  out.push_back(static_cast<char>(serviceCode.size() | (key.empty() ? 0 : kKeyFlag)));
  out.append(serviceCode);
  if (!session.empty()) {
    out.push_back(static_cast<char>(session.size()));
    out.append(session);
  }
  if (!key.empty()) {
    out.push_back(static_cast<char>(key.size()));
    out.append(key);
  }
  out.append(frame);
  return true;
}

bool encode_reply(std::int32_t result, std::string_view frame, std::string& out, std::string* why) {
  if (frame.size() > zpb_limits::maxFrameBytes) return refuse(why, "reply frame is larger than the frame limit");
  const std::uint32_t body = static_cast<std::uint32_t>(4 + frame.size());
  out.reserve(out.size() + kHeaderBytes + body);
  append_le(out, kReplyMagic);
  append_le(out, body);
  append_le(out, result);
  out.append(frame);
  return true;
}

bool decode_header(std::string_view bytes, std::uint32_t expectedMagic, std::uint32_t& bodyLength,
                   std::string* why) {
  if (bytes.size() < kHeaderBytes)
    return refuse(why, "envelope header needs " + std::to_string(kHeaderBytes) + " bytes, " +
                           std::to_string(bytes.size()) + " given");
  const auto magic = load_le<std::uint32_t>(bytes.data());
  if (magic != expectedMagic) {
    if (magic == kRequestMagic || magic == kReplyMagic)
      return refuse(why, "envelope is of the other direction");
    return refuse(why, "bytes are not a call envelope (wrong magic)");
  }
  const auto length = load_le<std::uint32_t>(bytes.data() + 4);
  const std::uint32_t limit = expectedMagic == kRequestMagic ? kMaxRequestBody : kMaxReplyBody;
  const std::uint32_t least = 4;  // both kinds: two one-byte names at least, or the result
  if (length > limit)
    return refuse(why, "envelope body of " + std::to_string(length) + " bytes is beyond the limit of " +
                           std::to_string(limit));
  if (length < least) return refuse(why, "envelope body of " + std::to_string(length) + " bytes is too short");
  bodyLength = length;
  return true;
}

bool decode_request_body(std::string_view body, request& out, std::string* why) {
  if (body.size() > kMaxRequestBody) return refuse(why, "request body is beyond the body limit");
  std::string_view rest = body;
  request r;
  unsigned char flags = 0;
  if (!take_name(rest, "interface name", r.interfaceName, why, &flags)) return false;
  unsigned char codeFlags = 0;
  if (!take_name(rest, "service code", r.serviceCode, why, &codeFlags)) return false;
  if (flags & kSessionFlag) {
    if (!take_name(rest, "session", r.session, why)) return false;
    if (r.session.size() > kMaxSession) return refuse(why, "session is longer than a session may be");
  }
  if (codeFlags & kKeyFlag) {
    if (!take_name(rest, "call key", r.key, why)) return false;
    if (r.key.size() > kMaxCallKey) return refuse(why, "call key is longer than a call key may be");
  }
  if (rest.size() > zpb_limits::maxFrameBytes) return refuse(why, "request frame is larger than the frame limit");
  r.frame = rest;
  out = r;
  return true;
}

bool decode_reply_body(std::string_view body, reply& out, std::string* why) {
  if (body.size() < 4) return refuse(why, "reply body ends before its result");
  if (body.size() - 4 > zpb_limits::maxFrameBytes) return refuse(why, "reply frame is larger than the frame limit");
  out.result = load_le<std::int32_t>(body.data());
  out.frame = body.substr(4);
  return true;
}

namespace {
template <class Out, class Decode>
bool decode_whole(std::string_view bytes, std::uint32_t magic, Out& out, std::string* why, Decode decode_body) {
  std::uint32_t length = 0;
  if (!decode_header(bytes, magic, length, why)) return false;
  const std::size_t have = bytes.size() - kHeaderBytes;
  if (have < length)
    return refuse(why, "envelope ends " + std::to_string(length - have) + " bytes before its body does");
  if (have > length) return refuse(why, std::to_string(have - length) + " bytes follow the envelope");
  return decode_body(bytes.substr(kHeaderBytes), out, why);
}
}  // namespace

bool decode_request(std::string_view bytes, request& out, std::string* why) {
  return decode_whole(bytes, kRequestMagic, out, why, decode_request_body);
}

bool decode_reply(std::string_view bytes, reply& out, std::string* why) {
  return decode_whole(bytes, kReplyMagic, out, why, decode_reply_body);
}

}  // namespace zpd_envelope
