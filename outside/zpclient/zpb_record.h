// What every generated record relies on: list marshalling, plain values as
// request or reply, and the field descriptors of the records that travel as
// a table of texts.
//
// Record write: struct name, Marker, UsedMarker, then each field whose bit is
// set in UsedMarker, in declaration order. Record read: the same; a field
// whose bit is absent keeps its value; the read stops at the first failure.
// List read appends to what the target holds; an element that fails to read
// is discarded.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "cbsdatetime.h"
#include "zpb_stream.h"

// Plain values travelling as a whole request or reply.
inline bool zpb_write(zpb_stream& s, std::int32_t v) {
  s << v;
  return s.good();
}
inline bool zpb_read(zpb_stream& s, std::int32_t& v) {
  s >> v;
  return s.good();
}

template <class R>
bool zpb_write(zpb_stream& s, const std::vector<R>& list) {
  if (!s.begin_write_list(R::kListName, static_cast<std::int32_t>(list.size()))) return false;
  for (const R& e : list) {
    if (!zpb_write(s, e)) return false;
  }
  return s.end_write_list();
}

template <class R>
bool zpb_read(zpb_stream& s, std::vector<R>& list) {
  std::int32_t count = 0;
  if (!s.begin_read_list(R::kListName, count)) return false;
  // The count is bounded by the bytes left, but a hostile frame of small
  // elements could still ask for much memory at once: reserve a little.
  list.reserve(list.size() + static_cast<std::size_t>(count < 1024 ? count : 1024));
  for (std::int32_t i = 0; i < count; ++i) {
    // Read in place; an element that fails is discarded.
    list.emplace_back();
    if (!zpb_read(s, list.back())) {
      list.pop_back();
      return false;
    }
  }
  return s.end_read_list();
}

// Type codes of a field descriptor.
enum zpb_type_code : int {
  ZPB_TEXT = 2,
  ZPB_INT16 = 3,
  ZPB_INT32 = 4,
  ZPB_INT64 = 5,
  ZPB_DATETIME = 10,
};

struct zpb_field_desc {
  const char* name;
  int type;  // a zpb_type_code
};

// A field's value taken or given by its index.
using zpb_value = std::variant<std::string, std::int16_t, std::int32_t, std::int64_t, CBSDateTime>;
