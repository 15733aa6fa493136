#pragma once

#include <sys/stat.h>

namespace tarvix {

// Access and modification times, to the nanosecond. Linux has no settable birth time.
struct FileTimes {
    timespec Access {};
    timespec Modification {};
};

} // namespace tarvix
