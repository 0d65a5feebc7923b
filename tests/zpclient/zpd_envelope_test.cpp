#include "zpd_envelope.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace {

using namespace zpd_envelope;

template <class T>
std::string le(T v) {
  std::string s(sizeof v, '\0');
  std::memcpy(s.data(), &v, sizeof v);
  return s;
}

std::string request_bytes(std::string_view iface, std::string_view code, std::string_view frame) {
  std::string out;
  EXPECT_TRUE(encode_request(iface, code, frame, out));
  return out;
}

std::string reply_bytes(std::int32_t result, std::string_view frame) {
  std::string out;
  EXPECT_TRUE(encode_reply(result, frame, out));
  return out;
}

// A request envelope put together by hand, so malformed ones can be made.
std::string raw_request(std::uint32_t magic, std::uint32_t length, const std::string& body) {
  return le(magic) + le(length) + body;
}

}  // namespace

TEST(ZpdEnvelope, ByteLayoutOfBothDirections) {
  const std::string frame("\x01\x00\x02", 3);
  EXPECT_EQ(request_bytes("MVasDesk_IVasDesk", "BAVDKU01", frame),
            le(kRequestMagic) + le<std::uint32_t>(1 + 17 + 1 + 8 + 3) + "\x11" + "MVasDesk_IVasDesk" + "\x08" +
                "BAVDKU01" + frame);
  EXPECT_EQ(reply_bytes(-9970, frame), le(kReplyMagic) + le<std::uint32_t>(4 + 3) + le<std::int32_t>(-9970) + frame);
}

TEST(ZpdEnvelope, RequestsRoundTrip) {
  const std::string longest(zpb_limits::maxEnvelopeName, 'N');
  struct Case {
    std::string iface, code, frame;
  } const cases[] = {
      {"MVasDesk_IVasDesk", "BAVDKU01", "ZPBF...."},
      {"I", "C", ""},
      {longest, longest, std::string("\0\xff\0", 3)},
      {"!~", "A", std::string(70000, '\x5a')},
  };
  for (const Case& c : cases) {
    const std::string bytes = request_bytes(c.iface, c.code, c.frame);
    request r;
    std::string why;
    ASSERT_TRUE(decode_request(bytes, r, &why)) << why;
    EXPECT_EQ(r.interfaceName, c.iface);
    EXPECT_EQ(r.serviceCode, c.code);
    EXPECT_EQ(r.frame, c.frame);
    // The body alone, as the server takes it after the header.
    request body;
    ASSERT_TRUE(decode_request_body(std::string_view(bytes).substr(kHeaderBytes), body));
    EXPECT_EQ(body.frame, c.frame);
  }
}

TEST(ZpdEnvelope, RepliesRoundTrip) {
  const std::int32_t results[] = {0, 1, -9970, -9999, -9971, INT_MIN, INT_MAX};
  for (const std::int32_t result : results) {
    for (const std::string& frame : {std::string(), std::string("ZPBF\0\0\0\0", 8)}) {
      const std::string bytes = reply_bytes(result, frame);  // the views point into it
      reply r;
      std::string why;
      ASSERT_TRUE(decode_reply(bytes, r, &why)) << why;
      EXPECT_EQ(r.result, result);
      EXPECT_EQ(r.frame, frame);
    }
  }
}

TEST(ZpdEnvelope, EncodersRefuseWhatCannotTravel) {
  const std::string tooLong(zpb_limits::maxEnvelopeName + 1, 'N');
  const std::string bigFrame(zpb_limits::maxFrameBytes + 1, '\0');
  struct Case {
    const char* what;
    std::string iface, code;
    std::string_view frame;
  } const cases[] = {
      {"empty interface", "", "C", ""},
      {"empty code", "I", "", ""},
      {"interface over the limit", tooLong, "C", ""},
      {"code over the limit", "I", tooLong, ""},
      {"space in a name", "M I", "C", ""},
      {"control byte in a name", "I", std::string("C\n"), ""},
      {"NUL in a name", std::string("I\0", 2), "C", ""},
      {"non-ASCII in a name", "I", "\xe4\xb8\x9a", ""},
      {"frame over the limit", "I", "C", bigFrame},
  };
  for (const Case& c : cases) {
    std::string out = "kept";
    std::string why;
    EXPECT_FALSE(encode_request(c.iface, c.code, c.frame, out, &why)) << c.what;
    EXPECT_EQ(out, "kept") << c.what;
    EXPECT_FALSE(why.empty()) << c.what;
  }
  std::string out;
  EXPECT_FALSE(encode_reply(0, bigFrame, out));
  EXPECT_TRUE(out.empty());
}

