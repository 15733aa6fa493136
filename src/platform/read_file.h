#pragma once

#include "base/file_access.h"

#include <QByteArray>
#include <QString>

namespace tarvix {

// Reads the whole regular file behind `fd` (from its start) into `into`; false when it is
// no regular file, is larger than `maxSize` or cannot be read completely.
bool ReadWholeFile(int fd, qint64 maxSize, QByteArray& into);

// OpenRegularFile (base/file_access.h) for a path as the program spells it.
UniqueFd OpenRegularFile(const QString& path);

} // namespace tarvix
