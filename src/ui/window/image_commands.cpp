// The image commands: turn and mirror, EXIF properties, view, rename, delete to the trash,
// refresh; and the chosen cell they act on.
#include "ui/window/image_commands.h"

#include "engine/dialogs.h"
#include "engine/errors.h"
#include "engine/exif_reader.h"
#include "engine/image_info.h"
#include "engine/language.h"
#include "engine/message_format.h"
#include "engine/transform_pipeline.h"
#include "platform/file_moves.h"
#include "ui/dialogs/exif_display.h"
#include "ui/grid/thumbnail_grid.h"
#include "ui/grid/thumbnail_model.h"
#include "ui/thumbnails/wait_for_future.h"
#include "ui/window/delayed_progress.h"
#include "ui/window/folder_browser.h"
#include "ui/window/job_log.h"
#include "ui/window/job_scope.h"
#include "ui/window/status_bar.h"
#include "ui/window/undo_command.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QScopeGuard>
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

ImageCommands::ImageCommands(Context context, Actions actions, QObject* parent)
    : QObject(parent)
    , FContext(std::move(context))
    , FActions(actions)
{
    FTrashWorker.setMaxThreadCount(1);
}

ImageCommands::~ImageCommands() = default;

void ImageCommands::SelectCell(int column, int row)
{
    const ThumbnailModel& images = FContext.Folder->Images();
    FFileName.clear();
    const int i = images.EntryAt(column, row);
    if (i >= 0 && i < images.Count() && QFileInfo::exists(images.PathAt(i)))
        FFileName = images.PathAt(i);
    if (FFileName.isEmpty())
        return;
    // The size as stored, from the frame header; a file that is no readable JPEG leaves the
    // panel as it was.
    const ImageInfo info = OpenImageInfo(FFileName);
    if (info.IsImage && info.Width > 0 && info.Height > 0)
        FContext.Status->SetPanelText(0, QStringLiteral("%1 x %2").arg(info.Width).arg(info.Height));
}

int ImageCommands::SelectedIndex() const
{
    const CellRect selection = FContext.Grid->Selection();
    return FContext.Folder->Images().EntryAt(selection.Left, selection.Top);
}

bool ImageCommands::IsImageChosen() const
{
    const int i = SelectedIndex();
    return i >= 0 && i < FContext.Folder->Images().Count();
}

int ImageCommands::SelectedCellCount() const
{
    return FContext.Grid->Selection().CellCount();
}

void ImageCommands::UpdateEnabled(bool idle)
{
    // Enabled if an image is chosen: the selection's top-left cell holds a picture of the grid.
    const bool chosen = idle && IsImageChosen();
    for (QAction* action : { FActions.Open, FActions.RotateLeft, FActions.RotateRight, FActions.Rotate180,
             FActions.FlipHor, FActions.FlipVer, FActions.DisplayExif, FActions.Delete })
        action->setEnabled(chosen);
    // Rename: exactly one cell, empty or not.
    FActions.Rename->setEnabled(idle && SelectedCellCount() == 1);
    FActions.Undo->setEnabled(idle && FContext.Undo->CanUndo());
}

void ImageCommands::ForEachSelectedCell(const std::function<void(int column, int row)>& visit)
{
    const CellRect selection = FContext.Grid->Selection();
    for (int row = selection.Top; row <= selection.Bottom; ++row)
        for (int column = selection.Left; column <= selection.Right; ++column) {
            SelectCell(column, row);
            visit(column, row);
        }
}

QStringList ImageCommands::SelectedPaths() const
{
    return FContext.Grid->SelectedPaths();
}

void ImageCommands::ShowMissingFileMessage(const QString& path)
{
    FContext.Questions->ShowMessage(
        TranslateMessage(*FContext.Language, "Cannot open \"%s\". The file or folder has been moved or deleted.",
            { MessageArg(FileNameOfPath(path)) }),
        QString(), Dialogs::Icon::Warning);
}

