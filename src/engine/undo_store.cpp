#include "engine/undo_store.h"

#include "engine/undo_recorder.h"
#include "engine/undo_restore.h"
#include "engine/undo_space.h"
#include "platform/process_folder.h"
#include "platform/xdg_folders.h"

#include <QFile>

namespace tarvix {

UndoStore::UndoStore(qint64 capBytes, const QString& root)
{
    if (capBytes > 0)
        FSpace = std::make_shared<UndoSpace>(capBytes, root);
}

UndoStore::~UndoStore() = default;

QString UndoStore::DefaultRoot()
{
    return XdgCacheHome() + QStringLiteral("/tarvix/undo");
}

void UndoStore::RemoveAbandoned(const QString& root)
{
    ProcessFolder::RemoveAbandoned(root);
}

bool UndoStore::Enabled() const
{
    return bool(FSpace);
}

std::shared_ptr<UndoRecorder> UndoStore::BeginStep()
{
    if (!FSpace)
        return nullptr;
    return std::make_shared<UndoRecorder>(FSpace, FSpace->NewStepNumber());
}

void UndoStore::FinishStep(const std::shared_ptr<UndoRecorder>& recorder)
{
    if (!FSpace || !recorder)
        return;
    if (std::optional<UndoStep> step = recorder->Finish())
        FSpace->Keep(std::move(*step));
}

bool UndoStore::CanUndo() const
{
    return FSpace && FSpace->HasSteps();
}

UndoResult UndoStore::UndoLast(const UndoProgress& progress)
{
    UndoResult result;
    std::optional<UndoStep> step = FSpace ? FSpace->TakeLast() : std::nullopt;
    if (!step)
        return result;
    // Newest first: a file written under two names comes back through the last one first.
    QList<RecordedFile> kept; // in their order, for another try
    qint64 freed = 0;
    const auto drop = [&](const RecordedFile& file) {
        QFile::remove(file.Copy);
        freed += file.CopySize;
    };
    const qsizetype total = step->Files.size();
    qsizetype done = 0;
    for (qsizetype at = total - 1; at >= 0; --at) {
        const RecordedFile& file = step->Files[at];
        if (result.Cancelled || (progress.Cancel && progress.Cancel->load())) {
            result.Cancelled = true;
            kept.prepend(file);
            continue;
        }
        if (progress.BeforeFile)
            progress.BeforeFile(file.Path);
        const auto rewritten
            = [&](QByteArrayView content, const struct stat& now) { FSpace->Rewritten(file.Path, content, now); };
        switch (RestoreRecordedFile(file, nullptr, rewritten)) {
        case RestoreOutcome::Restored:
            result.Restored.append(file.Path);
            drop(file);
            break;
        case RestoreOutcome::Changed:
            result.Changed.append(file.Path);
            drop(file);
            break;
        case RestoreOutcome::Failed:
            result.Failed.append(file.Path);
            kept.prepend(file);
            break;
        }
        if (progress.AfterFile)
            progress.AfterFile(++done, total);
    }
    if (kept.isEmpty()) {
        FSpace->Release(*step);
    } else {
        step->Files = kept;
        step->Bytes -= freed;
        FSpace->PutBack(std::move(*step), freed);
    }
    return result;
}

} // namespace tarvix
