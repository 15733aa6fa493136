// Folder loading: the thumbnails of a folder's JPEG files, made ahead on worker threads and
// taken in list order by the loop, which keeps the window alive and polls Cancel.
#include "engine/dialogs.h"
#include "engine/folder_scan.h"
#include "engine/language.h"
#include "engine/message_format.h"
#include "ui/abandonable_work.h"
#include "ui/job_log.h"
#include "ui/main_window.h"
#include "ui/progress_window.h"
#include "ui/status_bar.h"
#include "ui/thumbnail_grid.h"
#include "ui/thumbnail_loader.h"
#include "ui/thumbnail_model.h"
#include "ui/wait_for_future.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTreeView>

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
    // A request from inside a running loop's event processing is dropped, not queued.
    if (MakingThumbNails || FCorrecting) {
        BringProgressWindowToFront();
        return;
    }
    QScopedValueRollback<bool> making(MakingThumbNails, true);
    const JobLog job("load");
    StatusBar->SetPanelText(0, QString());
    CurrentFolder = WithoutTrailingSlash(folder);
    edPath->setText(CurrentFolder);
    ClearThumbnails();
    FThumbnailsCell = DrawGrid->CellSize();

    std::unique_ptr<Dialogs::Progress> progress;
    const QStringList list = ListFolderCancellably(CurrentFolder, cbSubFolders->isChecked(), progress);
    if (!list.isEmpty()) {
        if (!progress)
            progress = FQuestions->CreateProgress();
        progress->SetLabelText(Language->TranslateUserMessage("Creating thumbnails, please wait..."));
        progress->SetButtonCaption(Language->TranslateUserMessage("Cancel"));
        progress->SetProgressBounds(0, static_cast<int>(list.size()));

        const ThumbnailCell cell = FThumbnailsCell;
        const ThumbnailOptions options { pmiHiQuality->isChecked(), pmiEnlargeSmall->isChecked() };
        const auto& maker = FServices.ThumbnailMaker;
        ThumbnailLoader loader(
            FThumbnailPool, list, [maker, cell, options](const QString& path) { return maker(path, cell, options); },
            ThumbnailLoader::DefaultAhead());
        for (qsizetype i = 0; i < list.size(); ++i) {
            // The first twenty show while the rest are made; the grid still has its old rows.
            if (i == 20)
                DrawGrid->viewport()->repaint();
            FQuestions->ProcessEvents();
            if (progress->WantCancel() || FCloseRequested)
                break;
            const Thumbnail made = loader.TakeNext();
            if (made.Result == Thumbnail::Outcome::Unreadable)
                StatusBar->SetPanelText(0, Language->TranslateUserMessage("Warning! Unable to read some images."));
            else if (made.Result == Thumbnail::Outcome::Made)
                Images.Append(list[i], made.Image);
            progress->SetProgressBy(1);
        }
    }

    Images.Sort();
    DrawGrid->FitRowsTo(Images.Count());
    DrawGrid->MakeCurrent(0, 0);
    DrawGrid->viewport()->update();
    DrawGrid->verticalScrollBar()->setValue(0);
    DrawGridSelectCell(0, 0);
    StatusBar->SetPanelText(1, FileCountText());
    if (ShellTree->isVisible())
        ShowFolderInTree(CurrentFolder);
    if (FCloseRequested)
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

std::optional<QStringList> TFormTarvix::RunSearch(
    const std::function<QStringList(const std::atomic_bool& stop)>& search,
    std::unique_ptr<Dialogs::Progress>& progress)
{
    // A search that ends at once shows nothing; a longer one shows the progress window, whose
    // Cancel, like closing the window, ends the wait at once.
    QElapsedTimer clock;
    clock.start();
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const std::optional<QStringList> found = RunAbandonable<QStringList>(search, [&] {
        if (!progress && clock.elapsed() >= 300) {
            progress = FQuestions->CreateProgress();
            progress->SetLabelText(Language->TranslateUserMessage("Looking for pictures, please wait..."));
            progress->SetButtonCaption(Language->TranslateUserMessage("Cancel"));
            progress->SetProgressBounds(0, 0);
        }
        return FCloseRequested || (progress && progress->WantCancel());
    });
    QApplication::restoreOverrideCursor();
    return found;
}

QStringList TFormTarvix::ListFolderCancellably(
    const QString& folder, bool recursive, std::unique_ptr<Dialogs::Progress>& progress)
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

std::optional<QImage> TFormTarvix::MakeThumbnail(const QString& path)
{
    const Thumbnail made = FServices.ThumbnailMaker(
        path, DrawGrid->CellSize(), { pmiHiQuality->isChecked(), pmiEnlargeSmall->isChecked() });
    if (made.Result == Thumbnail::Outcome::Unreadable)
        StatusBar->SetPanelText(0, Language->TranslateUserMessage("Warning! Unable to read some images."));
    if (made.Result != Thumbnail::Outcome::Made)
        return std::nullopt;
    return made.Image;
}

void TFormTarvix::RefreshThumbnail(const QString& path)
{
    const int i = Images.IndexOf(path);
    if (i < 0)
        return;
    Images.At(i).Image = QImage();
    if (QFileInfo::exists(path))
        Images.At(i).Image = MakeThumbnail(path).value_or(QImage());
    DrawGrid->Model().EntriesChanged(i, i);
}

void TFormTarvix::ClearThumbnails()
{
    Images.Clear();
}

} // namespace tarvix
