#pragma once

#include <QByteArray>

// Reads the whole regular file behind `fd` (from its start) into `into`; false when it is
// no regular file, is larger than `maxSize` or cannot be read completely.
bool ReadWholeFile(int fd, qint64 maxSize, QByteArray& into);
