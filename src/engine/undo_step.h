#pragma once

#include "platform/file_times.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <sys/stat.h>

namespace tarvix {

// One file as a step wrote it, and where the bytes it had before are kept.
struct RecordedFile {
    QString Path;
    QString Copy; // the bytes before, exactly
    qint64 CopySize = 0;
    FileTimes Times; // access and modification time before
    mode_t Mode = 0; // permission bits before (a turn makes a read-only file writable)
    struct stat Written { }; // right after the write
    QByteArray Hash; // of the content written (ContentHash)
};

// The files one turn or one folder correction wrote, in the order they were written.
struct UndoStep {
    int Number = 0;
    QString Folder; // holds the copies and nothing else
    QList<RecordedFile> Files;
    qint64 Bytes = 0; // of the copies
};

// The file is still the one the step wrote: same device, inode, size, modification time and
// change time. The change time catches a program that writes in place and puts the old
// modification time back.
bool StillAsWritten(const struct stat& now, const struct stat& written);

// Tells a content from another; SHA-1 for its speed, which is several times that of the
// other hashes at hand. Collisions made on purpose are beside the point: whoever can write
// the file can change it after the undo as well.
QByteArray ContentHash(const QList<QByteArrayView>& pieces);

} // namespace tarvix
