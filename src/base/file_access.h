#pragma once

#include "base/unique_fd.h"

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace tarvix {

// Opens a regular file for reading; invalid for anything else, so that a FIFO or a device
// named like a photo can neither block the caller nor feed it without end. Reading through it
// leaves the file's access time as it was where the system allows (O_NOATIME).
UniqueFd OpenRegularFile(const char* path);

// Reads up to `size` bytes at `offset`, as many as there are: fewer only at the file's end
// or on an error.
size_t ReadAt(int fd, void* into, size_t size, off_t offset);

// The running program's executable, links resolved; empty when it cannot be read.
std::string ExecutableFile();

} // namespace tarvix
