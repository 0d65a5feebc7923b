// The module's three entry points, exported with C linkage under their plain
// names; the host finds them with dlsym.
#pragma once

#include <cstdint>

extern "C" {
// Copies the module's interface text (empty) into the host's buffer of at
// least 2048 bytes; -1 for a null buffer, else 0.
std::int32_t QueryCvsIntf(std::int32_t unused, char* out);
// A negative index: how many module ids; 0: the id 10001; beyond: -1.
std::int32_t GetModuleId(std::int32_t index);
// Creates a workspace window for the operator in the host's record; null
// when it cannot be created. The window frees itself when closed.
void* CreateBusinessForm(std::int32_t unused, const void* operatorRecord);
}
