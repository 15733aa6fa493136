#include "platform/private_thumbnail_cache.h"

#include "base/unique_fd.h"
#include "platform/log_categories.h"
#include "platform/read_file.h"
#include "platform/temp_file.h"
#include "platform/xdg_folders.h"

#include <QCryptographicHash>
#include <QFile>
#include <QThreadPool>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tarvix {

namespace {

constexpr char EntrySuffix[] = ".thumb";
constexpr char TemporaryPrefix[] = ".new-";
// Masters of the largest cells are a few hundred kilobytes; anything much bigger under an
// entry's name was not written by us and is not worth reading.
constexpr qint64 MaxEntryBytes = 16 << 20;
// A temporary file this old belongs to no write still running.
constexpr int64_t AbandonedAfterSeconds = 3600;
// Between trims the cache grows by at most this share of its limit.
constexpr qint64 TrimEveryShare = 16;

// Makes the missing folders of `path` with mode 0700, as the base-directory rules want for
// the cache home too.
void MakePrivatePath(const std::string& path)
{
    for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1))
        ::mkdir(path.substr(0, at).c_str(), 0700);
    ::mkdir(path.c_str(), 0700);
}

// Makes the folder, or checks the one there. A link to a folder elsewhere is the user's
// choice and is followed; a folder of another user is never used, and one of ours that
// others may read or write (made by hand, or by a copy) is made private first, or not used
// when that fails.
bool MakePrivateFolder(const std::string& folder)
{
    if (folder.empty() || folder.front() != '/')
        return false;
    MakePrivatePath(folder);
    struct stat st { };
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    return (st.st_mode & 07777) == 0700 || ::chmod(folder.c_str(), 0700) == 0;
}

bool EndsWith(const char* name, const char* suffix)
{
    const size_t length = std::strlen(name);
    const size_t suffixLength = std::strlen(suffix);
    return length >= suffixLength && std::strcmp(name + length - suffixLength, suffix) == 0;
}

int64_t Seconds(const timespec& t)
{
    return int64_t(t.tv_sec);
}

} // namespace

QString PrivateThumbnailCache::DefaultFolder()
{
    return XdgCacheHome() + QStringLiteral("/tarvix");
}

PrivateThumbnailCache::PrivateThumbnailCache(QString folder, qint64 limitBytes)
    : FFolder(std::move(folder))
    , FEncodedFolder(QFile::encodeName(FFolder).toStdString())
    , FLimit(limitBytes < 0 ? 0 : limitBytes)
{
}

QString PrivateThumbnailCache::EntryName(const QString& absolutePath, bool highQuality)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(highQuality ? QByteArrayView("high\0", 5) : QByteArrayView("low\0", 4));
    hash.addData(absolutePath.toUtf8());
    return QString::fromLatin1(hash.result().toHex()) + QLatin1String(EntrySuffix);
}

bool PrivateThumbnailCache::Usable()
{
    if (const FolderState known = FFolderState; known != FolderState::Unknown)
        return known == FolderState::Usable;
    const std::lock_guard<std::mutex> lock(FFolderMutex);
    if (const FolderState known = FFolderState; known != FolderState::Unknown)
        return known == FolderState::Usable;
    const bool usable = MakePrivateFolder(FEncodedFolder);
    if (!usable)
        qCWarning(CacheLog, "thumbnails are not cached: %s is no private folder of ours and cannot be made one",
            FEncodedFolder.c_str());
    FFolderState = usable ? FolderState::Usable : FolderState::Unusable;
    return usable;
}

std::string PrivateThumbnailCache::PathOf(const QString& name) const
{
    return FEncodedFolder + '/' + QFile::encodeName(name).toStdString();
}

QByteArray PrivateThumbnailCache::Read(const QString& name)
{
    if (!Enabled() || !Usable())
        return {};
    // No links, and without O_NONBLOCK a FIFO planted under the name would wait for a writer.
    const std::string path = PathOf(name);
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd.Valid()) {
        if (errno != ENOENT)
            qCWarning(CacheLog, "thumbnail cache entry %s refused: %s", path.c_str(), std::strerror(errno));
        return {};
    }
    struct stat st { };
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || st.st_size > MaxEntryBytes) {
        qCWarning(CacheLog, "thumbnail cache entry %s refused: not a file of ours of a sensible size", path.c_str());
        return {};
    }
    QByteArray bytes;
    if (!ReadWholeFile(fd.Get(), MaxEntryBytes, bytes)) {
        qCWarning(CacheLog, "thumbnail cache entry %s unreadable: %s", path.c_str(), std::strerror(errno));
        return {};
    }
    return bytes;
}

