// Conversion between UTF-8 (texts in memory) and GBK (texts on the wire).
// The one place in the system where the code page is handled.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zp::gbk {

// Appends the GBK form of a UTF-8 text to out. False when the text is not
// valid UTF-8 or holds a character that GBK cannot represent; *error (when
// given) then names the offending position. out is left as it was on failure.
bool fromUtf8(std::string_view utf8, std::string& out, std::string* error = nullptr);

// Appends the UTF-8 form of GBK bytes to out. False for bytes that are not
// valid GBK (a lone lead byte, an undefined code); out is left as it was.
bool toUtf8(std::string_view gbk, std::string& out, std::string* error = nullptr);

inline constexpr std::size_t kInvalid = static_cast<std::size_t>(-1);

// Writes the GBK form of a UTF-8 text to out, which must have room for
// utf8.size() bytes (GBK is never longer); returns the bytes written, or
// kInvalid with *error set when the text has no GBK form.
std::size_t encode(std::string_view utf8, char* out, std::string* error = nullptr);

// Writes the UTF-8 form of GBK bytes to out, which must have room for
// maxUtf8Length(gbk.size()) bytes; returns the bytes written, or kInvalid
// with *error set for bytes that are not GBK.
std::size_t decode(std::string_view gbk, char* out, std::string* error = nullptr);
constexpr std::size_t maxUtf8Length(std::size_t gbkBytes) { return gbkBytes + gbkBytes / 2 + 1; }

// Convenience forms; an empty optional result is signalled by ok=false.
std::string fromUtf8OrEmpty(std::string_view utf8, bool* ok = nullptr);
std::string toUtf8OrEmpty(std::string_view gbk, bool* ok = nullptr);

// Number of bytes the text takes in GBK; characters without a GBK form count
// as two bytes (the width they would take as a substitute).
std::size_t byteLength(std::string_view utf8);

// The first character of a UTF-8 text that GBK cannot represent, to name it
// to the operator; nothing when the whole text has a GBK form, the whole text
// when it is not UTF-8 at all.
std::optional<std::string> firstWithoutGbk(std::string_view utf8);

// The longest prefix of a UTF-8 text whose GBK form fits in maxBytes, cut at a
// character boundary (never half of a double-byte character).
std::string cutToBytes(std::string_view utf8, std::size_t maxBytes);

}  // namespace zp::gbk
