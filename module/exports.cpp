#include "exports.h"

#include <cstring>
#include <new>

#include "MSysmgntDef.h"
#include "formVasDeskMain.h"
#include "gui_message.h"
#include "operator_record.h"

namespace {

constexpr std::int32_t kModuleIds[] = {10001};
constexpr std::size_t kInterfaceBytes = 2048;
// The interface identification text: empty.
const char kInterfaceText[kInterfaceBytes] = {};

}  // namespace

extern "C" __attribute__((visibility("default"))) std::int32_t QueryCvsIntf(std::int32_t, char* out) {
  if (!out) return -1;
  char local[kInterfaceBytes];
  std::memcpy(local, kInterfaceText, kInterfaceBytes);
  local[kInterfaceBytes - 1] = '\0';
  std::size_t end = std::strlen(local);
  while (end > 0 && local[end - 1] == ' ') local[--end] = '\0';
  std::size_t start = 0;
  while (local[start] == ' ') ++start;
  std::memcpy(out, local + start, end - start + 1);
  return 0;
}

extern "C" __attribute__((visibility("default"))) std::int32_t GetModuleId(std::int32_t index) {
  constexpr std::int32_t count = static_cast<std::int32_t>(sizeof kModuleIds / sizeof kModuleIds[0]);
  if (index < 0) return count;
  if (index >= count) return -1;
  return kModuleIds[index];
}

extern "C" __attribute__((visibility("default"))) void* CreateBusinessForm(std::int32_t, const void* operatorRecord) {
  if (!operatorRecord) return nullptr;
  const zp::module::OperatorContext op = zp::module::readOperatorRecord(operatorRecord);
  const MSysmgntDef::SOperPrivAuthList privileges;  // handed over empty
  TfrmVasDesk* form = nullptr;
  try {
    form = new TfrmVasDesk(nullptr);
  } catch (const std::bad_alloc&) {
    form = nullptr;
  }
  if (!form) {
    ShowGUIMessage("异常：内存不足，无法创建对象!", "异常", 16);
    return nullptr;
  }
  form->update();
  form->Init(0, op.regionCode, op.countyCode, op.orgId, op.opId, privileges);  // reports its own failures
  return form;
}
