// The image commands: turn and mirror, EXIF properties, view, rename, delete to the trash,
// refresh. Each walks the grid's selection cell by cell, as the user sees it, row by row from
// the top.
#include "engine/dialogs.h"
#include "engine/errors.h"
#include "engine/exif_reader.h"
#include "engine/language.h"
#include "engine/message_format.h"
#include "engine/transform_pipeline.h"
#include "platform/file_moves.h"
#include "ui/dialogs/exif_display.h"
#include "ui/grid/thumbnail_grid.h"
#include "ui/grid/thumbnail_model.h"
#include "ui/thumbnails/wait_for_future.h"
#include "ui/window/delayed_progress.h"
#include "ui/window/job_log.h"
#include "ui/window/job_scope.h"
#include "ui/window/main_window.h"
#include "ui/window/status_bar.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>
#include <QTreeWidget>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>
#include <atomic>
#include <cstring>
#include <memory>

namespace tarvix {

namespace {

bool IsFile(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

QString ErrnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

void TFormTarvix::ForEachSelectedCell(const std::function<void(int column, int row)>& visit)
{
    const CellRect selection = DrawGrid->Selection();
    for (int row = selection.Top; row <= selection.Bottom; ++row)
        for (int column = selection.Left; column <= selection.Right; ++column) {
            DrawGridSelectCell(column, row);
            visit(column, row);
        }
}

QStringList TFormTarvix::SelectedPaths() const
{
    QStringList paths;
    const CellRect selection = DrawGrid->Selection();
    for (int row = selection.Top; row <= selection.Bottom; ++row)
        for (int column = selection.Left; column <= selection.Right; ++column) {
            const int i = Images.EntryAt(column, row);
            if (i < Images.Count())
                paths.append(Images.PathAt(i));
        }
    return paths;
}

void TFormTarvix::ShowMissingFileMessage(const QString& path)
{
    FQuestions->ShowMessage(
        TranslateMessage(*Language, "Cannot open \"%s\". The file or folder has been moved or deleted.",
            { MessageArg(FileNameOfPath(path)) }),
        QString(), Dialogs::Icon::Warning);
}

void TFormTarvix::ActionRotate(QAction* sender)
{
    if (RefuseWhileBusy())
        return;
    const JobScope busy(*this, Job::Turning);
    const JobLog job("turn");
    const auto code = static_cast<TransformCode>(sender->data().toInt());
    // The files as the grid knows them; a file gone since is passed over, as the user cannot
    // have meant it.
    QList<PipelineFile> files;
    for (const QString& path : SelectedPaths())
        if (IsFile(path))
            files.append({ path, code });
    PipelineSettings settings;
    settings.KeepTimestamp = pmiKeepTimestamp->isChecked();
    settings.MakeBackup = pmiMakeBackup->isChecked();
    // One file's failure is that file's: it is reported, and the next one is turned.
    settings.StopAtFirstError = false;
    settings.OnMissing = [this](const QString& path) { ShowMissingFileMessage(path); };
    settings.OnError = [this](const QString&, const TarvixError& error) {
        FQuestions->ShowMessage(error.FullText(), windowTitle(), Dialogs::Icon::Error);
    };
    settings.AfterFile = [this](const QString& path) { RefreshThumbnail(path); };
    // Every event goes on, Cancel's click included: the job keeps every other command off.
    settings.ProcessEvents = [] { QCoreApplication::processEvents(); };
    DelayedProgress progress(*FQuestions, 500, [this] { return FCloseRequested; });
    progress.SetLabelText(Language->TranslateUserMessage("Transformation is in progress..."));
    progress.SetButtonCaption(Language->TranslateUserMessage("Cancel"));
    progress.SetProgressBounds(0, static_cast<int>(files.size()));
    TransformFiles(*Language, files, *FQuestions, &progress, settings);
    // The status bar read the last picture's size before it was turned.
    const CellRect selection = DrawGrid->Selection();
    DrawGridSelectCell(selection.Right, selection.Bottom);
}

void TFormTarvix::ActionDisplayExifExecute()
{
    if (!IsFile(FileName)) {
        ShowMissingFileMessage(FileName);
        return;
    }
    TFormExif form(Language->LanguageFile(), this);
    // Read and closed before anything is shown: the file stays free to be turned or moved
    // while the user reads.
    form.SetRows(ExifRows(ReadFilePropertyItems(FileName)));
    if (form.ListView->topLevelItemCount() == 0) {
        FQuestions->ShowMessage(Language->TranslateUserMessage("This file does not contain EXIF data."), QString(),
            Dialogs::Icon::Information);
        return;
    }
    form.exec();
}

void TFormTarvix::ActionOpenExecute()
{
    if (IsFile(FileName))
        FServices.OpenUrl(QUrl::fromLocalFile(FileName));
    else
        ShowMissingFileMessage(FileName);
}

void TFormTarvix::ActionRenameExecute()
{
    ForEachSelectedCell([this](int column, int row) {
        if (FileName.isEmpty())
            return;
        const QString folder = FileName.left(FileName.lastIndexOf(u'/') + 1);
        const QString name = FileNameOfPath(FileName);
        const qsizetype dot = name.lastIndexOf(u'.');
        const QString base = dot < 0 ? QString() : name.left(dot);
        const QString extension = dot < 0 ? QString() : name.mid(dot);
        const std::optional<QString> entered
            = FQuestions->AskText(ActionRename->text().remove(u'&').remove(QLatin1String("...")), name, base);
        // An empty name would leave only the extension: a hidden file nobody asked for.
        if (!entered || entered->isEmpty())
            return;
        const auto refuse = [&](const QString& reason) {
            FQuestions->ShowMessage(
                TranslateMessage(*Language, "Cannot rename \"%s\": %s", { MessageArg(name), MessageArg(reason) }),
                QString(), Dialogs::Icon::Warning);
        };
        // A '/' would move the file into another folder instead of renaming it.
        if (entered->contains(u'/') || entered->contains(QChar(0))) {
            refuse(Language->TranslateUserMessage("A name must not contain \"/\"."));
            return;
        }
        const QString target = folder + *entered + extension;
        if (target == FileName)
            return;
        if (const int error = RenameWithoutReplacing(FileName, target)) {
            refuse(error == EEXIST ? Language->TranslateUserMessage("A file of that name already exists.")
                                   : ErrnoText(error));
            return;
        }
        Images.SetPath(Images.IndexOf(FileName), target);
        DrawGridSelectCell(column, row);
    });
}

void TFormTarvix::ActionDeleteExecute()
{
    if (RefuseWhileBusy())
        return;
    QStringList files;
    for (const QString& path : SelectedPaths())
        if (IsFile(path))
            files.append(path);
    if (!files.isEmpty()
        && (!pmiDeleteConfirm->isChecked()
            || FQuestions->AskYesNo(TranslateMessage(*Language, "Move %u file(s) to the trash?",
                                        { MessageArg(static_cast<unsigned>(files.size())) }),
                windowTitle(), Dialogs::Icon::Question))) {
        const JobScope busy(*this, Job::Deleting);
        const JobLog job("delete");
        const QStringList failures = MoveToTrashWithProgress(files);
        QSet<QString> gone;
        for (const QString& file : files)
            if (!QFileInfo::exists(file))
                gone.insert(file);
        Images.Remove(gone);
        if (!failures.isEmpty())
            FQuestions->ShowMessage(failures.join(u'\n'), QString(), Dialogs::Icon::Warning);
    }
    const QModelIndex current = DrawGrid->currentIndex();
    const int column = qMax(0, current.column());
    const int row = qMin(qMax(0, current.row()), DrawGrid->RowCount() - 1);
    DrawGrid->MakeCurrent(column, row);
    // The panels spoke of a file that is gone: they now tell what is left and what is chosen.
    StatusBar->SetPanelText(1, FileCountText());
    StatusBar->SetPanelText(0, QString());
    DrawGridSelectCell(column, row);
}

// Each move to the trash writes a file of its own beside the moved one, with a flush: a
// worker does them, one after the other, while the window counts them; Cancel stops before
// the next one. The reasons of the files that stayed, in the user's language.
QStringList TFormTarvix::MoveToTrashWithProgress(const QStringList& files)
{
    struct Shared {
        std::atomic_int Done { 0 };
        std::atomic_bool Stop { false };
        QList<std::pair<QString, QString>> Refused; // the worker's until it ends
    };
    const auto shared = std::make_shared<Shared>();
    DelayedProgress progress(*FQuestions, 500, [this] { return FCloseRequested; });
    progress.SetLabelText(Language->TranslateUserMessage("Moving the files to the trash..."));
    progress.SetButtonCaption(Language->TranslateUserMessage("Cancel"));
    progress.SetProgressBounds(0, static_cast<int>(files.size()));
    QFuture<void> moving = QtConcurrent::run(&FThumbnailPool, [shared, files] {
        for (const QString& file : files) {
            if (shared->Stop)
                return;
            QString reason;
            if (!MoveToTrash(file, &reason))
                shared->Refused.append({ file, reason });
            ++shared->Done;
        }
    });
    int shown = 0;
    WaitProcessingEvents(moving, [&] {
        const int done = shared->Done;
        progress.SetProgressBy(done - shown);
        shown = done;
        if (progress.WantCancel())
            shared->Stop = true;
        return false;
    });
    moving.waitForFinished(); // the file in hand is finished, whatever Cancel said
    QStringList failures;
    for (const auto& [file, reason] : shared->Refused)
        failures.append(TranslateMessage(*Language, "Cannot move \"%s\" to the trash: %s",
            { MessageArg(FileNameOfPath(file)), MessageArg(reason) }));
    return failures;
}

void TFormTarvix::pmiRefreshClick()
{
    RebuildThumbnails();
}

} // namespace tarvix
