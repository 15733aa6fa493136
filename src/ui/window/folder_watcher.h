#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>
#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <optional>

class QFileSystemWatcher;

namespace tarvix {

// What a look at a file saw: enough to tell that it is another file, or was written since.
struct FileStamp {
    quint64 Device = 0;
    quint64 Inode = 0;
    qint64 Size = -1;
    qint64 ModifiedNs = 0;
    qint64 ChangedNs = 0;
    bool operator==(const FileStamp&) const = default;
};
// The stamp of the file at `path`, links followed; nothing when there is no regular file.
std::optional<FileStamp> StampOf(const QString& path);

// Keeps up with the pictures of the folder the window shows: what other programs add, remove,
// rename or write there (and in its subfolders, when asked) is reported a moment later, the
// changes of a burst (a camera import) together. The folders are watched by the system
// (inotify); when they cannot be (too many watches, a network folder), nothing is reported and
// the window works as it did without.
//
// Each report comes from a new listing of the folder on a thread of its own, compared with the
// last one: a file is new, gone, or changed when its stamp differs. A file whose stamp still
// moves between two looks is being written: it is reported once it stood still for a moment.
// What the window does itself (a turn, a rename, a delete) it tells the watcher (Absorb), so
// that its own work never comes back as news.
class FolderWatcher : public QObject {
    Q_OBJECT

public:
    // The JPEG files of a folder, as the window lists them; it should end soon after `stop`.
    using Lister = std::function<QStringList(const QString& folder, bool recursive, const std::atomic_bool& stop)>;

    explicit FolderWatcher(Lister lister = {}, QObject* parent = nullptr);
    void SetLister(Lister lister) { FLister = std::move(lister); }
    ~FolderWatcher() override;

    // From now on `folder`, whose files the window shows as `shown`. What differs between
    // `shown` and the folder's first listing is the first report.
    void Watch(const QString& folder, bool recursive, const QStringList& shown);
    void Stop();
    // Whether the system watches the folder (false also after Stop).
    bool Watching() const { return FWatching; }
    // While paused (a job of the window runs) nothing is reported; what came meanwhile is
    // reported after.
    void SetPaused(bool paused);
    // The window changed, made or removed the file itself: its state now is not news.
    void Absorb(const QString& path);

    // How long after the last event of a burst a listing is made, and the longest a burst
    // can put it off.
    static constexpr int QuietMs = 300;
    static constexpr int LongestWaitMs = 1000;
    // How long a file's stamp must stand still before it is taken as written.
    static constexpr int SettleMs = 500;
    // How long Stop waits for a listing in flight to end.
    static constexpr int StopWaitMs = 200;

signals:
    // In the listing's order; `changed` are files the window shows that were written since.
    void FolderChanged(const QStringList& added, const QStringList& removed, const QStringList& changed);

private:
    using Snapshot = QHash<QString, FileStamp>;
    struct Listing {
        QStringList Paths;
        Snapshot Stamps;
        QStringList Folders; // every folder watched, the top one first
    };

    void Noticed();
    void StartScan();
    void Scanned(quint64 generation, const Listing& listing);
    void WatchFolders(const QStringList& folders);

    Lister FLister;
    QFileSystemWatcher* FSystem = nullptr;
    QTimer FQuiet;
    QTimer FSettle;
    QElapsedTimer FBurst; // since the first event not yet listed
    QString FFolder;
    bool FRecursive = false;
    bool FWatching = false;
    bool FPaused = false;
    bool FWanted = false; // an event came that no listing has seen yet
    bool FScanning = false;
    bool FFirst = true; // the next listing is the first of this folder
    quint64 FGeneration = 0; // a listing of an earlier Watch is dropped
    std::shared_ptr<std::atomic_bool> FStop;
    std::shared_future<void> FScanEnded; // of the last listing started
    QSet<QString> FShown; // as the window knows them
    Snapshot FKnown; // as the last listing found the files the window shows
    Snapshot FMoving; // files whose stamp still moved at the last listing
};

} // namespace tarvix
