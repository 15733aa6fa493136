#include "ui/window/undo_command.h"

#include "engine/language.h"
#include "engine/message_format.h"
#include "ui/grid/thumbnail_model.h"
#include "ui/thumbnails/wait_for_future.h"
#include "ui/window/delayed_progress.h"

#include <QtConcurrent/QtConcurrentRun>
#include <atomic>

namespace tarvix {

UndoCommand::UndoCommand(qint64 capBytes)
    : FCap(capBytes)
    , FStore(std::make_unique<UndoStore>(capBytes))
{
}

void UndoCommand::SetCap(qint64 capBytes)
{
    if (capBytes == FCap)
        return;
    FStore.reset();
    FCap = capBytes;
    FStore = std::make_unique<UndoStore>(capBytes);
}

UndoResult UndoCommand::Run(const TLanguage& language, Dialogs& dialogs, const std::function<bool()>& stop)
{
    struct Shared {
        std::atomic<qsizetype> Done { 0 };
        std::atomic<qsizetype> Total { 0 };
        std::atomic<bool> Cancel { false };
    };
    const auto shared = std::make_shared<Shared>();
    DelayedProgress progress(dialogs, 500, stop);
    progress.SetLabelText(language.TranslateUserMessage("Transformation is in progress..."));
    progress.SetButtonCaption(language.TranslateUserMessage("Cancel"));
    // The store is the window's and outlives the wait: the worker is always waited for.
    QFuture<UndoResult> undoing = QtConcurrent::run([this, shared] {
        UndoProgress reports;
        reports.Cancel = &shared->Cancel;
        reports.AfterFile = [shared](qsizetype done, qsizetype total) {
            shared->Total = total;
            shared->Done = done;
        };
        return FStore->UndoLast(reports);
    });
    qsizetype shown = 0;
    bool bounded = false;
    WaitProcessingEvents(undoing, [&] {
        const qsizetype total = shared->Total;
        if (!bounded && total > 0) {
            progress.SetProgressBounds(0, static_cast<int>(total));
            bounded = true;
        }
        const qsizetype done = shared->Done;
        progress.SetProgressBy(static_cast<int>(done - shown));
        shown = done;
        if (progress.WantCancel())
            shared->Cancel = true;
        return false;
    });
    undoing.waitForFinished();
    return undoing.result();
}

namespace {

QString NamesOneALine(const QStringList& paths)
{
    QStringList names;
    for (const QString& path : paths)
        names.append(FileNameOfPath(path));
    return names.join(u'\n');
}

} // namespace

QString UndoCommand::ChangedMessage(const TLanguage& language, const QStringList& changed)
{
    return language.TranslateUserMessage("These files were changed since and were left as they are:") + u'\n'
        + NamesOneALine(changed);
}

QString UndoCommand::FailedMessage(const TLanguage& language, const QStringList& failed)
{
    QStringList lines;
    for (const QString& path : failed)
        lines.append(TranslateMessage(language, "Unable to write to %s", { MessageArg(FileNameOfPath(path)) }));
    return lines.join(u'\n');
}

} // namespace tarvix
