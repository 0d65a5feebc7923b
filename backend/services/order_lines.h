// An order line (zp_order_line.record) keeps its whole record as it arrived,
// in the wire encoding, as hex: the submission writes it, the papers read it.
#pragma once

#include <string>

#include "zpb_hex.h"
#include "zpb_stream.h"

namespace zp::backend {

inline constexpr zpb_name kOrderLineFrame{"zpserver.OrderLine"};

template <class R>
std::string lineRecordHex(const R& r) {
  zpb_stream s;
  s.open();
  s.begin_stream(kOrderLineFrame);
  zpb_write(s, r);
  s.end_stream();
  return zpb_to_hex(s.bytes());
}

// False, with `r` as it was, when the text is not such a record.
template <class R>
bool readLineRecordHex(const std::string& text, R& r) {
  std::string bytes;
  if (!zpb_from_hex(text, bytes)) return false;
  zpb_stream s;
  R read;
  if (!s.open_for_reading(std::move(bytes)) || !s.begin_stream(kOrderLineFrame)) return false;
  zpb_read(s, read);
  if (s.failed() || !s.end_stream()) return false;
  r = std::move(read);
  return true;
}

}  // namespace zp::backend
