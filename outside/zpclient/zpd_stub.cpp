#include "zpd_stub.h"

#include <string>

namespace zpd_detail {
namespace {
// A message shows both texts: the first must not say "no error" of a call
// that failed. A text the server's record brought is kept.
void name_the_call(CBSErrorMsg& err, const char* qualifiedName) {
  if (err.text1.empty() || err.text1 == "no error") err.text1 = std::string("调用后台服务") + qualifiedName + "失败";
}
}  // namespace

std::int32_t stub_failure(CBSErrorMsg& err, std::int32_t code, const char* prefix, const char* name) {
  err.code = code;
  err.text2 = std::string(prefix) + name;
  name_the_call(err, name);
  return code;
}

std::int32_t marshal_failure(CBSErrorMsg& err, std::int32_t code, const zpd_operation& op, const char* direction,
                             const char* param) {
  err.code = code;
  err.text2 = std::string(op.cppName) + " marshalling " + direction + " error: " + param;
  name_the_call(err, op.qualifiedName);
  return code;
}

std::int32_t runtime_failure(CBSErrorMsg& err, std::int32_t code, const CZpdClientObject& client,
                             const zpd_operation& op) {
  err.code = code;
  err.text2 = client.failure_text(code);
  name_the_call(err, op.qualifiedName);
  return code;
}

}  // namespace zpd_detail
