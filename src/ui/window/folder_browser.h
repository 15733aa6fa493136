#pragma once

#include "ui/grid/thumbnail_model.h"
#include "ui/thumbnails/thumbnail_maker.h"
#include "ui/window/folder_watcher.h"

#include <QObject>
#include <QSet>
#include <QStringList>
#include <QThreadPool>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace tarvix {

class BusyState;
class DelayedProgress;
class Dialogs;
class PrivateThumbnailCache;
class TLanguage;
class TStatusBar;
class TThumbnailGrid;

// The folder shown and its thumbnails: the listing on a thread of its own, the thumbnails made
// ahead on workers while the load counts them, and the thumbnails remade after a change, at a
// low priority and coalesced. Owns the grid's model and the private thumbnail cache. Keeps up
// with what other programs change in the folder shown, and says what to do on an empty grid.
class FolderBrowser : public QObject {
    Q_OBJECT

public:
    using MakeThumbnail = std::function<Thumbnail(const QString& path, ThumbnailCell cell, ThumbnailOptions options)>;
    // The JPEG files of a folder; it should end soon after `stop` is set.
    using ListFolder = std::function<QStringList(const QString& folder, bool recursive, const std::atomic_bool& stop)>;

    // Empty functions and folder take the defaults of a real run.
    FolderBrowser(MakeThumbnail maker, ListFolder list, const QString& cacheFolder, Dialogs& questions,
        TLanguage& language, BusyState& busy, QObject* parent = nullptr);
    ~FolderBrowser() override;

    // What the loads show in and read their options from; set once, before the first load.
    struct View {
        TThumbnailGrid* Grid = nullptr;
        TStatusBar* Status = nullptr;
        std::function<ThumbnailOptions()> Options;
        std::function<bool()> IncludeSubfolders;
    };
    void SetView(View view);
    // The texts of the language now: the grid's hint and the tagged pictures' description.
    void Retranslate();

    ThumbnailModel& Images() { return FImages; }
    const ThumbnailModel& Images() const { return FImages; }
    QString CurrentFolder() const { return FCurrentFolder; }
    void SetCurrentFolder(const QString& folder) { FCurrentFolder = folder; }
    // The cell the thumbnails shown were made for.
    ThumbnailCell ThumbnailsCell() const { return FThumbnailsCell; }
    QString FileCountText() const;

    void Load(const QString& folder);
    // Fits the cells to the grid's width and loads the current folder again, if the window shows.
    void Rebuild();
    void Clear();
    // Remakes the thumbnail of a file of the grid on a worker and shows it when it is made;
    // requests for one file that come together make it once.
    void RefreshThumbnail(const QString& path);
    // The window changed the file itself (a turn, a rename, a delete): no news for the
    // folder's watch. RefreshThumbnail tells it too.
    void Absorb(const QString& path) { FWatcher.Absorb(path); }
    // While a job runs the folder's news wait, and so do the thumbnails a turn asks to be
    // remade: a turn of many files has every core busy, and they come at its end.
    void SetJobRunning(bool running);
    bool Watching() const { return FWatcher.Watching(); }
    // Whether a remade thumbnail is still to come.
    bool RefreshPending() const { return !FRefreshWanted.isEmpty() || !FRefreshing.isEmpty(); }

    // Runs a search for files on a thread of its own, showing `progress` when it takes a
    // while; nothing when the user cancelled or closed the window meanwhile.
    std::optional<QStringList> RunSearch(
        const std::function<QStringList(const std::atomic_bool& stop)>& search, DelayedProgress& progress);
    const ListFolder& Lister() const { return FList; }

    qint64 CacheLimit() const;
    void SetCacheLimit(qint64 bytes);

signals:
    // A load begins for `folder`.
    void FolderChanged(const QString& folder);
    // A load is over, its thumbnails shown, the first cell the current one.
    void Shown();
    // Other programs changed the folder: the grid's cells moved; this cell is now the current
    // one, and the file count changed.
    void CellsMoved(int column, int row);

private:
    QStringList ListFolderCancellably(const QString& folder, bool recursive, DelayedProgress& progress);
    void ScheduleRefreshes();
    void StartRefreshes();
    // What other programs did in the folder: new cells in the grid's order, cells gone,
    // thumbnails remade; the chosen file stays chosen where it is still there.
    void FolderChangedOutside(const QStringList& added, const QStringList& removed, const QStringList& changed);
    void ShowHint();

    MakeThumbnail FMaker;
    ListFolder FList;
    Dialogs& FQuestions;
    TLanguage& FLanguage;
    BusyState& FBusy;
    View FView;
    ThumbnailModel FImages; // the grid's model: it owns the thumbnails
    QString FCurrentFolder;
    QThreadPool FThumbnailPool;
    QThreadPool FRefreshPool; // thumbnails remade after a change, at a low priority
    // The default maker's cache; its size limit is a setting. Shared with the makes in flight.
    std::shared_ptr<PrivateThumbnailCache> FThumbnailCache;
    ThumbnailCell FThumbnailsCell;
    QSet<QString> FRefreshWanted; // thumbnails to remake, not yet handed to a worker
    QSet<QString> FRefreshing; // thumbnails being remade
    bool FRefreshScheduled = false;
    FolderWatcher FWatcher;
    bool FFolderShown = false; // a load ended: an empty grid is a folder without pictures
    bool FJobRunning = false;
};

} // namespace tarvix
