#pragma once

#include "base/module_export.h"

// The program behind the launcher, in a module of its own (see tarvix.cpp).
extern "C" {
// The browser window without parameters, the command-line mode with them. Returns the
// exit status.
TARVIX_EXPORT int TarvixMain(int argc, char** argv);
}
