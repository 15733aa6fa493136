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
#include "ui/exif_display.h"
#include "ui/job_log.h"
#include "ui/main_window.h"
#include "ui/status_bar.h"
#include "ui/thumbnail_grid.h"
#include "ui/thumbnail_model.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTreeWidget>
#include <QUrl>
#include <cstring>

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

void TFormTarvix::ShowMissingFileMessage(const QString& path)
{
    FQuestions->ShowMessage(
        TranslateMessage(*Language, "Cannot open \"%s\". The file or folder has been moved or deleted.",
            { MessageArg(FileNameOfPath(path)) }),
        QString(), Dialogs::Icon::Warning);
}

void TFormTarvix::ActionRotate(QAction* sender)
{
    const JobLog job("turn");
    const auto code = static_cast<TransformCode>(sender->data().toInt());
    int lastColumn = 0;
    int lastRow = 0;
    QList<PipelineFile> files;
    ForEachSelectedCell([&](int column, int row) {
        lastColumn = column;
        lastRow = row;
        if (!FileName.isEmpty())
            files.append({ FileName, code });
    });
    PipelineSettings settings;
    settings.KeepTimestamp = pmiKeepTimestamp->isChecked();
    settings.MakeBackup = pmiMakeBackup->isChecked();
    // One file's failure is that file's: it is reported, and the next one is turned.
    settings.StopAtFirstError = false;
    settings.OnMissing = [this](const QString& path) { ShowMissingFileMessage(path); };
    settings.OnError = [this](const QString&, const TarvixError& error) {
        FQuestions->ShowMessage(error.Message(), windowTitle(), Dialogs::Icon::Error);
    };
    settings.AfterFile = [this](const QString& path) { RefreshThumbnail(path); };
    // The grid repaints as pictures turn; no command can start in between.
    settings.ProcessEvents = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
    TransformFiles(*Language, files, *FQuestions, nullptr, settings);
    // The status bar read the last picture's size before it was turned.
    DrawGridSelectCell(lastColumn, lastRow);
    DrawGrid->viewport()->update();
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
        const int i = Images.IndexOf(FileName);
        if (i >= 0) {
            Images.At(i).Path = target;
            DrawGrid->Model().EntriesChanged(i, i);
        }
        DrawGridSelectCell(column, row);
    });
}

void TFormTarvix::ActionDeleteExecute()
{
    const JobLog job("delete");
    QStringList files;
    ForEachSelectedCell([&](int, int) {
        if (IsFile(FileName))
            files.append(FileName);
    });
    if (!files.isEmpty()
        && (!pmiDeleteConfirm->isChecked()
            || FQuestions->AskYesNo(TranslateMessage(*Language, "Move %u file(s) to the trash?",
                                        { MessageArg(static_cast<unsigned>(files.size())) }),
                windowTitle(), Dialogs::Icon::Question))) {
        QStringList failures;
        for (const QString& file : files) {
            QString reason;
            if (!MoveToTrash(file, &reason))
                failures.append(TranslateMessage(*Language, "Cannot move \"%s\" to the trash: %s",
                    { MessageArg(FileNameOfPath(file)), MessageArg(reason) }));
        }
        for (const QString& file : files) {
            if (QFileInfo::exists(file))
                continue;
            const int i = Images.IndexOf(file);
            if (i >= 0)
                Images.RemoveAt(i);
        }
        if (!failures.isEmpty())
            FQuestions->ShowMessage(failures.join(u'\n'), QString(), Dialogs::Icon::Warning);
    }
    const QModelIndex current = DrawGrid->currentIndex();
    DrawGrid->FitRowsTo(Images.Count());
    const int column = qMax(0, current.column());
    const int row = qMin(qMax(0, current.row()), DrawGrid->RowCount() - 1);
    DrawGrid->MakeCurrent(column, row);
    DrawGrid->viewport()->update();
    // The panels spoke of a file that is gone: they now tell what is left and what is chosen.
    StatusBar->SetPanelText(1, FileCountText());
    StatusBar->SetPanelText(0, QString());
    DrawGridSelectCell(column, row);
}

void TFormTarvix::pmiRefreshClick()
{
    RebuildThumbnails();
}

} // namespace tarvix
