// The demo region, built into the server so --seed-demo needs no file.
#pragma once

namespace zp::backend {
const char* demoData();
}
