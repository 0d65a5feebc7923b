#include "verify_type.h"

#include "MBusiPublic.h"
#include "zpd_client.h"

namespace zpverify {

std::optional<short> LookUpVerifyType(int busiCode, CBSErrorMsg& error) {
  error.reset();
  try {
    MBusiPublic::IBusiPublic client;
    if (const int bound = client.bind_zpBroker("ZEPHYRON"); bound != 0) {
      error.code = bound;
      error.text1 = "业务验证方式";
      error.text2 = "无法连接后台服务";
      return std::nullopt;
    }
    MBusiPublic::SVerifyTypeOut out;
    if (client.get_verifyType(busiCode, out, error, nullptr) != 0) return std::nullopt;
    return out.get_VERIFY_TYPE();
  } catch (const std::exception& e) {
    error.code = -1;
    error.text1 = "业务验证方式";
    error.text2 = e.what();
    return std::nullopt;
  }
}

}  // namespace zpverify
