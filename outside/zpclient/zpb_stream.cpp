#include "zpb_stream.h"

#include "gbk.h"

namespace {
std::string quoted(const zpb_name& n) { return std::string("\"") + n.text + "\""; }
}  // namespace

bool zpb_stream::open() {
  buf_.clear();
  pos_ = 0;
  depth_ = 0;
  mode_ = Mode::writing;
  framed_ = ended_ = failed_ = false;
  error_.clear();
  return true;
}

bool zpb_stream::open_for_reading(std::string bytes) {
  open();
  mode_ = Mode::reading;
  if (bytes.size() > zpb_limits::maxFrameBytes) {
    fail("received frame is larger than the frame limit");
    return false;
  }
  buf_ = std::move(bytes);
  return true;
}

void zpb_stream::fail(std::string_view why) {
  if (failed_) return;
  failed_ = true;
  error_.assign(why);
}

bool zpb_stream::not_ready() {
  if (mode_ == Mode::closed)
    fail("stream is not open");
  else if (!framed_)
    fail("no frame has been begun");
  else
    fail("stream is open in the other direction");
  return false;
}

bool zpb_stream::too_large() {
  fail("frame grows beyond the frame limit");
  return false;
}

bool zpb_stream::short_read(std::size_t n) {
  fail("frame ends " + std::to_string(n - (buf_.size() - pos_)) + " bytes too early at offset " +
       std::to_string(pos_));
  return false;
}

bool zpb_stream::begin_stream(const zpb_name& frame) {
  if (failed_) return false;
  if (mode_ == Mode::closed) return not_ready();
  if (framed_ || ended_) {
    fail("a frame has already been begun on this stream");
    return false;
  }
  framed_ = true;
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
  if (mode_ == Mode::reading && pos_ != buf_.size()) {
    fail(std::to_string(buf_.size() - pos_) + " unread bytes at the end of the frame");
    return false;
  }
  framed_ = false;
  ended_ = true;
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
  if (!writable()) return false;
  if (depth_ >= zpb_limits::maxNesting) {
    fail("records nested deeper than the nesting limit");
    return false;
  }
  put(name.id);
  ++depth_;
  return true;
}

bool zpb_stream::end_write_struct() {
  if (!writable()) return false;
  if (depth_ == 0) {
    fail("end of a record that was not begun");
    return false;
  }
  --depth_;
  return true;
}

bool zpb_stream::begin_read_struct(const zpb_name& name) {
  if (!readable(4)) return false;
  if (depth_ >= zpb_limits::maxNesting) {
    fail("records nested deeper than the nesting limit");
    return false;
  }
  if (!read_id(name, "record")) return false;
  ++depth_;
  return true;
}

bool zpb_stream::end_read_struct() {
  if (!readable(0)) return false;
  if (depth_ == 0) {
    fail("end of a record that was not begun");
    return false;
  }
  --depth_;
  return true;
}

bool zpb_stream::begin_write_list(const zpb_name& name, std::int32_t count) {
  if (!writable()) return false;
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
  return true;
}

bool zpb_stream::end_write_list() { return end_write_struct(); }

bool zpb_stream::begin_read_list(const zpb_name& name, std::int32_t& count) {
  if (!readable(8)) return false;
  if (depth_ >= zpb_limits::maxNesting) {
    fail("lists nested deeper than the nesting limit");
    return false;
  }
  if (!read_id(name, "list")) return false;
  std::uint32_t n = 0;
  get(n);
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

zpb_stream& zpb_stream::put_text(std::string_view utf8) {
  if (!writable()) return *this;
  const std::size_t at = buf_.size();
  buf_.append(4, '\0');
  std::string why;
  if (!zp::gbk::fromUtf8(utf8, buf_, &why)) {
    buf_.resize(at);
    fail("cannot write text: " + why);
    return *this;
  }
  const std::size_t len = buf_.size() - at - 4;
  if (len > zpb_limits::maxTextBytes) {
    buf_.resize(at);
    fail("text is longer than the text limit");
    return *this;
  }
  const std::uint32_t n = static_cast<std::uint32_t>(len);
  std::memcpy(&buf_[at], &n, 4);
  return *this;
}

zpb_stream& zpb_stream::operator>>(std::string& v) {
  std::uint32_t n = 0;
  get(n);
  if (failed_) return *this;
  if (n > zpb_limits::maxTextBytes) {
    fail("text is longer than the text limit");
    return *this;
  }
  if (!readable(n)) return *this;
  const std::string_view raw(buf_.data() + pos_, n);
  bool ascii = true;
  for (unsigned char c : raw) ascii &= c < 0x80;
  if (ascii) {  // GBK and UTF-8 agree on ASCII: no conversion
    v.assign(raw);
    pos_ += n;
    return *this;
  }
  scratch_.clear();
  std::string why;
  if (!zp::gbk::toUtf8(raw, scratch_, &why)) {
    fail("cannot read text: " + why);
    return *this;
  }
  v.assign(scratch_);
  pos_ += n;
  return *this;
}

zpb_stream& zpb_stream::operator>>(CBSDateTime& v) {
  std::int64_t packed = 0;
  get(packed);
  if (failed_) return *this;
  if (!CBSDateTime::validPacked(packed)) {
    fail("invalid date-time " + std::to_string(packed));
    return *this;
  }
  v.setPacked(packed);
  return *this;
}

zpb_stream& zpb_stream::operator<<(const CBSErrorMsg& v) {
  return *this << v.code << v.code2 << v.text1 << v.text2;
}

zpb_stream& zpb_stream::operator>>(CBSErrorMsg& v) {
  CBSErrorMsg r;
  *this >> r.code >> r.code2 >> r.text1 >> r.text2;
  if (!failed_) v = std::move(r);
  return *this;
}
