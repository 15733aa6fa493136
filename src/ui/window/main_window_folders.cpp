// Folder loading: the thumbnails of a folder's JPEG files, made ahead on worker threads and
// taken in list order by the loop, which keeps the window alive and polls Cancel.
#include "engine/dialogs.h"
#include "engine/folder_scan.h"
#include "engine/language.h"
#include "engine/message_format.h"
#include "platform/thread_priority.h"
#include "ui/dialogs/progress_window.h"
#include "ui/grid/thumbnail_grid.h"
#include "ui/grid/thumbnail_model.h"
#include "ui/thumbnails/thumbnail_loader.h"
#include "ui/thumbnails/wait_for_future.h"
#include "ui/window/abandonable_work.h"
#include "ui/window/delayed_progress.h"
#include "ui/window/job_log.h"
#include "ui/window/job_scope.h"
#include "ui/window/main_window.h"
#include "ui/window/path_bar.h"
#include "ui/window/status_bar.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTreeView>
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

void TFormTarvix::BringProgressWindowToFront()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (qobject_cast<TfrmWait*>(window) && window->isVisible()) {
            window->raise();
            window->activateWindow();
            return;
        }
    }
}

void TFormTarvix::LoadFolder(const QString& folder)
{
    // A request from inside a running job's event processing is dropped, not queued.
    if (RefuseWhileBusy())
        return;
    const JobScope busy(*this, Job::Loading);
    const JobLog job("load");
    StatusBar->SetPanelText(0, QString());
    CurrentFolder = WithoutTrailingSlash(folder);
    FPathBar->ShowPath(CurrentFolder);
    ClearThumbnails();
    FThumbnailsCell = DrawGrid->CellSize();

    DelayedProgress progress(*FQuestions, 300, [this] { return FCloseRequested; });
    progress.SetButtonCaption(Language->TranslateUserMessage("Cancel"));
    QStringList list = ListFolderCancellably(CurrentFolder, FPathBar->IncludeSubfolders(), progress);
    // Made in the order they are shown: the first screen is final as soon as it is full.
    ThumbnailModel::SortPaths(list);
    if (!list.isEmpty() && !progress.WantCancel()) {
        // The list is known: from here on the window shows at once, counting the thumbnails.
        std::unique_ptr<Dialogs::Progress> shown = FQuestions->CreateProgress();
        shown->SetLabelText(Language->TranslateUserMessage("Creating thumbnails, please wait..."));
        shown->SetButtonCaption(Language->TranslateUserMessage("Cancel"));
        shown->SetProgressBounds(0, static_cast<int>(list.size()));
        progress.Close();

        const ThumbnailCell cell = FThumbnailsCell;
        const ThumbnailOptions options { pmiHiQuality->isChecked(), pmiEnlargeSmall->isChecked() };
        // The workers also compress what they made, as the grid keeps it.
        ThumbnailLoader loader(
            FThumbnailPool, list,
            [maker = FServices.ThumbnailMaker, cell, options](const QString& path) {
                const Thumbnail made = maker(path, cell, options);
                return LoadedThumbnail { made, ThumbnailModel::Compress(made.Image) };
            },
            ThumbnailLoader::DefaultAhead());
        for (qsizetype i = 0; i < list.size(); ++i) {
            // The first twenty show while the rest are made.
            if (i == 20)
                DrawGrid->viewport()->repaint();
            FQuestions->ProcessEvents();
            if (shown->WantCancel() || FCloseRequested)
                break;
            const LoadedThumbnail loaded = loader.TakeNext();
            if (loaded.Made.Result == Thumbnail::Outcome::Unreadable)
                StatusBar->SetPanelText(0, Language->TranslateUserMessage("Warning! Unable to read some images."));
            else if (loaded.Made.Result == Thumbnail::Outcome::Made)
                Images.Append(list[i], loaded.Made.Image, loaded.Jpeg);
            shown->SetProgressBy(1);
        }
    }

    DrawGrid->MakeCurrent(0, 0);
    DrawGrid->verticalScrollBar()->setValue(0);
    DrawGridSelectCell(0, 0);
    StatusBar->SetPanelText(1, FileCountText());
    if (ShellTree->isVisible())
        ShowFolderInTree(CurrentFolder);
}

std::optional<QStringList> TFormTarvix::RunSearch(
    const std::function<QStringList(const std::atomic_bool& stop)>& search, DelayedProgress& progress)
{
    // A search that ends at once shows nothing; a longer one shows the progress window, whose
    // Cancel, like closing the window, ends the wait at once.
    progress.SetLabelText(Language->TranslateUserMessage("Looking for pictures, please wait..."));
    progress.SetProgressBounds(0, 0);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const std::optional<QStringList> found
        = RunAbandonable<QStringList>(search, [&progress] { return progress.WantCancel(); });
    QApplication::restoreOverrideCursor();
    return found;
}

QStringList TFormTarvix::ListFolderCancellably(const QString& folder, bool recursive, DelayedProgress& progress)
{
    const auto& list = FServices.ListFolder;
    return RunSearch(
        [list, folder, recursive](const std::atomic_bool& stop) { return list(folder, recursive, stop); }, progress)
        .value_or(QStringList());
}

QString TFormTarvix::FileCountText() const
{
    return QString::number(Images.Count()) + u' ' + Language->TranslateUserMessage("file(s)");
}

void TFormTarvix::RefreshThumbnail(const QString& path)
{
    if (Images.IndexOf(path) < 0)
        return;
    // Everything asked for until the event loop next runs is made in one go.
    FRefreshWanted.insert(path);
    ScheduleRefreshes();
}

void TFormTarvix::ScheduleRefreshes()
{
    if (FRefreshScheduled)
        return;
    FRefreshScheduled = true;
    QMetaObject::invokeMethod(this, &TFormTarvix::StartRefreshes, Qt::QueuedConnection);
}

void TFormTarvix::StartRefreshes()
{
    FRefreshScheduled = false;
    const ThumbnailCell cell = DrawGrid->CellSize();
    const ThumbnailOptions options { pmiHiQuality->isChecked(), pmiEnlargeSmall->isChecked() };
    const QSet<QString> wanted = std::exchange(FRefreshWanted, {});
    for (const QString& path : wanted) {
        // One make of a file at a time; asked again meanwhile, it is made again afterwards.
        if (FRefreshing.contains(path)) {
            FRefreshWanted.insert(path);
            continue;
        }
        FRefreshing.insert(path);
        // A turn of many files goes on meanwhile: its workers come first.
        QtConcurrent::run(&FRefreshPool, [maker = FServices.ThumbnailMaker, path, cell, options] {
            LowerThisThreadsPriority();
            const Thumbnail made = maker(path, cell, options);
            return LoadedThumbnail { made, ThumbnailModel::Compress(made.Image) };
        }).then(this, [this, path](const LoadedThumbnail& loaded) {
            FRefreshing.remove(path);
            if (loaded.Made.Result == Thumbnail::Outcome::Unreadable)
                StatusBar->SetPanelText(0, Language->TranslateUserMessage("Warning! Unable to read some images."));
            // Gone from the grid meanwhile (another folder, a delete): nothing to show it in.
            const int i = Images.IndexOf(path);
            if (i >= 0)
                Images.SetImage(i, loaded.Made.Image, loaded.Jpeg);
            if (FRefreshWanted.contains(path))
                ScheduleRefreshes();
        });
    }
}

void TFormTarvix::ClearThumbnails()
{
    Images.Clear();
}

} // namespace tarvix
