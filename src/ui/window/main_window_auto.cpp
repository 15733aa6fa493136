// The toolbar's "Automatic": the folder shown is corrected by its orientation tags, with the
// window as the owner of every question, and the grid shows the turned pictures afterwards.
#include "engine/auto_correct.h"
#include "engine/language.h"
#include "ui/grid/thumbnail_grid.h"
#include "ui/window/delayed_progress.h"
#include "ui/window/folder_browser.h"
#include "ui/window/job_log.h"
#include "ui/window/job_scope.h"
#include "ui/window/main_window.h"
#include "ui/window/path_bar.h"
#include "ui/window/undo_command.h"

#include <QAction>
#include <QCheckBox>
#include <QScopeGuard>

namespace tarvix {

void TFormTarvix::tbAutoClick()
{
    if (FBusy->Refuse())
        return;
    const JobScope busy(*FBusy, Job::Correcting);
    const JobLog job("automatic");
    // Reading every file's orientation takes a while in a big tree: it runs beside the window,
    // and can be cancelled like any listing.
    const QString folder = CurrentFolder();
    const bool recursive = FPathBar->IncludeSubfolders();
    std::optional<QStringList> files;
    {
        DelayedProgress searching(*FQuestions, 300, [this] { return FBusy->CloseRequested(); });
        searching.SetButtonCaption(Language->TranslateUserMessage("Cancel"));
        files = FFolder->RunSearch(
            [list = FFolder->Lister(), folder, recursive](
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
    how.Undo = FUndo->BeginStep();
    const auto step = qScopeGuard([&] { FUndo->FinishStep(how.Undo); });
    CorrectFoundFiles(*files, *Language, *FQuestions, how);
}

} // namespace tarvix
