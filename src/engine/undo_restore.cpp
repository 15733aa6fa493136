#include "engine/undo_restore.h"

#include "engine/log_categories.h"
#include "platform/locked_file.h"
#include "platform/read_file.h"
#include "platform/safe_write.h"
#include "platform/thumbnail_cache.h"

#include <QFile>
#include <chrono>
#include <cstring>

namespace tarvix {

namespace {

// How long an undo waits for a file that another run is turning.
constexpr std::chrono::milliseconds BusyWait(2000);

RestoreOutcome Fail(const RecordedFile& file, const QString& why, QString* details)
{
    qCWarning(TransformLog, "%s not restored: %s", qUtf8Printable(file.Path), qUtf8Printable(why));
    if (details)
        *details = why;
    return RestoreOutcome::Failed;
}

QString SystemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

RestoreOutcome RestoreRecordedFile(const RecordedFile& file, QString* details,
    const std::function<void(QByteArrayView content, const struct stat& now)>& restored)
{
    // Opening undoes an overwrite in place that was cut short, so that what is compared is
    // a whole file.
    LockedFile locked;
    switch (locked.Open(file.Path, MaxPictureFileSize, BusyWait, LockedFile::Content::LockOnly)) {
    case LockedFile::Status::Ok:
        break;
    case LockedFile::Status::Busy:
        return Fail(file, QStringLiteral("another run is turning it"), details);
    case LockedFile::Status::Unreadable:
        return RestoreOutcome::Changed; // gone, or no longer a file we may read
    }
    const struct stat now = locked.Stat();
    if (!StillAsWritten(now, file.Written))
        return RestoreOutcome::Changed;
    QByteArray content;
    if (!ReadWholeFile(locked.Fd(), MaxPictureFileSize, content))
        return Fail(file, QStringLiteral("cannot read it"), details);
    if (ContentHash(content, file.Pieces) != file.Hash)
        return RestoreOutcome::Changed;
    content = {};

    QByteArray original;
    const UniqueFd copy = OpenRegularFile(file.Copy);
    if (!copy.Valid() || !ReadWholeFile(copy.Get(), MaxPictureFileSize, original) || original.size() != file.CopySize)
        return Fail(file, "the copy " + file.Copy + " is lost", details);

    ReplaceOptions replace;
    replace.Expected = now;
    replace.Times = file.Times;
    int timesError = 0;
    if (const int error = ReplaceFileContent(file.Path, { QByteArrayView(original) }, replace, &timesError))
        return Fail(file, SystemError(error), details);
    if (timesError != 0)
        qCWarning(TransformLog, "%s restored with new times: %s", qUtf8Printable(file.Path),
            qUtf8Printable(SystemError(timesError)));
    // The permissions the turn took away (read-only); after the content, so that a read-only
    // file is not written through.
    if ((now.st_mode & 07777) != file.Mode && ::chmod(QFile::encodeName(file.Path).constData(), file.Mode) != 0)
        qCWarning(TransformLog, "%s keeps its permissions: %s", qUtf8Printable(file.Path),
            qUtf8Printable(SystemError(errno)));
    ForgetCachedThumbnails(file.Path);
    struct stat after { };
    if (restored && ::stat(QFile::encodeName(file.Path).constData(), &after) == 0)
        restored(original, after);
    return RestoreOutcome::Restored;
}

} // namespace tarvix
