// Folder loading: the thumbnails of a folder's JPEG files, made ahead on worker threads and
// taken in list order by the loop, which keeps the window alive and polls Cancel.
#include "ui/window/folder_browser.h"

#include "base/orientation_reader.h"
#include "engine/dialogs.h"
#include "engine/folder_scan.h"
#include "engine/language.h"
#include "engine/settings_keys.h"
#include "platform/private_thumbnail_cache.h"
#include "platform/thread_priority.h"
#include "ui/grid/thumbnail_grid.h"
#include "ui/thumbnails/cached_thumbnail_maker.h"
#include "ui/thumbnails/thumbnail_loader.h"
#include "ui/window/abandonable_work.h"
#include "ui/window/busy_state.h"
#include "ui/window/delayed_progress.h"
#include "ui/window/job_log.h"
#include "ui/window/job_scope.h"
#include "ui/window/status_bar.h"

#include <QApplication>
#include <QFileInfo>
#include <QScrollBar>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>
#include <utility>

namespace tarvix {

namespace {

QString WithoutTrailingSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

} // namespace

FolderBrowser::FolderBrowser(MakeThumbnail maker, ListFolder list, const QString& cacheFolder, Dialogs& questions,
    TLanguage& language, BusyState& busy, QObject* parent)
    : QObject(parent)
    , FMaker(std::move(maker))
    , FList(std::move(list))
    , FQuestions(questions)
    , FLanguage(language)
    , FBusy(busy)
{
    FThumbnailCache = std::make_shared<PrivateThumbnailCache>(
        cacheFolder.isEmpty() ? PrivateThumbnailCache::DefaultFolder() : cacheFolder,
        SettingsKeys::ThumbnailCacheMB.Default * PrivateThumbnailCache::MB);
    if (!FMaker)
        FMaker = [cache = FThumbnailCache](const QString& path, ThumbnailCell cell, ThumbnailOptions options) {
            return MakeCachedThumbnail(*cache, path, cell, options);
        };
    if (!FList)
        FList = [](const QString& folder, bool recursive, const std::atomic_bool& stop) {
            QStringList found;
            ListJpegFiles(folder, found, recursive, &stop);
            return found;
        };
    FThumbnailPool.setMaxThreadCount(qMax(1, QThread::idealThreadCount()));
    FRefreshPool.setMaxThreadCount(qMax(1, QThread::idealThreadCount()));
    FWatcher.SetLister(FList);
    connect(&FWatcher, &FolderWatcher::FolderChanged, this, &FolderBrowser::FolderChangedOutside);
}

void FolderBrowser::SetView(View view)
{
    FView = std::move(view);
    ShowHint();
}

void FolderBrowser::Retranslate()
{
    FImages.SetTaggedText(FLanguage.TranslateUserMessage("Tagged as turned by the camera"));
    ShowHint();
}

void FolderBrowser::ShowHint()
{
    if (FView.Grid)
        FView.Grid->SetHint(FFolderShown
                ? FLanguage.TranslateUserMessage("No JPEG pictures in this folder")
                : FLanguage.TranslateUserMessage("Type a folder's path and press Enter, or choose Browse..."));
}

FolderBrowser::~FolderBrowser() = default;

qint64 FolderBrowser::CacheLimit() const
{
    return FThumbnailCache->Limit();
}

void FolderBrowser::SetCacheLimit(qint64 bytes)
{
    FThumbnailCache->SetLimit(bytes);
}

void FolderBrowser::Load(const QString& folder)
{
    // A request from inside a running job's event processing is dropped, not queued.
    if (FBusy.Refuse())
        return;
    const JobScope busy(FBusy, BusyState::Job::Loading);
    const JobLog job("load");
    FWatcher.Stop();
    TThumbnailGrid& grid = *FView.Grid;
    FView.Status->SetPanelText(0, QString());
    FCurrentFolder = WithoutTrailingSlash(folder);
    emit FolderChanged(FCurrentFolder);
    Clear();
    FThumbnailsCell = grid.CellSize();

    DelayedProgress progress(FQuestions, 300, [this] { return FBusy.CloseRequested(); });
    progress.SetButtonCaption(FLanguage.TranslateUserMessage("Cancel"));
    QStringList list = ListFolderCancellably(FCurrentFolder, FView.IncludeSubfolders(), progress);
    // Made in the order they are shown: the first screen is final as soon as it is full.
    ThumbnailModel::SortPaths(list);
    bool whole = !progress.WantCancel();
    if (!list.isEmpty() && !progress.WantCancel()) {
        // The list is known: from here on the window shows at once, counting the thumbnails.
        std::unique_ptr<Dialogs::Progress> shown = FQuestions.CreateProgress();
        shown->SetLabelText(FLanguage.TranslateUserMessage("Creating thumbnails, please wait..."));
        shown->SetButtonCaption(FLanguage.TranslateUserMessage("Cancel"));
        shown->SetProgressBounds(0, static_cast<int>(list.size()));
        progress.Close();

        const ThumbnailCell cell = FThumbnailsCell;
        const ThumbnailOptions options = FView.Options();
        // The workers also compress what they made, as the grid keeps it.
        ThumbnailLoader loader(
            FThumbnailPool, list,
            [maker = FMaker, cell, options](const QString& path) {
                const Thumbnail made = maker(path, cell, options);
                return LoadedThumbnail { made, ThumbnailModel::Compress(made.Image) };
            },
            ThumbnailLoader::DefaultAhead());
        for (qsizetype i = 0; i < list.size(); ++i) {
            // The first twenty show while the rest are made.
            if (i == 20)
                grid.viewport()->repaint();
            FQuestions.ProcessEvents();
            if (shown->WantCancel() || FBusy.CloseRequested()) {
                whole = false;
                break;
            }
            const LoadedThumbnail loaded = loader.TakeNext();
            if (loaded.Made.Result == Thumbnail::Outcome::Unreadable)
                FView.Status->SetPanelText(0, FLanguage.TranslateUserMessage("Warning! Unable to read some images."));
            else if (loaded.Made.Result == Thumbnail::Outcome::Made)
                FImages.Append(
                    list[i], loaded.Made.Image, loaded.Jpeg, IsCorrectableOrientation(loaded.Made.Orientation));
            shown->SetProgressBy(1);
        }
    }

    grid.MakeCurrent(0, 0);
    grid.verticalScrollBar()->setValue(0);
    FView.Status->SetPanelText(1, FileCountText());
    FFolderShown = true;
    ShowHint();
    // Only a whole folder is kept up with: after a Cancel the files not shown are no news.
    if (whole)
        FWatcher.Watch(FCurrentFolder, FView.IncludeSubfolders(), list);
    emit Shown();
}

void FolderBrowser::Rebuild()
{
    TThumbnailGrid& grid = *FView.Grid;
    grid.SetCellSize(CellSizeFor(grid.ClientWidth(), grid.ScrollBarWidth(), grid.ColumnCount()));
    if (grid.window()->isVisible() && !FCurrentFolder.isEmpty() && QFileInfo(FCurrentFolder).isDir())
        Load(FCurrentFolder);
}

std::optional<QStringList> FolderBrowser::RunSearch(
    const std::function<QStringList(const std::atomic_bool& stop)>& search, DelayedProgress& progress)
{
    // A search that ends at once shows nothing; a longer one shows the progress window, whose
    // Cancel, like closing the window, ends the wait at once.
    progress.SetLabelText(FLanguage.TranslateUserMessage("Looking for pictures, please wait..."));
    progress.SetProgressBounds(0, 0);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const std::optional<QStringList> found
        = RunAbandonable<QStringList>(search, [&progress] { return progress.WantCancel(); });
    QApplication::restoreOverrideCursor();
    return found;
}

QStringList FolderBrowser::ListFolderCancellably(const QString& folder, bool recursive, DelayedProgress& progress)
{
    return RunSearch(
        [list = FList, folder, recursive](const std::atomic_bool& stop) { return list(folder, recursive, stop); },
        progress)
        .value_or(QStringList());
}

QString FolderBrowser::FileCountText() const
{
    return QString::number(FImages.Count()) + u' ' + FLanguage.TranslateUserMessage("file(s)");
}

void FolderBrowser::FolderChangedOutside(
    const QStringList& added, const QStringList& removed, const QStringList& changed)
{
    TThumbnailGrid& grid = *FView.Grid;
    // What the user looks at stays: the chosen file and the rows scrolled by.
    const QModelIndex current = grid.currentIndex();
    const int chosen = current.isValid() ? FImages.EntryAt(current.column(), current.row()) : 0;
    const QString chosenPath = chosen < FImages.Count() ? FImages.PathAt(chosen) : QString();
    const int scrolled = grid.verticalScrollBar()->value();

    QStringList fresh = added;
    for (const QString& path : changed) {
        // A file that could not be read at the load (written meanwhile) is news as a whole.
        if (FImages.IndexOf(path) < 0)
            fresh.append(path);
        else
            RefreshThumbnail(path);
    }
    if (fresh.isEmpty() && removed.isEmpty())
        return;
    FImages.Remove(QSet<QString>(removed.begin(), removed.end()));
    FImages.InsertSorted(fresh);
    for (const QString& path : std::as_const(fresh))
        RefreshThumbnail(path);

    const int now = FImages.IndexOf(chosenPath);
    const int entry = now >= 0 ? now : qMin(chosen, qMax(0, FImages.Count() - 1));
    const QModelIndex cell = FImages.CellOf(entry);
    grid.MakeCurrent(cell.column(), cell.row());
    grid.verticalScrollBar()->setValue(scrolled);
    FView.Status->SetPanelText(1, FileCountText());
    emit CellsMoved(cell.column(), cell.row());
}

void FolderBrowser::Clear()
{
    FImages.Clear();
}

void FolderBrowser::RefreshThumbnail(const QString& path)
{
    FWatcher.Absorb(path);
    if (FImages.IndexOf(path) < 0)
        return;
    // Everything asked for until the event loop next runs is made in one go.
    FRefreshWanted.insert(path);
    ScheduleRefreshes();
}

void FolderBrowser::ScheduleRefreshes()
{
    if (FRefreshScheduled)
        return;
    FRefreshScheduled = true;
    QMetaObject::invokeMethod(this, &FolderBrowser::StartRefreshes, Qt::QueuedConnection);
}

void FolderBrowser::SetJobRunning(bool running)
{
    if (running == FJobRunning)
        return;
    FJobRunning = running;
    FWatcher.SetPaused(running);
    if (!running && !FRefreshWanted.isEmpty())
        ScheduleRefreshes();
}

void FolderBrowser::StartRefreshes()
{
    FRefreshScheduled = false;
    if (FJobRunning)
        return;
    const ThumbnailCell cell = FView.Grid->CellSize();
    const ThumbnailOptions options = FView.Options();
    const QSet<QString> wanted = std::exchange(FRefreshWanted, {});
    for (const QString& path : wanted) {
        // One make of a file at a time; asked again meanwhile, it is made again afterwards.
        if (FRefreshing.contains(path)) {
            FRefreshWanted.insert(path);
            continue;
        }
        FRefreshing.insert(path);
        // A turn of many files goes on meanwhile: its workers come first.
        QtConcurrent::run(&FRefreshPool, [maker = FMaker, path, cell, options] {
            LowerThisThreadsPriority();
            const Thumbnail made = maker(path, cell, options);
            return LoadedThumbnail { made, ThumbnailModel::Compress(made.Image) };
        }).then(this, [this, path](const LoadedThumbnail& loaded) {
            FRefreshing.remove(path);
            if (loaded.Made.Result == Thumbnail::Outcome::Unreadable)
                FView.Status->SetPanelText(0, FLanguage.TranslateUserMessage("Warning! Unable to read some images."));
            // Gone from the grid meanwhile (another folder, a delete): nothing to show it in.
            const int i = FImages.IndexOf(path);
            if (i >= 0)
                FImages.SetImage(i, loaded.Made.Image, loaded.Jpeg, IsCorrectableOrientation(loaded.Made.Orientation));
            if (FRefreshWanted.contains(path))
                ScheduleRefreshes();
        });
    }
}

} // namespace tarvix
