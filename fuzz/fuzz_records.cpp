// Feeds bytes to the stream reader and the record readers. The first byte
// picks what to read; the rest follows a valid frame header, so the fuzzer
// spends its time inside the records instead of guessing the header.
// Whatever reads cleanly must write back and read again to the same value.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "MBusiFeeMgntApp.h"
#include "MPublicDef.h"
#include "MSysmgntDef.h"
#include "MVasDesk.h"
#include "zpb_record.h"
#include "zpb_stream.h"

namespace {

constexpr zpb_name kFrame{"fuzz.Records.ParamOut"};

std::string frame(const std::uint8_t* data, std::size_t size) {
  std::string bytes(8, '\0');
  const std::uint32_t magic = zpb_stream::kFrameMagic, id = kFrame.id;
  std::memcpy(bytes.data(), &magic, 4);
  std::memcpy(bytes.data() + 4, &id, 4);
  bytes.append(reinterpret_cast<const char*>(data), size);
  return bytes;
}

template <class T>
void check(const std::string& bytes) {
  zpb_stream in;
  in.open_for_reading(bytes);
  T value{};
  CBSErrorMsg err;
  if (!in.begin_stream(kFrame)) return;
  zpb_read(in, value);
  in >> err;
  if (!in.end_stream()) return;

  zpb_stream out;
  out.open();
  out.begin_stream(kFrame);
  zpb_write(out, value);
  out << err;
  if (!out.end_stream()) std::abort();  // what was accepted must be sendable
  zpb_stream again;
  again.open_for_reading(out.bytes());
  T copy{};
  CBSErrorMsg err2;
  again.begin_stream(kFrame);
  zpb_read(again, copy);
  again >> err2;
  if (!again.end_stream() || !(copy == value) || !(err2 == err)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string bytes = frame(data + 1, size - 1);
  switch (data[0] % 8) {
    case 0: check<MVasDesk::SGetInfoOut>(bytes); break;
    case 1: check<MVasDesk::SSoUserServiceIn>(bytes); break;
    case 2: check<MPublicDef::SUserInfo>(bytes); break;
    case 3: check<MPublicDef::SMscFuncInfoList>(bytes); break;
    case 4: check<MSysmgntDef::SPrivEntityList>(bytes); break;
    case 5: check<MVasDesk::SQueryResListOut>(bytes); break;
    case 6: check<MBusiFeeMgntApp::SGetSoFeeIn>(bytes); break;
    default: check<MPublicDef::SCheckSoOut>(bytes); break;
  }
  return 0;
}
