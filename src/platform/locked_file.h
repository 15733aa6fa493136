#pragma once

#include "base/unique_fd.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <chrono>
#include <sys/stat.h>

namespace tarvix {

// Pictures larger than this are not read into memory for a transform.
constexpr qint64 MaxPictureFileSize = qint64(1) << 31;

// A file read whole for a transform, under an exclusive advisory lock that every run of the
// program takes, so that two of them never turn one picture at once. The lock lasts as long
// as the object.
class LockedFile {
public:
    enum class Status { Ok, Unreadable, Busy };
    enum class Content { Read, LockOnly };

    // Opens the regular file `path` (links followed), locks it and reads it whole. A file
    // another run holds is waited for up to `wait`, then Busy. Should the path lead to
    // another file once the lock is had (the other run put its result in place), that one
    // is opened instead. An overwrite in place that was cut short is undone first. With
    // LockOnly nothing is read: the caller read the file before and compares Stat(). Setting
    // `stop` ends a wait early, as Busy.
    Status Open(const QString& path, qint64 maxSize, std::chrono::milliseconds wait, Content content = Content::Read,
        const std::atomic<bool>* stop = nullptr);
    int Fd() const { return FFd.Get(); }

    const QByteArray& Bytes() const { return FBytes; }
    // The file as it was read, for ReplaceOptions::Expected.
    const struct stat& Stat() const { return FStat; }

private:
    UniqueFd FFd;
    QByteArray FBytes;
    struct stat FStat { };
};

} // namespace tarvix