void ImageCommands::Rotate(QAction* sender)
{
    if (FContext.Busy->Refuse())
        return;
    const JobScope busy(*FContext.Busy, BusyState::Job::Turning);
    const JobLog job("turn");
    const auto code = static_cast<TransformCode>(sender->data().toInt());
    // The files as the grid knows them; a file gone since is passed over, as the user cannot
    // have meant it.
    QList<PipelineFile> files;
    for (const QString& path : SelectedPaths())
        if (IsFile(path))
            files.append({ path, code });
    PipelineSettings settings;
    settings.KeepTimestamp = FActions.KeepTimestamp->isChecked();
    settings.MakeBackup = FActions.MakeBackup->isChecked();
    // One file's failure is that file's: it is reported, and the next one is turned.
    settings.StopAtFirstError = false;
    settings.OnMissing = [this](const QString& path) { ShowMissingFileMessage(path); };
    settings.OnError = [this](const QString&, const TarvixError& error) {
        FContext.Questions->ShowMessage(error.FullText(), FContext.Window->windowTitle(), Dialogs::Icon::Error);
    };
    settings.AfterFile = [this](const QString& path) { FContext.Folder->RefreshThumbnail(path); };
    // Every event goes on, Cancel's click included: the job keeps every other command off.
    settings.ProcessEvents = [] { QCoreApplication::processEvents(); };
    DelayedProgress progress(*FContext.Questions, 500, [this] { return FContext.Busy->CloseRequested(); });
    progress.SetLabelText(FContext.Language->TranslateUserMessage("Transformation is in progress..."));
    progress.SetButtonCaption(FContext.Language->TranslateUserMessage("Cancel"));
    progress.SetProgressBounds(0, static_cast<int>(files.size()));
    settings.Undo = FContext.Undo->BeginStep();
    const auto step = qScopeGuard([&] { FContext.Undo->FinishStep(settings.Undo); });
    TransformFiles(*FContext.Language, files, *FContext.Questions, &progress, settings);
    // The status bar read the last picture's size before it was turned.
    const CellRect selection = FContext.Grid->Selection();
    SelectCell(selection.Right, selection.Bottom);
}

void ImageCommands::Undo()
{
    if (FContext.Busy->Refuse() || !FContext.Undo->CanUndo())
        return;
    UndoResult result;
    {
        const JobScope busy(*FContext.Busy, BusyState::Job::Turning);
        const JobLog job("undo");
        result = FContext.Undo->Run(
            *FContext.Language, *FContext.Questions, [this] { return FContext.Busy->CloseRequested(); });
        for (const QString& path : std::as_const(result.Restored))
            FContext.Folder->RefreshThumbnail(path);
    }
    if (!result.Changed.isEmpty())
        FContext.Questions->ShowMessage(UndoCommand::ChangedMessage(*FContext.Language, result.Changed),
            FContext.Window->windowTitle(), Dialogs::Icon::Warning);
    if (!result.Failed.isEmpty())
        FContext.Questions->ShowMessage(UndoCommand::FailedMessage(*FContext.Language, result.Failed),
            FContext.Window->windowTitle(), Dialogs::Icon::Error);
    // The status bar may speak of a picture as it was turned.
    const CellRect selection = FContext.Grid->Selection();
    SelectCell(selection.Left, selection.Top);
}

void ImageCommands::DisplayExif()
{
    if (!IsFile(FFileName)) {
        ShowMissingFileMessage(FFileName);
        return;
    }
    TFormExif form(FContext.Language->LanguageFile(), FContext.Window);
    // Read and closed before anything is shown: the file stays free to be turned or moved
    // while the user reads.
    form.SetRows(ExifRows(ReadFilePropertyItems(FFileName)));
    if (form.ListView->topLevelItemCount() == 0) {
        FContext.Questions->ShowMessage(
            FContext.Language->TranslateUserMessage("This file does not contain EXIF data."), QString(),
            Dialogs::Icon::Information);
        return;
    }
    form.exec();
}

void ImageCommands::Open()
{
    if (IsFile(FFileName))
        FContext.OpenUrl(QUrl::fromLocalFile(FFileName));
    else
        ShowMissingFileMessage(FFileName);
}

