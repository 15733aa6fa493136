#pragma once

#include <QString>
#include <optional>
#include <sys/stat.h>

namespace tarvix {

// Access and modification times, to the nanosecond. Linux has no settable birth time.
struct FileTimes {
    timespec Access {};
    timespec Modification {};
};

// The times of the file a path leads to (links followed); nothing when it cannot be read.
std::optional<FileTimes> ReadFileTimes(const QString& path);

// Sets both times; 0 on success, otherwise the errno of the refusal.
int WriteFileTimes(const QString& path, const FileTimes& times);

} // namespace tarvix
