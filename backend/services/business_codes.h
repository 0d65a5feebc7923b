// The businesses this back end accepts for the counter module: which
// business type and operation each business code stands for.
#pragma once

#include <cstdint>
#include <optional>

namespace zp::backend {

enum class Operation { open, cancel, change };

struct Business {
  int busiCode;
  int busiType;
  Operation operation;
  // The ACT_TYPE an order's service line carries for this operation.
  int actType() const { return operation == Operation::open ? 1 : operation == Operation::cancel ? 3 : 2; }
};

inline std::optional<Business> businessOf(int busiCode) {
  static constexpr Business kAll[] = {
      {1302, 101, Operation::open}, {1303, 101, Operation::cancel},
      {1304, 102, Operation::open}, {1305, 102, Operation::cancel},
      {1070, 5, Operation::open},   {1071, 5, Operation::cancel},   {1073, 5, Operation::change},
      {1324, 104, Operation::open}, {1325, 104, Operation::cancel},
      {1076, 131, Operation::open}, {1077, 131, Operation::cancel}, {1078, 131, Operation::change},
  };
  for (const Business& b : kAll)
    if (b.busiCode == busiCode) return b;
  return std::nullopt;
}

constexpr int kGlobalCall = 101;
constexpr int kGps = 102;
constexpr int kRingBack = 104;

}  // namespace zp::backend
