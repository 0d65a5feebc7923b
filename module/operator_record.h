// The host's record of the logged-in operator, as the module reads it: four
// 32-bit integers at fixed byte offsets, nothing else. The host lays out the
// rest of its record as it likes.
#pragma once

#include <cstdint>
#include <cstring>

namespace zp::module {

inline constexpr std::size_t kOpIdOffset = 0;
inline constexpr std::size_t kOrgIdOffset = 152;
inline constexpr std::size_t kCountyOffset = 156;
inline constexpr std::size_t kRegionOffset = 160;
inline constexpr std::size_t kOperatorRecordBytes = 164;  // the least a host record must hold

struct OperatorContext {
  std::int32_t opId = 0;
  std::int32_t orgId = 0;
  std::int16_t countyCode = 0;  // narrowed from the host's 32 bits
  std::int16_t regionCode = 0;
};

inline std::int32_t readInt32(const void* record, std::size_t offset) {
  std::int32_t v;
  std::memcpy(&v, static_cast<const unsigned char*>(record) + offset, sizeof v);
  return v;
}

inline OperatorContext readOperatorRecord(const void* record) {
  OperatorContext c;
  c.opId = readInt32(record, kOpIdOffset);
  c.orgId = readInt32(record, kOrgIdOffset);
  c.countyCode = static_cast<std::int16_t>(readInt32(record, kCountyOffset));
  c.regionCode = static_cast<std::int16_t>(readInt32(record, kRegionOffset));
  return c;
}

// The host side: a record with the four fields in place.
inline void writeOperatorRecord(void* record, std::int32_t opId, std::int32_t orgId, std::int32_t county,
                                std::int32_t region) {
  auto* p = static_cast<unsigned char*>(record);
  std::memcpy(p + kOpIdOffset, &opId, 4);
  std::memcpy(p + kOrgIdOffset, &orgId, 4);
  std::memcpy(p + kCountyOffset, &county, 4);
  std::memcpy(p + kRegionOffset, &region, 4);
}

}  // namespace zp::module
