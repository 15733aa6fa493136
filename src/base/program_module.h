#pragma once

#include <string>

namespace tarvix {

// The program's parts that are loaded on demand: beside the executable in a build tree,
// in the library folder of an installed program.
std::string ProgramModulePath(const char* fileName);

// Loads one of them for good and runs its entry `symbol`, an `int (int argc, char** argv)`,
// returning its result. When the module cannot be found or loaded, says so on stderr after
// `what` and returns `failureStatus`.
int RunProgramModule(
    const char* fileName, const char* symbol, int argc, char** argv, const char* what, int failureStatus);

} // namespace tarvix
