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
    quint64 Hash = 0; // of the content written (ContentHash)
    QList<qsizetype> Pieces; // the sizes of the pieces it was hashed in
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

// Tells a content from another within this process, which is all an undo step lives for. Qt's
// own hash runs at several gigabytes a second, some seven times the fastest of
// QCryptographicHash (SHA-1) here, and a turn pays for it with every file. Collisions made
// on purpose are beside the point: whoever can write the file can change it after the undo
// as well. The pieces are chained, so the same content in other pieces hashes otherwise.
quint64 ContentHash(const QList<QByteArrayView>& pieces);
// The hash of `content` cut into pieces of the sizes `pieces`; 0 when they do not add up.
quint64 ContentHash(QByteArrayView content, const QList<qsizetype>& pieces);

} // namespace tarvix
