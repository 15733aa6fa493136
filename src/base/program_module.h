#pragma once

#include <string>

// The program's parts that are loaded on demand: beside the executable in a build tree,
// in the library folder of an installed program.
std::string ProgramModulePath(const char* fileName);

// Loads one of them for good and returns its entry `symbol`; null with `error` set when it
// cannot be found or loaded.
void* LoadProgramEntry(const char* fileName, const char* symbol, std::string& error);
