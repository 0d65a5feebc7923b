#include "zpb_stream.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr zpb_name kFrame{"test.Frame.ParamIn"};
constexpr zpb_name kRec{"MTest.SRec"};
constexpr zpb_name kList{"MTest..SRecList"};

template <class T>
std::string le(T v) {
  std::string s(sizeof v, '\0');
  std::memcpy(s.data(), &v, sizeof v);
  return s;
}

// A date-time as it travels: year, month, day, hour, minute, second, 0.
std::string dateBits(int y, int m, int d, int h, int n, int sec) {
  return le<std::uint16_t>(static_cast<std::uint16_t>(y)) + std::string{static_cast<char>(m), static_cast<char>(d),
                                                                         static_cast<char>(h), static_cast<char>(n),
                                                                         static_cast<char>(sec), '\0'};
}

// A reading stream over bytes written by `write`.
template <class F>
std::string written(F write) {
  zpb_stream s;
  s.open();
  EXPECT_TRUE(s.begin_stream(kFrame));
  write(s);
  EXPECT_TRUE(s.end_stream()) << s.error();
  return s.bytes();
}

}  // namespace

TEST(ZpbStream, WireLayoutIsFixedWidthLittleEndian) {
  const std::string bytes = written([](zpb_stream& s) {
    s << std::int16_t(-2) << std::int32_t(0x01020304) << std::int64_t(-5) << std::uint64_t(7) << std::string("ab");
    s << CBSDateTime::make(2026, 12, 10, 9, 8, 7);
    s.begin_write_struct(kRec);
    s.end_write_struct();
    s.begin_write_list(kList, 0);
    s.end_write_list();
  });
  const std::string expect = le(zpb_stream::kFrameMagic) + le(kFrame.id) + le<std::int16_t>(-2) +
                             le<std::int32_t>(0x01020304) + le<std::int64_t>(-5) + le<std::uint64_t>(7) +
                             le<std::uint32_t>(2) + "ab" + dateBits(2026, 12, 10, 9, 8, 7) + le(kRec.id) +
                             le(kList.id) + le<std::uint32_t>(0);
  EXPECT_EQ(bytes, expect);
}

TEST(ZpbStream, EveryValueRoundTrips) {
  const CBSDateTime when = CBSDateTime::make(2026, 12, 10, 9, 8, 7);
  CBSErrorMsg err;
  err.code = -3;
  err.code2 = 9;
  err.text1 = "业务规则";
  err.text2 = "没有数据";
  const std::string bytes = written([&](zpb_stream& s) {
    s << std::int16_t(-32768) << std::int32_t(2147483647) << std::int64_t(-9223372036854775807LL)
      << std::uint64_t(~0ull) << std::string("全球呼 GPS") << when << CBSDateTime() << err << "";
  });
  zpb_stream r;
  r.open_for_reading(bytes);
  ASSERT_TRUE(r.begin_stream(kFrame));
  std::int16_t a = 0;
  std::int32_t b = 0;
  std::int64_t c = 0;
  std::uint64_t d = 0;
  std::string e, empty = "x";
  CBSDateTime f, g = when;
  CBSErrorMsg h;
  r >> a >> b >> c >> d >> e >> f >> g >> h >> empty;
  ASSERT_TRUE(r.good()) << r.error();
  EXPECT_TRUE(r.end_stream());
  EXPECT_EQ(a, -32768);
  EXPECT_EQ(b, 2147483647);
  EXPECT_EQ(c, -9223372036854775807LL);
  EXPECT_EQ(d, ~0ull);
  EXPECT_EQ(e, "全球呼 GPS");
  EXPECT_EQ(f, when);
  EXPECT_TRUE(g.isZero());
  EXPECT_EQ(h, err);
  EXPECT_EQ(empty, "");
}

TEST(ZpbStream, FailureIsStickyAndKeepsTheFirstReason) {
  zpb_stream s;
  s << std::int32_t(1);  // not open
  EXPECT_TRUE(s.failed());
  EXPECT_EQ(s.error(), "stream is not open");
  s.open();
  EXPECT_FALSE(s.failed());
  s << std::int32_t(1);  // no frame begun
  EXPECT_TRUE(s.failed());
  s.open();
  s.begin_stream(kFrame);
  const std::size_t before = s.bytes().size();
  s << std::string("\xF0\x9F\x98\x80");  // no GBK form
  ASSERT_TRUE(s.failed());
  const std::string reason = s.error();
  EXPECT_NE(reason.find("GBK"), std::string::npos);
  s << std::int32_t(5) << std::string("ok");
  EXPECT_FALSE(s.begin_write_struct(kRec));
  EXPECT_FALSE(s.end_stream());
  EXPECT_EQ(s.bytes().size(), before);
  EXPECT_EQ(s.error(), reason);
}

