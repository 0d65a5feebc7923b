// What every service of zpserver does the same way: read a presence bit,
// refuse a request with both texts filled in, report a store failure.
#pragma once

#include <cstdint>
#include <ctime>
#include <exception>
#include <string>

#include "cbsdatetime.h"
#include "cbserrormsg.h"

namespace zp::backend {

// Whether the field with this index arrived in the request.
template <class R>
bool has(const R& r, int index) {
  return (r.UsedMarker >> index) & 1u;
}

// A refusal: a non-zero result, with what was asked in the first text and
// what is wrong in the second, both in the operator's language.
inline std::int32_t refuse(CBSErrorMsg& err, std::int32_t code, std::string what, std::string message) {
  err.code = code;
  err.code2 = 0;
  err.text1 = std::move(what);
  err.text2 = std::move(message);
  return code;
}

inline std::int32_t storeFailed(CBSErrorMsg& err, std::int32_t code, const char* what, const std::exception& e) {
  return refuse(err, code, what, std::string("数据库访问失败:") + e.what());
}

// The local date and time of a moment in seconds since 1970, as the store
// and the records keep it.
inline CBSDateTime dateTimeAt(long long seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  localtime_r(&t, &tm);
  return CBSDateTime::make(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

// The time of day of a moment, as refusals name the end of a lock.
inline std::string clockText(long long seconds) { return dateTimeAt(seconds).toString("%H:%N:%S"); }

}  // namespace zp::backend
