// The toolbar's "Automatic": the folder shown is corrected by its orientation tags, with the
// window as the owner of every question, and the grid shows the turned pictures afterwards.
#include "engine/auto_correct.h"
#include "engine/language.h"
#include "ui/grid/thumbnail_grid.h"
#include "ui/window/delayed_progress.h"
#include "ui/window/job_log.h"
#include "ui/window/job_scope.h"
#include "ui/window/main_window.h"
#include "ui/window/path_bar.h"

#include <QAction>
#include <QCheckBox>

namespace tarvix {

void TFormTarvix::tbAutoClick()
{
    if (RefuseWhileBusy())
        return;
    const JobScope busy(*this, Job::Correcting);
    const JobLog job("automatic");
    // Reading every file's orientation takes a while in a big tree: it runs beside the window,
    // and can be cancelled like any listing.
    const QString folder = CurrentFolder;
    const bool recursive = FPathBar->IncludeSubfolders();
    std::optional<QStringList> files;
    {
        DelayedProgress searching(*FQuestions, 300, [this] { return FCloseRequested; });
        searching.SetButtonCaption(Language->TranslateUserMessage("Cancel"));
        files = RunSearch(
            [list = FServices.ListFolder, folder, recursive](
                const std::atomic_bool& stop) { return CorrectableAmong(list(folder, recursive, stop), &stop); },
            searching);
    }
    if (!files)
        return;
    AutoCorrection how;
    how.Title = windowTitle();
    how.Silent = false;
    how.KeepTimestamp = pmiKeepTimestamp->isChecked();
    how.MakeBackup = pmiMakeBackup->isChecked();
    how.AfterFile = [this](const QString& path) { RefreshThumbnail(path); };
    how.AfterLoop = [this] { DrawGrid->viewport()->repaint(); };
    CorrectFoundFiles(*files, *Language, *FQuestions, how);
}

} // namespace tarvix
