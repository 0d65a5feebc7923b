// zpb_stream: the typed message stream of the client runtime. A call uses
// one stream for the request and one for the reply; the server side uses the
// same class the other way round.
//
// Wire format. Every integer is little-endian and fixed-width.
//
//   frame     := u32 magic "ZPBF" | u32 name-id | value*        begin_stream .. end_stream
//   int16     := 2 bytes          int32 := 4 bytes
//   int64     := 8 bytes          uint64 := 8 bytes
//   text      := u32 length | length bytes of GBK
//   date-time := u16 year | u8 month | u8 day | u8 hour | u8 minute | u8 second | u8 0
//                (all zero when not set)
//   struct    := u32 name-id | the record's values              begin/end_*_struct
//   list      := u32 name-id | u32 count | count structs        begin/end_*_list
//   name-id   := FNV-1a (32 bit) of the name's text
//
// Names travel as their 32-bit id, so a frame, record or list of the wrong
// kind fails on read instead of filling fields with garbage, at the cost of
// four bytes. Texts are UTF-8 in memory and GBK on the wire; a text with no
// GBK form fails the writing stream, bytes that are not GBK fail the reading
// stream.
//
// Guarantees. Every read is bounds-checked against the bytes left; a length or
// count larger than what remains, a nesting deeper than zpb_limits::maxNesting,
// a frame larger than zpb_limits::maxFrameBytes, or an invalid date-time puts
// the stream into its failure state. The failure state is sticky: once set,
// every further operation fails and changes nothing, and error() says what
// went wrong first. Reading a frame to its end_stream requires that every
// byte was consumed.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "cbsdatetime.h"
#include "cbserrormsg.h"
#include "zpb_limits.h"

static_assert(std::endian::native == std::endian::little, "the wire is little-endian");

// A name as it travels: its text (for messages) and its 32-bit id.
struct zpb_name {
  const char* text;
  std::uint32_t id;

  static constexpr std::uint32_t hash(const char* s) {
    std::uint32_t h = 2166136261u;
    for (; *s; ++s) {
      h ^= static_cast<unsigned char>(*s);
      h *= 16777619u;
    }
    return h;
  }
  constexpr zpb_name(const char* s) : text(s), id(hash(s)) {}
};

class zpb_stream {
 public:
  enum class Mode { closed, writing, reading };
  static constexpr std::uint32_t kFrameMagic = 0x4642505a;  // "ZPBF"

  zpb_stream() = default;
  ~zpb_stream() = default;
  zpb_stream(const zpb_stream&) = delete;
  zpb_stream& operator=(const zpb_stream&) = delete;

  // Opens an empty stream for writing. Returns true.
  bool open();
  // The same, writing into `storage` (its content is dropped, its capacity
  // kept): a caller that sends many frames hands a spent buffer back.
  bool open(std::string&& storage);
  // Opens the stream for reading the given bytes (a received frame).
  // Bytes beyond zpb_limits::maxFrameBytes put the stream into failure.
  bool open_for_reading(std::string bytes);

  bool begin_stream(const zpb_name& frame);
  bool end_stream();

  bool begin_write_struct(const zpb_name& name);
  bool end_write_struct();
  bool begin_read_struct(const zpb_name& name);
  bool end_read_struct();
  bool begin_write_list(const zpb_name& name, std::int32_t count);
  bool end_write_list();
  bool begin_read_list(const zpb_name& name, std::int32_t& count);
  bool end_read_list();

  zpb_stream& operator<<(std::int16_t v) { return put(v); }
  zpb_stream& operator<<(std::int32_t v) { return put(v); }
  zpb_stream& operator<<(const std::int64_t& v) { return put(v); }
  zpb_stream& operator<<(const std::uint64_t& v) { return put(v); }
  zpb_stream& operator<<(const std::string& v) { return put_text(v); }
  zpb_stream& operator<<(const char* v) { return put_text(v ? std::string_view(v) : std::string_view()); }
  zpb_stream& operator<<(const CBSDateTime& v) { return put(datetime_bits(v)); }
  // Servers write the error record after the reply value.
  zpb_stream& operator<<(const CBSErrorMsg& v);

  zpb_stream& operator>>(std::int16_t& v) { return get(v); }
  zpb_stream& operator>>(std::int32_t& v) { return get(v); }
  zpb_stream& operator>>(std::int64_t& v) { return get(v); }
  zpb_stream& operator>>(std::uint64_t& v) { return get(v); }
  zpb_stream& operator>>(std::string& v) {
    std::uint32_t n = 0;
    if (!get(n).readable_text(n)) return *this;
    const char* p = buf_.data() + pos_;
    if (!ascii(p, n)) return get_gbk_text(v, n);
    v.assign(p, n);  // GBK and UTF-8 agree on ASCII: no conversion
    pos_ += n;
    return *this;
  }
  zpb_stream& operator>>(CBSDateTime& v);
  zpb_stream& operator>>(CBSErrorMsg& v);

