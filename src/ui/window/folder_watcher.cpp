#include "ui/window/folder_watcher.h"

#include "platform/log_categories.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QFileSystemWatcher>
#include <QFuture>
#include <QPromise>
#include <chrono>
#include <future>
#include <sys/stat.h>
#include <thread>
#include <utility>

namespace tarvix {

namespace {

// Far more than any photo folder holds; a tree with more is watched at its top levels only.
constexpr int MaxWatchedFolders = 4096;

qint64 Nanoseconds(const timespec& t)
{
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

qint64 NowNs()
{
    return QDateTime::currentMSecsSinceEpoch() * 1000000;
}

// Written to lately: perhaps still being written. A time far in the future (a clock that
// differs on a network folder) would never settle, and counts as settled.
bool StillMoving(const FileStamp& stamp, qint64 now)
{
    const qint64 age = now - stamp.ModifiedNs;
    return age >= 0 && age < qint64(FolderWatcher::SettleMs) * 1000000;
}

} // namespace

std::optional<FileStamp> StampOf(const QString& path)
{
    struct stat st { };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return FileStamp { quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size), Nanoseconds(st.st_mtim),
        Nanoseconds(st.st_ctim) };
}

FolderWatcher::FolderWatcher(Lister lister, QObject* parent)
    : QObject(parent)
    , FLister(std::move(lister))
{
    FQuiet.setSingleShot(true);
    FSettle.setSingleShot(true);
    FSettle.setInterval(SettleMs);
    connect(&FQuiet, &QTimer::timeout, this, &FolderWatcher::StartScan);
    connect(&FSettle, &QTimer::timeout, this, &FolderWatcher::Noticed);
}

FolderWatcher::~FolderWatcher()
{
    Stop();
}

void FolderWatcher::Watch(const QString& folder, bool recursive, const QStringList& shown)
{
    Stop();
    FFolder = folder;
    FRecursive = recursive;
    FShown = QSet<QString>(shown.begin(), shown.end());
    FFirst = true;
    FSystem = new QFileSystemWatcher(this);
    connect(FSystem, &QFileSystemWatcher::directoryChanged, this, &FolderWatcher::Noticed);
    FWatching = FSystem->addPath(folder);
    if (!FWatching) {
        qCInfo(WatchLog, "%s is not watched: pictures other programs add show after Refresh", qUtf8Printable(folder));
        return;
    }
    // The first listing finds the stamps to compare with, and what came during the load.
    FWanted = true;
    StartScan();
}

void FolderWatcher::Stop()
{
    ++FGeneration;
    if (FStop)
        *FStop = true;
    // A listing told to stop ends at its next entry: it is waited for a moment, so that no
    // thread of a watch outlives it. One that hangs in the kernel is left to end by itself.
    if (FScanEnded.valid())
        FScanEnded.wait_for(std::chrono::milliseconds(StopWaitMs));
    FScanEnded = {};
    FStop.reset();
    delete FSystem;
    FSystem = nullptr;
    FWatching = false;
    FWanted = false;
    FScanning = false;
    FQuiet.stop();
    FSettle.stop();
    FBurst.invalidate();
    FKnown.clear();
    FMoving.clear();
    FShown.clear();
}

void FolderWatcher::SetPaused(bool paused)
{
    if (paused == FPaused)
        return;
    FPaused = paused;
    if (!paused && FWanted)
        Noticed();
}

void FolderWatcher::Absorb(const QString& path)
{
    if (!FWatching)
        return;
    if (const std::optional<FileStamp> stamp = StampOf(path)) {
        FShown.insert(path);
        FKnown.insert(path, *stamp);
    } else {
        FShown.remove(path);
        FKnown.remove(path);
    }
    FMoving.remove(path);
    // A listing in flight may have seen the file as it was: it is taken again.
    if (FScanning) {
        *FStop = true;
        ++FGeneration;
        FScanning = false;
        FWanted = true;
        Noticed();
    }
}

void FolderWatcher::Noticed()
{
    if (!FWatching)
        return;
    FWanted = true;
    if (!FBurst.isValid())
        FBurst.start();
    if (FPaused)
        return;
    // A burst that goes on is listed now and then, not only after its end.
    const qint64 left = LongestWaitMs - FBurst.elapsed();
    FQuiet.start(int(qBound(qint64(0), left, qint64(QuietMs))));
}

void FolderWatcher::StartScan()
{
    if (!FWatching || FPaused || FScanning || !FWanted)
        return;
    FScanning = true;
    FWanted = false;
    FBurst.invalidate();
    FStop = std::make_shared<std::atomic_bool>(false);

    // On a thread of its own, as the window's listing: a dead network folder may hang it for
    // minutes, and then it is left to end by itself, its result unused.
    QPromise<Listing> promise;
    QFuture<Listing> future = promise.future();
    promise.start();
    std::promise<void> ended;
    FScanEnded = ended.get_future().share();
    std::thread([promise = std::move(promise), ended = std::move(ended), lister = FLister, folder = FFolder,
                    recursive = FRecursive, stop = FStop]() mutable {
        Listing listing;
        listing.Paths = lister(folder, recursive, *stop);
        listing.Stamps.reserve(listing.Paths.size());
        for (const QString& path : listing.Paths) {
            if (*stop)
                break;
            if (const std::optional<FileStamp> stamp = StampOf(path))
                listing.Stamps.insert(path, *stamp);
        }
        listing.Folders.append(folder);
        if (recursive) {
            QDirIterator folders(folder, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks,
                QDirIterator::Subdirectories);
            while (!*stop && folders.hasNext() && listing.Folders.size() < MaxWatchedFolders)
                listing.Folders.append(folders.next());
        }
        promise.addResult(std::move(listing));
        promise.finish();
        ended.set_value();
    }).detach();
    future.then(this, [this, generation = FGeneration](const Listing& listing) { Scanned(generation, listing); });
}

void FolderWatcher::Scanned(quint64 generation, const Listing& listing)
{
    if (generation != FGeneration)
        return;
    FScanning = false;
    WatchFolders(listing.Folders);

    const qint64 now = NowNs();
    QStringList added, removed, changed;
    bool moving = false;
    const QSet<QString> listed(listing.Paths.begin(), listing.Paths.end());
    for (const QString& path : std::as_const(FShown))
        if (!listed.contains(path))
            removed.append(path);
    for (const QString& path : listing.Paths) {
        const auto stamp = listing.Stamps.constFind(path);
        if (stamp == listing.Stamps.cend())
            continue; // gone between the listing and its look
        const bool shown = FShown.contains(path);
        const auto known = FKnown.constFind(path);
        // A shown file the first listing finds is taken as the window showed it.
        if (shown && (known == FKnown.cend() ? FFirst : *known == *stamp)) {
            FKnown.insert(path, *stamp);
            continue;
        }
        if (StillMoving(*stamp, now)) {
            moving = true;
            FMoving.insert(path, *stamp);
            continue;
        }
        FMoving.remove(path);
        FKnown.insert(path, *stamp);
        (shown ? changed : added).append(path);
    }
    for (const QString& path : std::as_const(removed)) {
        FShown.remove(path);
        FKnown.remove(path);
        FMoving.remove(path);
    }
    for (const QString& path : std::as_const(added))
        FShown.insert(path);
    FFirst = false;
    if (moving)
        FSettle.start();
    if (FWanted)
        Noticed();
    if (!added.isEmpty() || !removed.isEmpty() || !changed.isEmpty())
        emit FolderChanged(added, removed, changed);
}

void FolderWatcher::WatchFolders(const QStringList& folders)
{
    if (!FSystem)
        return;
    const QStringList watched = FSystem->directories();
    const QSet<QString> wanted(folders.begin(), folders.end());
    QStringList gone;
    for (const QString& folder : watched)
        if (!wanted.contains(folder))
            gone.append(folder);
    if (!gone.isEmpty())
        FSystem->removePaths(gone);
    const QSet<QString> have(watched.begin(), watched.end());
    QStringList fresh;
    for (const QString& folder : folders)
        if (!have.contains(folder))
            fresh.append(folder);
    if (fresh.isEmpty())
        return;
    const QStringList refused = FSystem->addPaths(fresh);
    if (!refused.isEmpty())
        qCInfo(WatchLog, "%lld folders are not watched (the system's limit of watches?)",
            static_cast<long long>(refused.size()));
}

} // namespace tarvix