void ImageCommands::Rename()
{
    ForEachSelectedCell([this](int column, int row) {
        if (FFileName.isEmpty())
            return;
        const QString folder = FFileName.left(FFileName.lastIndexOf(u'/') + 1);
        const QString name = FileNameOfPath(FFileName);
        const qsizetype dot = name.lastIndexOf(u'.');
        const QString base = dot < 0 ? QString() : name.left(dot);
        const QString extension = dot < 0 ? QString() : name.mid(dot);
        const std::optional<QString> entered = FContext.Questions->AskText(
            FActions.Rename->text().remove(u'&').remove(QLatin1String("...")), name, base);
        // An empty name would leave only the extension: a hidden file nobody asked for.
        if (!entered || entered->isEmpty())
            return;
        const auto refuse = [&](const QString& reason) {
            FContext.Questions->ShowMessage(TranslateMessage(*FContext.Language, "Cannot rename \"%s\": %s",
                                                { MessageArg(name), MessageArg(reason) }),
                QString(), Dialogs::Icon::Warning);
        };
        // A '/' would move the file into another folder instead of renaming it.
        if (entered->contains(u'/') || entered->contains(QChar(0))) {
            refuse(FContext.Language->TranslateUserMessage("A name must not contain \"/\"."));
            return;
        }
        const QString target = folder + *entered + extension;
        if (target == FFileName)
            return;
        if (const int error = RenameWithoutReplacing(FFileName, target)) {
            refuse(error == EEXIST ? FContext.Language->TranslateUserMessage("A file of that name already exists.")
                                   : ErrnoText(error));
            return;
        }
        ThumbnailModel& images = FContext.Folder->Images();
        images.SetPath(images.IndexOf(FFileName), target);
        FContext.Folder->Absorb(FFileName);
        FContext.Folder->Absorb(target);
        SelectCell(column, row);
    });
}

void ImageCommands::Delete()
{
    if (FContext.Busy->Refuse())
        return;
    QStringList files;
    for (const QString& path : SelectedPaths())
        if (IsFile(path))
            files.append(path);
    if (!files.isEmpty()
        && (!FActions.DeleteConfirm->isChecked()
            || FContext.Questions->AskYesNo(TranslateMessage(*FContext.Language, "Move %u file(s) to the trash?",
                                                { MessageArg(static_cast<unsigned>(files.size())) }),
                FContext.Window->windowTitle(), Dialogs::Icon::Question))) {
        const JobScope busy(*FContext.Busy, BusyState::Job::Deleting);
        const JobLog job("delete");
        const QStringList failures = MoveToTrashWithProgress(files);
        QSet<QString> gone;
        for (const QString& file : files)
            if (!QFileInfo::exists(file))
                gone.insert(file);
        FContext.Folder->Images().Remove(gone);
        for (const QString& file : std::as_const(gone))
            FContext.Folder->Absorb(file);
        if (!failures.isEmpty())
            FContext.Questions->ShowMessage(failures.join(u'\n'), QString(), Dialogs::Icon::Warning);
    }
    const QModelIndex current = FContext.Grid->currentIndex();
    const int column = qMax(0, current.column());
    const int row = qMin(qMax(0, current.row()), FContext.Grid->RowCount() - 1);
    FContext.Grid->MakeCurrent(column, row);
    // The panels spoke of a file that is gone: they now tell what is left and what is chosen.
    FContext.Status->SetPanelText(1, FContext.Folder->FileCountText());
    FContext.Status->SetPanelText(0, QString());
    SelectCell(column, row);
}

// Each move to the trash writes a file of its own beside the moved one, with a flush: a
// worker does them, one after the other, while the window counts them; Cancel stops before
// the next one. The reasons of the files that stayed, in the user's language.
QStringList ImageCommands::MoveToTrashWithProgress(const QStringList& files)
{
    struct Shared {
        std::atomic_int Done { 0 };
        std::atomic_bool Stop { false };
        QList<std::pair<QString, QString>> Refused; // the worker's until it ends
    };
    const auto shared = std::make_shared<Shared>();
    DelayedProgress progress(*FContext.Questions, 500, [this] { return FContext.Busy->CloseRequested(); });
    progress.SetLabelText(FContext.Language->TranslateUserMessage("Moving the files to the trash..."));
    progress.SetButtonCaption(FContext.Language->TranslateUserMessage("Cancel"));
    progress.SetProgressBounds(0, static_cast<int>(files.size()));
    QFuture<void> moving = QtConcurrent::run(&FTrashWorker, [shared, files] {
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
        failures.append(TranslateMessage(*FContext.Language, "Cannot move \"%s\" to the trash: %s",
            { MessageArg(FileNameOfPath(file)), MessageArg(reason) }));
    return failures;
}

void ImageCommands::Refresh()
{
    FContext.Folder->Rebuild();
}

} // namespace tarvix
