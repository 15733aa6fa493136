#pragma once

#include "platform/unique_fd.h"

#include <QByteArray>
#include <QString>

// Reads the whole regular file behind `fd` (from its start) into `into`; false when it is
// no regular file, is larger than `maxSize` or cannot be read completely.
bool ReadWholeFile(int fd, qint64 maxSize, QByteArray& into);

// Opens a regular file for reading; invalid for anything else, so that a FIFO or a device
// named like a photo can neither block the caller nor feed it without end.
UniqueFd OpenRegularFile(const QString& path);
