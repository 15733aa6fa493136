#include "platform/process_folder.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tarvix {

namespace {

constexpr char LockSuffix[] = ".lock";

// Makes the missing folders of `path` with mode 0700, and checks the last: a folder of
// another user is never used, one of ours that others may enter is made private first.
bool MakePrivateFolder(const std::string& path)
{
    if (path.empty() || path.front() != '/')
        return false;
    for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1))
        ::mkdir(path.substr(0, at).c_str(), 0700);
    ::mkdir(path.c_str(), 0700);
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    return (st.st_mode & 07777) == 0700 || ::chmod(path.c_str(), 0700) == 0;
}

// True while the file at `path` is the one open as `fd`: a cleaner may have removed the
// name between its opening and its locking.
bool StillNamed(int fd, const std::string& path)
{
    struct stat open { };
    struct stat named { };
    return ::fstat(fd, &open) == 0 && ::lstat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev
        && open.st_ino == named.st_ino;
}

bool EndsWithLock(const std::string& name)
{
    const size_t suffix = sizeof(LockSuffix) - 1;
    return name.size() > suffix && name.compare(name.size() - suffix, suffix, LockSuffix) == 0;
}

} // namespace

std::unique_ptr<ProcessFolder> ProcessFolder::Create(const QString& root)
{
    const std::string base = QFile::encodeName(root).toStdString();
    if (!MakePrivateFolder(base))
        return nullptr;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string name = std::to_string(::getpid()) + '-'
            + QByteArray::number(QRandomGenerator::global()->generate(), 16).toStdString();
        const std::string lockPath = base + '/' + name + LockSuffix;
        const std::string folder = base + '/' + name;
        // The lock comes first, so that a folder is never without one while its process lives.
        UniqueFd lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!lock.Valid()) {
            if (errno == EEXIST)
                continue;
            return nullptr;
        }
        if (::flock(lock.Get(), LOCK_EX | LOCK_NB) != 0 || !StillNamed(lock.Get(), lockPath))
            continue;
        if (::mkdir(folder.c_str(), 0700) != 0) {
            ::unlink(lockPath.c_str());
            if (errno == EEXIST)
                continue;
            return nullptr;
        }
        std::unique_ptr<ProcessFolder> made(new ProcessFolder);
        made->FPath = QFile::decodeName(QByteArray::fromStdString(folder));
        made->FLockPath = QFile::decodeName(QByteArray::fromStdString(lockPath));
        made->FLock = std::move(lock);
        return made;
    }
    return nullptr;
}

ProcessFolder::~ProcessFolder()
{
    QDir(FPath).removeRecursively();
    ::unlink(QFile::encodeName(FLockPath).constData());
}

void ProcessFolder::RemoveAbandoned(const QString& root)
{
    const std::string base = QFile::encodeName(root).toStdString();
    DIR* folder = ::opendir(base.c_str());
    if (!folder)
        return;
    std::vector<std::string> locks;
    std::vector<std::string> folders;
    while (const dirent* item = ::readdir(folder)) {
        const std::string name = item->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st { };
        if (::fstatat(::dirfd(folder), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISREG(st.st_mode) && EndsWithLock(name))
            locks.push_back(name);
        else if (S_ISDIR(st.st_mode))
            folders.push_back(name);
    }
    ::closedir(folder);

    const auto removeFolder = [&](const std::string& name) {
        QDir(QFile::decodeName(QByteArray::fromStdString(base + '/' + name))).removeRecursively();
    };
    for (const std::string& name : locks) {
        const std::string lockPath = base + '/' + name;
        const UniqueFd lock(::open(lockPath.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        if (!lock.Valid() || ::flock(lock.Get(), LOCK_EX | LOCK_NB) != 0 || !StillNamed(lock.Get(), lockPath))
            continue; // its process runs, or another cleaner is at it
        removeFolder(name.substr(0, name.size() - (sizeof(LockSuffix) - 1)));
        ::unlink(lockPath.c_str());
    }
    // A folder whose lock is gone lost its process, and its cleaner was cut short.
    for (const std::string& name : folders) {
        struct stat st { };
        if (::lstat((base + '/' + name + LockSuffix).c_str(), &st) != 0 && errno == ENOENT)
            removeFolder(name);
    }
}

} // namespace tarvix