TEST(ZpdEnvelope, MalformedRequestsAreRefusedWithAReason) {
  const std::string good = request_bytes("IFace", "CODE", "frame");
  const std::string body = good.substr(kHeaderBytes);
  const auto len = [](const std::string& b) { return static_cast<std::uint32_t>(b.size()); };
  std::string badNameByte = body;
  badNameByte[2] = '\x7f';
  struct Case {
    const char* what;
    std::string bytes;
  } const cases[] = {
      {"empty", ""},
      {"header cut short", good.substr(0, 7)},
      {"wrong magic", raw_request(0x12345678, len(body), body)},
      {"reply magic", raw_request(kReplyMagic, len(body), body)},
      {"length beyond the body limit", raw_request(kRequestMagic, kMaxRequestBody + 1, body)},
      {"length of all ones", raw_request(kRequestMagic, 0xffffffffu, body)},
      {"length below the least body", raw_request(kRequestMagic, 3, "\x01I\x01")},
      {"body cut short", good.substr(0, good.size() - 1)},
      {"bytes after the body", good + "x"},
      {"empty interface name", raw_request(kRequestMagic, 6, std::string("\0\x01" "Cxyz", 6))},
      {"interface name beyond the end", raw_request(kRequestMagic, 4, "\x09IFa")},
      {"interface name over the limit",
       raw_request(kRequestMagic, 1 + 65 + 2, "\x41" + std::string(65, 'I') + "\x01" "C")},
      {"name byte not printable", raw_request(kRequestMagic, len(badNameByte), badNameByte)},
      {"no service code length", raw_request(kRequestMagic, 4, "\x03IFa")},
      {"service code beyond the end", raw_request(kRequestMagic, 5, "\x01I\x05" "CO")},
      {"empty service code", raw_request(kRequestMagic, 4, std::string("\x01I\0x", 4))},
  };
  for (const Case& c : cases) {
    request r;
    std::string why;
    EXPECT_FALSE(decode_request(c.bytes, r, &why)) << c.what;
    EXPECT_FALSE(why.empty()) << c.what;
  }
}

TEST(ZpdEnvelope, MalformedRepliesAreRefusedWithAReason) {
  const std::string good = reply_bytes(7, "frame");
  const std::string body = good.substr(kHeaderBytes);
  struct Case {
    const char* what;
    std::string bytes;
  } const cases[] = {
      {"empty", ""},
      {"header cut short", good.substr(0, 5)},
      {"wrong magic", raw_request(0x46425a5a, 9, body)},
      {"request magic", raw_request(kRequestMagic, 9, body)},
      {"no room for the result", raw_request(kReplyMagic, 3, "abc")},
      {"length beyond the body limit", raw_request(kReplyMagic, kMaxReplyBody + 1, body)},
      {"body cut short", good.substr(0, good.size() - 2)},
      {"bytes after the body", good + "xy"},
  };
  for (const Case& c : cases) {
    reply r;
    std::string why;
    EXPECT_FALSE(decode_reply(c.bytes, r, &why)) << c.what;
    EXPECT_FALSE(why.empty()) << c.what;
  }
  reply r;
  EXPECT_FALSE(decode_reply_body("abc", r));
}

TEST(ZpdEnvelope, HeaderLimitIsExactlyTheLargestBody) {
  struct Case {
    std::uint32_t magic, length;
    bool accepted;
  } const cases[] = {
      {kRequestMagic, kMaxRequestBody, true},
      {kRequestMagic, kMaxRequestBody + 1, false},
      {kReplyMagic, kMaxReplyBody, true},
      {kReplyMagic, kMaxReplyBody + 1, false},
      {kReplyMagic, 4, true},
  };
  for (const Case& c : cases) {
    std::uint32_t length = 0;
    EXPECT_EQ(decode_header(le(c.magic) + le(c.length), c.magic, length), c.accepted) << c.length;
    if (c.accepted) {
      EXPECT_EQ(length, c.length);
    }
  }
}

