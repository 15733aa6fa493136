#pragma once

// The program's modules are built with hidden symbols; only their entries, looked up by
// name when a module is loaded, are visible from outside.
#define TARVIX_EXPORT __attribute__((visibility("default")))
