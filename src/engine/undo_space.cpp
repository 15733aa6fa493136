#include "engine/undo_space.h"

#include "engine/log_categories.h"
#include "platform/process_folder.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace tarvix {

UndoSpace::UndoSpace(qint64 capBytes, QString root)
    : FCap(std::max<qint64>(0, capBytes))
    , FRoot(std::move(root))
{
}

UndoSpace::~UndoSpace() = default;

int UndoSpace::NewStepNumber()
{
    const std::lock_guard lock(FMutex);
    return FNextNumber++;
}

QString UndoSpace::StepFolder(int number) const
{
    return FFolder->Path() + '/' + QString::number(number);
}

void UndoSpace::DropKept()
{
    for (const UndoStep& step : FSteps) {
        QDir(step.Folder).removeRecursively();
        FUsed -= step.Bytes;
    }
    FSteps.clear();
}

QString UndoSpace::Reserve(int number, qint64 bytes)
{
    const std::lock_guard lock(FMutex);
    if (bytes > FCap)
        return {};
    while (FUsed + bytes > FCap && !FSteps.empty()) {
        QDir(FSteps.front().Folder).removeRecursively();
        FUsed -= FSteps.front().Bytes;
        FSteps.pop_front();
    }
    if (FUsed + bytes > FCap)
        return {}; // another open step holds the rest
    if (!FFolder && !FFolderFailed) {
        FFolder = ProcessFolder::Create(FRoot);
        FFolderFailed = !FFolder;
        if (FFolderFailed)
            qCWarning(TransformLog, "no undo: cannot make a private folder in %s", qUtf8Printable(FRoot));
    }
    if (!FFolder)
        return {};
    const QString folder = StepFolder(number);
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST) {
        qCWarning(TransformLog, "no undo: cannot make %s: %s", qUtf8Printable(folder), std::strerror(errno));
        return {};
    }
    FUsed += bytes;
    return folder;
}

void UndoSpace::Abandon(int number, qint64 bytes)
{
    const std::lock_guard lock(FMutex);
    if (FFolder)
        QDir(StepFolder(number)).removeRecursively();
    FUsed -= bytes;
    DropKept();
}

void UndoSpace::Keep(UndoStep step)
{
    const std::lock_guard lock(FMutex);
    FSteps.push_back(std::move(step));
}

bool UndoSpace::HasSteps() const
{
    const std::lock_guard lock(FMutex);
    return !FSteps.empty();
}

std::optional<UndoStep> UndoSpace::TakeLast()
{
    const std::lock_guard lock(FMutex);
    if (FSteps.empty())
        return std::nullopt;
    UndoStep step = std::move(FSteps.back());
    FSteps.pop_back();
    return step;
}

void UndoSpace::PutBack(UndoStep step, qint64 freed)
{
    const std::lock_guard lock(FMutex);
    FUsed -= freed;
    FSteps.push_back(std::move(step));
}

void UndoSpace::Release(const UndoStep& step)
{
    const std::lock_guard lock(FMutex);
    QDir(step.Folder).removeRecursively();
    FUsed -= step.Bytes;
}

void UndoSpace::Rewritten(const QString& path, QByteArrayView content, const struct stat& now)
{
    const std::lock_guard lock(FMutex);
    // The newest step that wrote the file; an older one wrote what that one replaced.
    for (auto step = FSteps.rbegin(); step != FSteps.rend(); ++step)
        for (auto file = step->Files.rbegin(); file != step->Files.rend(); ++file)
            if (file->Path == path) {
                if (ContentHash(content, file->Pieces) == file->Hash)
                    file->Written = now;
                return;
            }
}

} // namespace tarvix
