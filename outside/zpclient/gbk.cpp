#include "gbk.h"

#include <iconv.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace zp::gbk {
namespace {

// GBK is ASCII plus double-byte codes: lead 0x81..0xFE, trail 0x40..0xFE
// without 0x7F. The tables are built once from the C library's converter, so
// the mapping is the system's own, and then used without further iconv calls
// (iconv per text would cost more than the rest of a record's decoding).
constexpr unsigned kLeadFirst = 0x81, kLeadLast = 0xFE;
constexpr unsigned kTrailFirst = 0x40, kTrailLast = 0xFE;
constexpr unsigned kTrails = kTrailLast - kTrailFirst + 1;

struct Tables {
  std::vector<char32_t> decode;      // (lead, trail) -> code point, 0 when undefined
  std::vector<std::uint16_t> encode;  // BMP code point -> lead << 8 | trail, 0 when none
};

Tables build() {
  Tables t;
  t.decode.assign((kLeadLast - kLeadFirst + 1) * kTrails, 0);
  t.encode.assign(0x10000, 0);
  iconv_t cd = iconv_open("UTF-32LE", "GBK");
  if (cd == reinterpret_cast<iconv_t>(-1)) return t;  // no converter: only ASCII passes
  for (unsigned lead = kLeadFirst; lead <= kLeadLast; ++lead) {
    for (unsigned trail = kTrailFirst; trail <= kTrailLast; ++trail) {
      if (trail == 0x7F) continue;
      char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      char32_t out[2] = {0, 0};
      char* pin = in;
      char* pout = reinterpret_cast<char*>(out);
      size_t inLeft = 2, outLeft = sizeof out;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      if (iconv(cd, &pin, &inLeft, &pout, &outLeft) == static_cast<size_t>(-1) || inLeft != 0 ||
          outLeft != sizeof out - 4)
        continue;
      const char32_t cp = out[0];
      if (cp < 0x80 || cp > 0xFFFF) continue;
      t.decode[(lead - kLeadFirst) * kTrails + (trail - kTrailFirst)] = cp;
      if (t.encode[cp] == 0) t.encode[cp] = static_cast<std::uint16_t>(lead << 8 | trail);
    }
  }
  iconv_close(cd);
  return t;
}

const Tables& tables() {
  static const Tables t = build();
  return t;
}

bool isAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

// Decodes one UTF-8 character at s[i]; returns its length or 0 when invalid.
inline std::size_t nextUtf8(std::string_view s, std::size_t i, char32_t& cp) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
  const unsigned char c = b(0);
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  std::size_t n;
  char32_t min;
  if ((c & 0xE0) == 0xC0) {
    n = 2, cp = c & 0x1F, min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3, cp = c & 0x0F, min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4, cp = c & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (s.size() - i < n) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((b(k) & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (b(k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

void setError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

}  // namespace

std::size_t encode(std::string_view utf8, char* out, std::string* error) {
  const std::uint16_t* table = tables().encode.data();
  char* w = out;
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      *w++ = static_cast<char>(c);
      ++i;
      continue;
    }
    char32_t cp;
    const std::size_t n = nextUtf8(utf8, i, cp);
    if (n == 0) {
      setError(error, "text is not valid UTF-8 at byte " + std::to_string(i));
      return kInvalid;
    }
    const std::uint16_t code = cp <= 0xFFFF ? table[cp] : 0;
    if (code == 0) {
      setError(error, "text has a character with no GBK form at byte " + std::to_string(i));
      return kInvalid;
    }
    *w++ = static_cast<char>(code >> 8);
    *w++ = static_cast<char>(code & 0xFF);
    i += n;
  }
  return static_cast<std::size_t>(w - out);
}

bool fromUtf8(std::string_view utf8, std::string& out, std::string* error) {
  if (isAscii(utf8)) {
    out.append(utf8);
    return true;
  }
  const std::size_t start = out.size();
  out.resize(start + utf8.size());
  const std::size_t n = encode(utf8, out.data() + start, error);
  out.resize(n == kInvalid ? start : start + n);
  return n != kInvalid;
}

std::size_t decode(std::string_view gbk, char* out, std::string* error) {
  const char32_t* table = tables().decode.data();
  char* w = out;
  const std::size_t size = gbk.size();
  for (std::size_t i = 0; i < size;) {
    const unsigned char lead = static_cast<unsigned char>(gbk[i]);
    if (lead < 0x80) {
      *w++ = static_cast<char>(lead);
      ++i;
      continue;
    }
    char32_t cp = 0;
    if (lead >= kLeadFirst && i + 1 < size) {  // kLeadLast is 0xFE: only 0xFF is above it
      const unsigned char trail = static_cast<unsigned char>(gbk[i + 1]);
      if (lead <= kLeadLast && trail >= kTrailFirst && trail <= kTrailLast)
        cp = table[(lead - kLeadFirst) * kTrails + (trail - kTrailFirst)];
    }
    if (cp == 0) {
      setError(error, "bytes are not valid GBK at byte " + std::to_string(i));
      return kInvalid;
    }
    if (cp < 0x800) {
      *w++ = static_cast<char>(0xC0 | cp >> 6);
      *w++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      *w++ = static_cast<char>(0xE0 | cp >> 12);
      *w++ = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      *w++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    i += 2;
  }
  return static_cast<std::size_t>(w - out);
}

bool toUtf8(std::string_view gbk, std::string& out, std::string* error) {
  if (isAscii(gbk)) {
    out.append(gbk);
    return true;
  }
  const std::size_t start = out.size();
  out.resize(start + maxUtf8Length(gbk.size()));
  const std::size_t n = decode(gbk, out.data() + start, error);
  out.resize(n == kInvalid ? start : start + n);
  return n != kInvalid;
}

std::string fromUtf8OrEmpty(std::string_view utf8, bool* ok) {
  std::string out;
  const bool r = fromUtf8(utf8, out);
  if (ok) *ok = r;
  return out;
}

std::string toUtf8OrEmpty(std::string_view gbk, bool* ok) {
  std::string out;
  const bool r = toUtf8(gbk, out);
  if (ok) *ok = r;
  return out;
}

std::size_t byteLength(std::string_view utf8) {
  if (isAscii(utf8)) return utf8.size();
  std::size_t total = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t cp;
    std::size_t n = nextUtf8(utf8, i, cp);
    if (n == 0) {  // an invalid byte counts as one byte
      ++total;
      ++i;
      continue;
    }
    total += cp < 0x80 ? 1 : 2;
    i += n;
  }
  return total;
}

std::optional<std::string> firstWithoutGbk(std::string_view utf8) {
  std::string scratch;
  if (fromUtf8(utf8, scratch)) return std::nullopt;
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t cp;
    const std::size_t n = nextUtf8(utf8, i, cp);
    if (n == 0) break;
    const std::string_view one = utf8.substr(i, n);
    scratch.clear();
    if (!fromUtf8(one, scratch)) return std::string(one);
    i += n;
  }
  return std::string(utf8);
}

std::string cutToBytes(std::string_view utf8, std::size_t maxBytes) {
  std::size_t used = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    char32_t cp;
    std::size_t n = nextUtf8(utf8, i, cp);
    if (n == 0) break;  // stop at the first byte that is not a character
    const std::size_t w = cp < 0x80 ? 1 : 2;
    if (used + w > maxBytes) break;
    used += w;
    i += n;
  }
  return std::string(utf8.substr(0, i));
}

}  // namespace zp::gbk