  bool failed() const { return failed_; }
  bool good() const { return !failed_; }
  explicit operator bool() const { return !failed_; }
  const std::string& error() const { return error_; }
  Mode mode() const { return mode_; }
  // A written frame that was ended without failure: what a call may send.
  bool complete() const { return mode_ == Mode::writing && ended_ && !failed_; }

  // The bytes written so far (writing) or received (reading).
  const std::string& bytes() const {
    if (mode_ == Mode::writing) buf_.resize(end_);
    return buf_;
  }
  std::string take_bytes() {
    bytes();
    end_ = pos_ = 0;
    return std::move(buf_);
  }
  std::size_t remaining() const { return end_ - pos_; }

  // Puts the stream into its failure state with a reason (first reason wins).
  void fail(std::string_view why);

 private:
  static std::uint64_t datetime_bits(const CBSDateTime& v) {
    return static_cast<std::uint64_t>(static_cast<std::uint16_t>(v.year())) |
           static_cast<std::uint64_t>(v.month()) << 16 | static_cast<std::uint64_t>(v.day()) << 24 |
           static_cast<std::uint64_t>(v.hour()) << 32 | static_cast<std::uint64_t>(v.minute()) << 40 |
           static_cast<std::uint64_t>(v.second()) << 48;
  }
  // ASCII without a NUL byte, which GBK and UTF-8 write alike. Anything
  // else takes the converting path, which also refuses a NUL byte.
  static bool ascii(const char* p, std::size_t n) {
    std::uint64_t any = 0;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
      std::uint64_t w;
      std::memcpy(&w, p + i, 8);
      any |= w | ((w - 0x0101010101010101ull) & ~w);  // a zero byte sets its high bit
    }
    for (; i < n; ++i) {
      const unsigned char c = static_cast<unsigned char>(p[i]);
      any |= c == 0 ? 0x80u : c;
    }
    return (any & 0x8080808080808080ull) == 0;
  }
  // Room for n more bytes at the end of a frame being written; null (and
  // the stream failed) when the frame would pass its limit.
  char* room(std::size_t n) {
    if (buf_.size() - end_ < n && !grow(n)) return nullptr;
    char* p = buf_.data() + end_;
    end_ += n;
    return p;
  }
  template <class T>
  zpb_stream& put(const T& v) {
    if (!can_write_) return not_writable();
    if (char* p = room(sizeof(T))) std::memcpy(p, &v, sizeof(T));
    return *this;
  }
  template <class T>
  zpb_stream& get(T& v) {
    if (!can_read_) return not_readable();
    if (end_ - pos_ < sizeof(T)) {
      short_read(sizeof(T));
      return *this;
    }
    std::memcpy(&v, buf_.data() + pos_, sizeof(T));
    pos_ += sizeof(T);
    return *this;
  }
  zpb_stream& put_text(std::string_view utf8) {
    if (!can_write_) return not_writable();
    if (!ascii(utf8.data(), utf8.size()) || utf8.size() > zpb_limits::maxTextBytes) return put_gbk_text(utf8);
    const std::uint32_t n = static_cast<std::uint32_t>(utf8.size());
    if (char* p = room(4 + utf8.size())) {
      std::memcpy(p, &n, 4);
      std::memcpy(p + 4, utf8.data(), utf8.size());
    }
    return *this;
  }
  bool readable_text(std::uint32_t n);
  bool grow(std::size_t n);
  zpb_stream& not_writable();
  zpb_stream& not_readable();
  bool not_ready();
  bool short_read(std::size_t n);
  zpb_stream& put_gbk_text(std::string_view utf8);
  zpb_stream& get_gbk_text(std::string& v, std::uint32_t n);
  bool read_id(const zpb_name& expected, const char* what);
  void update_access() {
    can_write_ = !failed_ && framed_ && mode_ == Mode::writing;
    can_read_ = !failed_ && framed_ && mode_ == Mode::reading;
  }

  // Writing: buf_ is storage, its first end_ bytes the frame so far.
  // Reading: buf_ is the received frame, end_ its size, pos_ the cursor.
  mutable std::string buf_;
  std::size_t end_ = 0;
  std::size_t pos_ = 0;
  std::uint32_t depth_ = 0;
  Mode mode_ = Mode::closed;
  bool framed_ = false;  // between begin_stream and end_stream
  bool ended_ = false;   // end_stream done
  bool failed_ = false;
  bool can_write_ = false;
  bool can_read_ = false;
  std::string error_;
  std::string scratch_;
};
