// The toolbar's "Automatic": the folder shown is corrected by its orientation tags, with the
// window as the owner of every question, and the grid shows the turned pictures afterwards.
#include "engine/auto_correct.h"
#include "engine/language.h"
#include "ui/job_log.h"
#include "ui/main_window.h"
#include "ui/thumbnail_grid.h"

#include <QAction>
#include <QCheckBox>
#include <QScopedValueRollback>

namespace tarvix {

void TFormTarvix::tbAutoClick()
{
    // Thumbnails are being made, or a correction already runs below this click.
    if (MakingThumbNails || FCorrecting) {
        BringProgressWindowToFront();
        return;
    }
    QScopedValueRollback<bool> correcting(FCorrecting, true);
    const JobLog job("automatic");
    // Reading every file's orientation takes a while in a big tree: it runs beside the window,
    // and can be cancelled like any listing.
    std::unique_ptr<Dialogs::Progress> searching;
    const QString folder = CurrentFolder;
    const bool recursive = cbSubFolders->isChecked();
    const std::optional<QStringList> files = RunSearch(
        [list = FServices.ListFolder, folder, recursive](
            const std::atomic_bool& stop) { return CorrectableAmong(list(folder, recursive, stop), &stop); },
        searching);
    searching.reset();
    if (!files) {
        if (FCloseRequested)
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return;
    }
    AutoCorrection how;
    how.Title = windowTitle();
    how.Silent = false;
    how.KeepTimestamp = pmiKeepTimestamp->isChecked();
    how.MakeBackup = pmiMakeBackup->isChecked();
    how.AfterFile = [this](const QString& path) { RefreshThumbnail(path); };
    how.AfterLoop = [this] { DrawGrid->viewport()->repaint(); };
    CorrectFoundFiles(*files, *Language, *FQuestions, how);
    if (FCloseRequested)
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

} // namespace tarvix
