// The demo region, built into the server so --seed-demo needs no file: one
// fixture document per file of backend/demo, in name order.
#pragma once

#include <vector>

namespace zp::backend {
std::vector<const char*> demoData();
}
