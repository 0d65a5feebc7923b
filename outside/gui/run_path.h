// The host's run directory: print templates, the keypad's settings and the
// host's own settings lie below it.
#pragma once

#include <QString>

// ZP_RUN_PATH when set, else the folder of the running program; never ends
// with a separator.
QString GetZPRunPath();
