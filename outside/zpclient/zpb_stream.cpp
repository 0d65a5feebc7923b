#include "zpb_stream.h"

#include "gbk.h"

namespace {
std::string quoted(const zpb_name& n) { return std::string("\"") + n.text + "\""; }
}  // namespace

bool zpb_stream::open() {
  buf_.clear();
  end_ = pos_ = 0;
  depth_ = 0;
  mode_ = Mode::writing;
  framed_ = ended_ = failed_ = false;
  error_.clear();
  update_access();
  return true;
}

bool zpb_stream::open(std::string&& storage) {
  open();
  buf_ = std::move(storage);
  buf_.resize(buf_.capacity());
  return true;
}

bool zpb_stream::open_for_reading(std::string bytes) {
  open();
  mode_ = Mode::reading;
  update_access();
  if (bytes.size() > zpb_limits::maxFrameBytes) {
    fail("received frame is larger than the frame limit");
    return false;
  }
  buf_ = std::move(bytes);
  end_ = buf_.size();
  return true;
}

void zpb_stream::fail(std::string_view why) {
  if (failed_) return;
  failed_ = true;
  error_.assign(why);
  update_access();
}

bool zpb_stream::not_ready() {
  if (failed_) return false;
  if (mode_ == Mode::closed)
    fail("stream is not open");
  else if (!framed_)
    fail("no frame has been begun");
  else
    fail("stream is open in the other direction");
  return false;
}

zpb_stream& zpb_stream::not_writable() {
  not_ready();
  return *this;
}

zpb_stream& zpb_stream::not_readable() {
  not_ready();
  return *this;
}

bool zpb_stream::grow(std::size_t n) {
  if (end_ + n > zpb_limits::maxFrameBytes) {
    fail("frame grows beyond the frame limit");
    return false;
  }
  std::size_t size = buf_.size() < 256 ? 256 : buf_.size() * 2;
  if (size < end_ + n) size = end_ + n;
  buf_.resize(size);
  return true;
}

bool zpb_stream::short_read(std::size_t n) {
  fail("frame ends " + std::to_string(n - (end_ - pos_)) + " bytes too early at offset " + std::to_string(pos_));
  return false;
}

bool zpb_stream::readable_text(std::uint32_t n) {
  if (failed_) return false;
  if (n > zpb_limits::maxTextBytes) {
    fail("text is longer than the text limit");
    return false;
  }
  if (end_ - pos_ < n) return short_read(n);
  return true;
}

bool zpb_stream::begin_stream(const zpb_name& frame) {
  if (failed_) return false;
  if (mode_ == Mode::closed) return not_ready();
  if (framed_ || ended_) {
    fail("a frame has already been begun on this stream");
    return false;
  }
  framed_ = true;
  update_access();
  if (mode_ == Mode::writing) {
    put(kFrameMagic);
    put(frame.id);
    return !failed_;
  }
  std::uint32_t magic = 0;
  get(magic);
  if (failed_) return false;
  if (magic != kFrameMagic) {
    fail("bytes are not a message frame");
    return false;
  }
  return read_id(frame, "frame");
}

bool zpb_stream::end_stream() {
  if (failed_) return false;
  if (!framed_) return not_ready();
  if (depth_ != 0) {
    fail("frame ended inside a record or list");
    return false;
  }
  if (mode_ == Mode::reading && pos_ != end_) {
    fail(std::to_string(end_ - pos_) + " unread bytes at the end of the frame");
    return false;
  }
  framed_ = false;
  ended_ = true;
  update_access();
  if (mode_ == Mode::writing) buf_.resize(end_);
  return true;
}

bool zpb_stream::read_id(const zpb_name& expected, const char* what) {
  std::uint32_t id = 0;
  get(id);
  if (failed_) return false;
  if (id != expected.id) {
    fail(std::string(what) + " " + quoted(expected) + " expected, another one received");
    return false;
  }
  return true;
}

bool zpb_stream::begin_write_struct(const zpb_name& name) {
  if (!can_write_) return not_ready();
  if (depth_ >= zpb_limits::maxNesting) {
    fail("records nested deeper than the nesting limit");
    return false;
  }
  put(name.id);
  ++depth_;
  return !failed_;
}

bool zpb_stream::end_write_struct() {
  if (!can_write_) return not_ready();
  if (depth_ == 0) {
    fail("end of a record that was not begun");
    return false;
  }
  --depth_;
  return true;
}

bool zpb_stream::begin_read_struct(const zpb_name& name) {
  if (!can_read_) return not_ready();
  if (depth_ >= zpb_limits::maxNesting) {
    fail("records nested deeper than the nesting limit");
    return false;
  }
  if (!read_id(name, "record")) return false;
  ++depth_;
  return true;
}