// The operator's session travels between the names and the frame, flagged
// on the interface name's length; a request without one reads as before.
TEST(ZpdEnvelope, SessionTravelsWhenGivenAndIsCheckedOnTheWayIn) {
  const std::string session(64, 'f');
  std::string bytes;
  ASSERT_TRUE(encode_request("MVasDesk_IVasDesk", "BAVDKU01", "frame\0bytes", bytes, nullptr, session));
  request r;
  ASSERT_TRUE(decode_request(bytes, r));
  EXPECT_EQ(r.interfaceName, "MVasDesk_IVasDesk");
  EXPECT_EQ(r.serviceCode, "BAVDKU01");
  EXPECT_EQ(r.session, session);
  EXPECT_EQ(r.frame, "frame");

  std::string plain;
  ASSERT_TRUE(encode_request("MVasDesk_IVasDesk", "BAVDKU01", "frame", plain));
  EXPECT_EQ(static_cast<unsigned char>(plain[kHeaderBytes]), 17u);  // no flag: the old layout
  ASSERT_TRUE(decode_request(plain, r));
  EXPECT_TRUE(r.session.empty());

  std::string why;
  std::string out;
  EXPECT_FALSE(encode_request("I", "C", "", out, &why, std::string(65, 'f')));
  EXPECT_FALSE(encode_request("I", "C", "", out, &why, "with space"));
  EXPECT_TRUE(out.empty());

  // A flagged request whose session is cut off or unprintable is refused.
  std::string cut = bytes.substr(0, kHeaderBytes + 1 + 17 + 1 + 8 + 1 + 10);
  const std::uint32_t body = static_cast<std::uint32_t>(cut.size() - kHeaderBytes);
  std::memcpy(cut.data() + 4, &body, 4);
  EXPECT_FALSE(decode_request(cut, r, &why));
  EXPECT_NE(why.find("session"), std::string::npos) << why;
  std::string bad = bytes;
  bad[kHeaderBytes + 1 + 17 + 1 + 8 + 1] = ' ';
  EXPECT_FALSE(decode_request(bad, r, &why));
  EXPECT_NE(why.find("session"), std::string::npos) << why;
}

// The call's key travels after the session, flagged on the service code's
// length; with or without a session, and a request without one reads as
// before, byte for byte.
TEST(ZpdEnvelope, CallKeyTravelsWhenGivenBesideOrWithoutTheSession) {
  const std::string key(64, 'k');
  for (const std::string session : {std::string(), std::string("s3ssion")}) {
    std::string bytes;
    ASSERT_TRUE(encode_request("MVasDesk_IVasDesk", "BAVDKU01", "frame", bytes, nullptr, session, key));
    EXPECT_EQ(static_cast<unsigned char>(bytes[kHeaderBytes + 1 + 17]), 0x80u | 8u);
    request r;
    ASSERT_TRUE(decode_request(bytes, r));
    EXPECT_EQ(r.serviceCode, "BAVDKU01");
    EXPECT_EQ(r.session, session);
    EXPECT_EQ(r.key, key);
    EXPECT_EQ(r.frame, "frame");
  }
  std::string plain, keyless;
  ASSERT_TRUE(encode_request("I", "C", "frame", plain, nullptr, "s"));
  ASSERT_TRUE(encode_request("I", "C", "frame", keyless, nullptr, "s", ""));
  EXPECT_EQ(plain, keyless);
  request r;
  ASSERT_TRUE(decode_request(plain, r));
  EXPECT_TRUE(r.key.empty());

  std::string out, why;
  EXPECT_FALSE(encode_request("I", "C", "", out, &why, "", std::string(65, 'k')));
  EXPECT_FALSE(encode_request("I", "C", "", out, &why, "", "a\tkey"));
  EXPECT_TRUE(out.empty());

  // A flagged request whose key is cut off, too long or unprintable is refused.
  std::string bytes;
  ASSERT_TRUE(encode_request("I", "C", "", bytes, nullptr, "", "abcdef"));
  const std::size_t keyAt = kHeaderBytes + 1 + 1 + 1 + 1;  // the key's length byte
  std::string cut = bytes.substr(0, bytes.size() - 2);
  const std::uint32_t body = static_cast<std::uint32_t>(cut.size() - kHeaderBytes);
  std::memcpy(cut.data() + 4, &body, 4);
  EXPECT_FALSE(decode_request(cut, r, &why));
  EXPECT_NE(why.find("call key"), std::string::npos) << why;
  std::string bad = bytes;
  bad[keyAt + 1] = '\x01';
  EXPECT_FALSE(decode_request(bad, r, &why));
  EXPECT_NE(why.find("call key"), std::string::npos) << why;
  std::string empty = bytes;
  empty[keyAt] = 0;
  EXPECT_FALSE(decode_request(empty, r, &why));  // flagged, yet empty
  EXPECT_NE(why.find("call key"), std::string::npos) << why;
}