void PrivateThumbnailCache::Touch(const QString& name)
{
    if (Enabled() && Usable())
        ::utimensat(AT_FDCWD, PathOf(name).c_str(), nullptr, AT_SYMLINK_NOFOLLOW);
}

bool PrivateThumbnailCache::Write(const QString& name, QByteArrayView bytes)
{
    if (!Enabled() || !Usable())
        return false;
    // A name of its own for every write, so that writers of one entry (two workers, two
    // windows) never share a temporary file; the last rename wins, and each is whole.
    std::string temporary = FEncodedFolder + '/' + TemporaryPrefix + "XXXXXX";
    const UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.Valid()) {
        const int error = errno;
        qCWarning(CacheLog, "thumbnail cache entry %s not written: %s", PathOf(name).c_str(), std::strerror(error));
        // The folder may have been removed under us: look again at the next write.
        if (error == ENOENT)
            FFolderState = FolderState::Unknown;
        return false;
    }
    // No fsync: an entry lost in a crash is only a miss, and a cut one fails its checksum.
    int error = WriteAll(fd.Get(), bytes.data(), size_t(bytes.size()));
    if (error == 0 && ::rename(temporary.c_str(), PathOf(name).c_str()) != 0)
        error = errno;
    if (error != 0) {
        qCWarning(CacheLog, "thumbnail cache entry %s not written: %s", PathOf(name).c_str(), std::strerror(error));
        ::unlink(temporary.c_str());
        return false;
    }
    TrimWhenDue(bytes.size());
    return true;
}

void PrivateThumbnailCache::TrimWhenDue(qint64 written)
{
    const qint64 since = FWrittenSinceTrim.fetch_add(written) + written;
    // The first write of a run trims too: the limit may have been lowered since the last.
    if ((since < Limit() / TrimEveryShare && FTrimmedOnce) || FTrimPending.exchange(true))
        return;
    FTrimmedOnce = true;
    const std::shared_ptr<PrivateThumbnailCache> self = weak_from_this().lock();
    const auto trim = [this] {
        FTrimPending = false;
        Trim();
    };
    if (self)
        QThreadPool::globalInstance()->start([self, trim] { trim(); });
    else
        trim();
}

void PrivateThumbnailCache::Trim()
{
    const std::lock_guard<std::mutex> lock(FTrimMutex);
    if (!Enabled() || !Usable())
        return;
    FWrittenSinceTrim = 0;
    DIR* folder = ::opendir(FEncodedFolder.c_str());
    if (!folder) {
        qCWarning(CacheLog, "thumbnail cache %s not trimmed: %s", FEncodedFolder.c_str(), std::strerror(errno));
        return;
    }
    struct Found {
        timespec Used;
        qint64 Size;
        std::string Name;
    };
    std::vector<Found> entries;
    qint64 total = 0;
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const int folderFd = ::dirfd(folder);
    while (const dirent* item = ::readdir(folder)) {
        const bool entry = EndsWith(item->d_name, EntrySuffix);
        const bool temporary = std::strncmp(item->d_name, TemporaryPrefix, sizeof(TemporaryPrefix) - 1) == 0;
        struct stat st { };
        if ((!entry && !temporary) || ::fstatat(folderFd, item->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0
            || !S_ISREG(st.st_mode))
            continue;
        if (temporary) {
            if (Seconds(now) - Seconds(st.st_mtim) > AbandonedAfterSeconds)
                ::unlinkat(folderFd, item->d_name, 0);
            continue;
        }
        // What the entry takes on the disk, which is what a user who sets the limit counts.
        const qint64 size = std::max<qint64>(st.st_size, qint64(st.st_blocks) * 512);
        entries.push_back({ st.st_mtim, size, item->d_name });
        total += size;
    }
    if (total > Limit()) {
        std::sort(entries.begin(), entries.end(), [](const Found& a, const Found& b) {
            if (a.Used.tv_sec != b.Used.tv_sec)
                return a.Used.tv_sec < b.Used.tv_sec;
            if (a.Used.tv_nsec != b.Used.tv_nsec)
                return a.Used.tv_nsec < b.Used.tv_nsec;
            return a.Name < b.Name;
        });
        for (const Found& found : entries) {
            if (total <= Limit())
                break;
            if (::unlinkat(folderFd, found.Name.c_str(), 0) == 0 || errno == ENOENT)
                total -= found.Size;
            else
                qCWarning(CacheLog, "thumbnail cache entry %s/%s not trimmed: %s", FEncodedFolder.c_str(),
                    found.Name.c_str(), std::strerror(errno));
        }
    }
    ::closedir(folder);
}

} // namespace tarvix