bool zpb_stream::end_read_struct() {
  if (!can_read_) return not_ready();
  if (depth_ == 0) {
    fail("end of a record that was not begun");
    return false;
  }
  --depth_;
  return true;
}

bool zpb_stream::begin_write_list(const zpb_name& name, std::int32_t count) {
  if (!can_write_) return not_ready();
  if (count < 0 || static_cast<std::uint32_t>(count) > zpb_limits::maxListCount) {
    fail(std::string("list ") + quoted(name) + " has more elements than the list limit");
    return false;
  }
  if (depth_ >= zpb_limits::maxNesting) {
    fail("lists nested deeper than the nesting limit");
    return false;
  }
  put(name.id);
  put(count);
  ++depth_;
  return !failed_;
}

bool zpb_stream::end_write_list() { return end_write_struct(); }

bool zpb_stream::begin_read_list(const zpb_name& name, std::int32_t& count) {
  if (!can_read_) return not_ready();
  if (depth_ >= zpb_limits::maxNesting) {
    fail("lists nested deeper than the nesting limit");
    return false;
  }
  if (!read_id(name, "list")) return false;
  std::uint32_t n = 0;
  get(n);
  if (failed_) return false;
  if (n > zpb_limits::maxListCount || static_cast<std::uint64_t>(n) * zpb_limits::minStructBytes > remaining()) {
    fail(std::string("list ") + quoted(name) + " claims " + std::to_string(n) +
         " elements, more than the frame can hold");
    return false;
  }
  count = static_cast<std::int32_t>(n);
  ++depth_;
  return true;
}

bool zpb_stream::end_read_list() { return end_read_struct(); }

zpb_stream& zpb_stream::put_gbk_text(std::string_view utf8) {
  // A character never takes more bytes in GBK than in UTF-8, so the text is
  // converted straight into the frame and the room not used given back.
  const std::size_t start = end_;
  // A NUL byte would be kept by one store and cut off by another: no text
  // carries one, whichever side writes it.
  if (utf8.find('\0') != std::string_view::npos) {
    fail("cannot write text: it holds a NUL byte");
    return *this;
  }
  char* p = room(4 + utf8.size());
  if (!p) return *this;
  std::string why;
  const std::size_t n = zp::gbk::encode(utf8, p + 4, &why);
  if (n == zp::gbk::kInvalid) {
    end_ = start;
    fail("cannot write text: " + why);
    return *this;
  }
  if (n > zpb_limits::maxTextBytes) {
    end_ = start;
    fail("text is longer than the text limit");
    return *this;
  }
  const std::uint32_t len = static_cast<std::uint32_t>(n);
  std::memcpy(p, &len, 4);
  end_ = start + 4 + n;
  return *this;
}

zpb_stream& zpb_stream::get_gbk_text(std::string& v, std::uint32_t n) {
  if (std::memchr(buf_.data() + pos_, 0, n) != nullptr) {
    fail("cannot read text: it holds a NUL byte");
    return *this;
  }
  scratch_.resize(zp::gbk::maxUtf8Length(n));
  std::string why;
  const std::size_t len = zp::gbk::decode(std::string_view(buf_.data() + pos_, n), scratch_.data(), &why);
  if (len == zp::gbk::kInvalid) {
    fail("cannot read text: " + why);
    return *this;
  }
  v.assign(scratch_.data(), len);
  pos_ += n;
  return *this;
}

zpb_stream& zpb_stream::operator>>(CBSDateTime& v) {
  std::uint64_t bits = 0;
  get(bits);
  if (failed_) return *this;
  const int year = static_cast<int>(bits & 0xFFFF), month = static_cast<int>(bits >> 16 & 0xFF),
            day = static_cast<int>(bits >> 24 & 0xFF), hour = static_cast<int>(bits >> 32 & 0xFF),
            minute = static_cast<int>(bits >> 40 & 0xFF), second = static_cast<int>(bits >> 48 & 0xFF);
  if ((bits >> 56) != 0 || !v.set(year, month, day, hour, minute, second))
    fail("invalid date-time on the wire");
  return *this;
}

zpb_stream& zpb_stream::operator<<(const CBSErrorMsg& v) { return *this << v.code << v.code2 << v.text1 << v.text2; }

zpb_stream& zpb_stream::operator>>(CBSErrorMsg& v) {
  CBSErrorMsg r;
  *this >> r.code >> r.code2 >> r.text1 >> r.text2;
  if (!failed_) v = std::move(r);
  return *this;
}
