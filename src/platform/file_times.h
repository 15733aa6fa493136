#pragma once

#include <sys/stat.h>

namespace tarvix {

// Access and modification times, to the nanosecond. Linux has no settable birth time.
struct FileTimes {
    timespec Access {};
    timespec Modification {};
};

inline bool SameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The same file with the same content as far as its status tells: device, inode, size and
// modification time. The change time is left out: a mode change (read-only cleared) moves it.
inline bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size && SameTime(a.st_mtim, b.st_mtim);
}

} // namespace tarvix
