#include "zpd_stub.h"

#include <string>

namespace zpd_detail {

std::int32_t stub_failure(CBSErrorMsg& err, std::int32_t code, const char* prefix, const char* name) {
  err.code = code;
  err.text2 = std::string(prefix) + name;
  return code;
}

std::int32_t marshal_failure(CBSErrorMsg& err, std::int32_t code, const zpd_operation& op, const char* direction,
                             const char* param) {
  err.code = code;
  err.text2 = std::string(op.cppName) + " marshalling " + direction + " error: " + param;
  return code;
}

std::int32_t runtime_failure(CBSErrorMsg& err, std::int32_t code) {
  err.code = code;
  err.text2 = zpd_getErrorMsg(code);
  return code;
}

}  // namespace zpd_detail