TEST(ZpbStream, MalformedFramesFailCleanly) {
  const std::string good = written([](zpb_stream& s) {
    s.begin_write_struct(kRec);
    s << std::string("abc") << std::int32_t(7);
    s.end_write_struct();
  });
  struct Case {
    const char* what;
    std::string bytes;
    zpb_name frame;
  };
  std::string wrongMagic = good;
  wrongMagic[0] ^= 1;
  std::string badGbk = good;
  badGbk[8 + 4 + 4] = '\xD0';  // first text byte becomes a lone lead byte
  badGbk[8 + 4 + 4 + 1] = '\x7F';
  std::string nul = good;
  nul[8 + 4 + 4 + 1] = '\0';  // "a\0c": one store would keep it, another cut it
  const Case cases[] = {
      {"empty", "", kFrame},
      {"wrong magic", wrongMagic, kFrame},
      {"other frame", good, zpb_name("test.Frame.ParamOut")},
      {"truncated", good.substr(0, good.size() - 1), kFrame},
      {"trailing byte", good + "x", kFrame},
      {"bad text bytes", badGbk, kFrame},
      {"a NUL byte in a text", nul, kFrame},
  };
  for (const Case& c : cases) {
    zpb_stream r;
    r.open_for_reading(c.bytes);
    std::string text;
    std::int32_t n = 0;
    if (r.begin_stream(c.frame) && r.begin_read_struct(kRec)) {
      r >> text >> n;
      r.end_read_struct();
    }
    EXPECT_FALSE(r.end_stream()) << c.what;
    EXPECT_TRUE(r.failed()) << c.what;
    EXPECT_FALSE(r.error().empty()) << c.what;
  }
}

TEST(ZpbStream, LengthsAndCountsAreBoundedByWhatRemains) {
  // A text length far beyond the frame, a list count beyond what the bytes
  // can hold, and a date-time that is not a date: each fails, nothing is
  // allocated for the claimed size.
  const std::string hugeText = le(zpb_stream::kFrameMagic) + le(kFrame.id) + le<std::uint32_t>(0xFFFFFFF0u) + "ab";
  const std::string hugeList =
      le(zpb_stream::kFrameMagic) + le(kFrame.id) + le(kList.id) + le<std::uint32_t>(1000) + std::string(100, '\0');
  const std::string badDate = le(zpb_stream::kFrameMagic) + le(kFrame.id) + dateBits(2026, 13, 1, 0, 0, 0);
  {
    zpb_stream r;
    r.open_for_reading(hugeText);
    std::string s = "kept";
    ASSERT_TRUE(r.begin_stream(kFrame));
    r >> s;
    EXPECT_TRUE(r.failed());
    EXPECT_EQ(s, "kept");
  }
  {
    zpb_stream r;
    r.open_for_reading(hugeList);
    std::int32_t count = -1;
    ASSERT_TRUE(r.begin_stream(kFrame));
    EXPECT_FALSE(r.begin_read_list(kList, count));
    EXPECT_EQ(count, -1);
  }
  {
    zpb_stream r;
    r.open_for_reading(badDate);
    CBSDateTime d = CBSDateTime::make(2000, 1, 1);
    ASSERT_TRUE(r.begin_stream(kFrame));
    r >> d;
    EXPECT_TRUE(r.failed());
    EXPECT_EQ(d, CBSDateTime::make(2000, 1, 1));
  }
  zpb_stream w;
  w.open();
  w.begin_stream(kFrame);
  EXPECT_FALSE(w.begin_write_list(kList, -1));
  zpb_stream big;
  EXPECT_FALSE(big.open_for_reading(std::string(zpb_limits::maxFrameBytes + 1, '\0')));
}

TEST(ZpbStream, NestingIsLimited) {
  zpb_stream w;
  w.open();
  w.begin_stream(kFrame);
  for (std::uint32_t i = 0; i < zpb_limits::maxNesting; ++i) ASSERT_TRUE(w.begin_write_struct(kRec));
  EXPECT_FALSE(w.begin_write_struct(kRec));

  std::string deep = le(zpb_stream::kFrameMagic) + le(kFrame.id);
  for (std::uint32_t i = 0; i <= zpb_limits::maxNesting; ++i) deep += le(kRec.id);
  zpb_stream r;
  r.open_for_reading(deep);
  ASSERT_TRUE(r.begin_stream(kFrame));
  std::uint32_t opened = 0;
  while (r.begin_read_struct(kRec)) ++opened;
  EXPECT_EQ(opened, zpb_limits::maxNesting);
  EXPECT_TRUE(r.failed());
}

TEST(ZpbStream, EndOfFrameInsideARecordFails) {
  zpb_stream w;
  w.open();
  w.begin_stream(kFrame);
  w.begin_write_struct(kRec);
  EXPECT_FALSE(w.end_stream());
  zpb_stream twice;
  twice.open();
  EXPECT_TRUE(twice.begin_stream(kFrame));
  EXPECT_FALSE(twice.begin_stream(kFrame));
}

TEST(ZpbStream, ATextWithANulByteIsNotWritten) {
  zpb_stream w;
  w.open();
  w.begin_stream(kFrame);
  w << std::string("a\0c", 3);
  EXPECT_TRUE(w.failed());
  EXPECT_NE(w.error().find("NUL"), std::string::npos) << w.error();
}
