#pragma once

#include "base/module_export.h"

// The entry into everything that needs a display, in a module of its own: a command-line
// run without a display never loads the window libraries.
extern "C" {
// No parameters: the browser window. With parameters: the command-line mode with the
// desktop's message boxes and progress window. Returns the exit status.
TARVIX_EXPORT int TarvixWindowMain(int argc, char** argv);
}
