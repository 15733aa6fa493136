#include "platform/locked_file.h"

#include "platform/read_file.h"
#include "platform/safe_write.h"

#include <QFile>
#include <QThread>
#include <cerrno>
#include <sys/file.h>

namespace tarvix {

namespace {
constexpr std::chrono::milliseconds PollInterval(25);
} // namespace

LockedFile::Status LockedFile::Open(
    const QString& path, qint64 maxSize, std::chrono::milliseconds wait, Content content, const std::atomic<bool>* stop)
{
    const QByteArray encoded = QFile::encodeName(path);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        FFd = OpenRegularFile(path);
        if (!FFd.Valid())
            return Status::Unreadable;
        if (::flock(FFd.Get(), LOCK_EX | LOCK_NB) == 0) {
            // Whoever held the lock may have renamed a new file over this one: then the
            // file behind the path is the one to read.
            struct stat now { };
            if (::fstat(FFd.Get(), &FStat) != 0 || ::stat(encoded.constData(), &now) != 0)
                return Status::Unreadable;
            if (now.st_dev == FStat.st_dev && now.st_ino == FStat.st_ino)
                break;
        } else if (errno != EWOULDBLOCK) {
            return Status::Unreadable;
        }
        FFd.Reset();
        if (std::chrono::steady_clock::now() >= deadline || (stop && stop->load()))
            return Status::Busy;
        QThread::msleep(PollInterval.count());
    }
    if (RestoreInterruptedOverwrite(path) != 0 || ::fstat(FFd.Get(), &FStat) != 0)
        return Status::Unreadable;
    if (content == Content::LockOnly)
        return Status::Ok;
    return ReadWholeFile(FFd.Get(), maxSize, FBytes) ? Status::Ok : Status::Unreadable;
}

} // namespace tarvix
