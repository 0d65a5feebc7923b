#include "cbusimgntpublic.h"

#include <exception>

#include "zpd_client.h"
#include "zpd_stub.h"

namespace {

constexpr const char* kBroker = "ZEPHYRON";

}  // namespace

bool CBusimgntPublic::fail(std::int32_t code, const char* what, std::string message) {
  error_.code = code;
  error_.code2 = 0;
  error_.text1 = what;
  error_.text2 = std::move(message);
  return false;
}

// The runtime and the stubs name a failure in the second text only; the
// first then says which operation of this library it ended.
bool CBusimgntPublic::finish(std::int32_t result, const char* what) {
  if (result == 0) return true;
  if (error_.code == 0) error_.code = result;
  if (error_.text1.empty() || error_.text1 == "no error") error_.text1 = what;
  return false;
}

bool CBusimgntPublic::Init(int, int, int, int, int) {
  error_.reset();
  static const char* const kWhat = "营业管理服务初始化";
  try {
    const std::int32_t r = client_.bind_zpBroker(kBroker);
    if (r != 0) return fail(r, kWhat, zpd_getErrorMsg(r));
    return true;
  } catch (const std::exception& e) {
    return fail(ZPE_CLN_ZPB_EXCEPTION, kWhat, e.what());
  } catch (...) {
    return fail(ZPE_CLN_ZPB_EXCEPTION, kWhat, "未知异常");
  }
}

bool CBusimgntPublic::GetSpInfoList(MBusiDataMgnt::SSpInfoList& list) {
  error_.reset();
  static const char* const kWhat = "取服务商列表";
  try {
    MBusiDataMgnt::SSpInfoList got;
    if (!finish(client_.get_spInfoList(0, got, error_, nullptr), kWhat)) return false;
    list = std::move(got);
    return true;
  } catch (const std::exception& e) {
    return fail(ZPE_CLN_ZPB_EXCEPTION, kWhat, e.what());
  } catch (...) {
    return fail(ZPE_CLN_ZPB_EXCEPTION, kWhat, "未知异常");
  }
}

bool CBusimgntPublic::GetCrbtsList(MBusiDataMgnt::SCrbtsInfo filter, MBusiDataMgnt::SCrbtsInfoList& list) {
  error_.reset();
  static const char* const kWhat = "取彩铃铃声列表";
  try {
    MBusiDataMgnt::SCrbtsInfoList got;
    if (!finish(client_.get_crbtsList(filter, got, error_, nullptr), kWhat)) return false;
    list = std::move(got);
    return true;
  } catch (const std::exception& e) {
    return fail(ZPE_CLN_ZPB_EXCEPTION, kWhat, e.what());
  } catch (...) {
    return fail(ZPE_CLN_ZPB_EXCEPTION, kWhat, "未知异常");
  }
}
