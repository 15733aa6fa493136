#pragma once

// Loads the window module and runs its entry. Reports on stderr and returns 1 when the
// module cannot be found or loaded.
int RunWindowModule(int argc, char** argv);
