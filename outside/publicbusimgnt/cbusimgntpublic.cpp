#include "cbusimgntpublic.h"

#include <exception>

#include "zpd_library.h"

namespace {

constexpr const char* kBroker = "ZEPHYRON";

}  // namespace

bool CBusimgntPublic::Init(int, int, int, int, int) {
  zpd_library_call call(error_, "营业管理服务初始化");
  return call.run([&] {
    return call.bind(client_, kBroker);
  });
}

bool CBusimgntPublic::GetSpInfoList(MBusiDataMgnt::SSpInfoList& list) {
  zpd_library_call call(error_, "取服务商列表");
  return call.run([&] {
    MBusiDataMgnt::SSpInfoList got;
    if (!call.finish(client_.get_spInfoList(0, got, error_, nullptr))) return false;
    list = std::move(got);
    return true;
  });
}

bool CBusimgntPublic::GetCrbtsList(MBusiDataMgnt::SCrbtsInfo filter, MBusiDataMgnt::SCrbtsInfoList& list) {
  zpd_library_call call(error_, "取彩铃铃声列表");
  return call.run([&] {
    MBusiDataMgnt::SCrbtsInfoList got;
    if (!call.finish(client_.get_crbtsList(filter, got, error_, nullptr))) return false;
    list = std::move(got);
    return true;
  });
}
