#include "engine/undo_recorder.h"

#include "engine/log_categories.h"
#include "engine/undo_space.h"
#include "platform/temp_file.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace tarvix {

UndoRecorder::UndoRecorder(std::shared_ptr<UndoSpace> space, int number)
    : FSpace(std::move(space))
{
    FStep.Number = number;
}

void UndoRecorder::Break(const QString& path, const char* why)
{
    qCWarning(TransformLog, "the step that turned %s cannot be undone: %s", qUtf8Printable(path), why);
    FBroken = true;
    FSpace->Abandon(FStep.Number, FStep.Bytes);
    FStep.Files.clear();
    FStep.Bytes = 0;
}

void UndoRecorder::Record(
    const QString& path, QByteArrayView before, const struct stat& beforeStat, const QList<QByteArrayView>& written)
{
    struct stat now { };
    const int statError = ::stat(QFile::encodeName(path).constData(), &now) == 0 ? 0 : errno;
    const quint64 hash = statError == 0 ? ContentHash(written) : 0;
    QList<qsizetype> pieces;
    for (const QByteArrayView piece : written)
        pieces.append(piece.size());

    RecordedFile file;
    file.Path = path;
    file.CopySize = before.size();
    file.Times = { beforeStat.st_atim, beforeStat.st_mtim };
    file.Mode = beforeStat.st_mode & 07777;
    file.Written = now;
    file.Hash = hash;
    file.Pieces = pieces;
    QString folder;
    {
        const std::lock_guard lock(FMutex);
        if (FBroken || FFinished)
            return;
        if (statError != 0) {
            Break(path, std::strerror(statError));
            return;
        }
        // Written twice in one step (two names of one file): the first copy holds what the
        // file had before the step.
        for (RecordedFile& earlier : FStep.Files) {
            if (StillAsWritten(beforeStat, earlier.Written)) {
                earlier.Written = now;
                earlier.Hash = hash;
                earlier.Pieces = pieces;
                return;
            }
        }
        folder = FSpace->Reserve(FStep.Number, before.size());
        if (folder.isEmpty()) {
            Break(path, "it is larger than the undo cache, or the cache cannot be written");
            return;
        }
        FStep.Folder = folder;
        FStep.Bytes += before.size();
        file.Copy = folder + '/' + QString::number(FNextCopy++);
    }

    // Only a cache: no flush, which would cost the turn more than the copy itself. A copy
    // cut short by a crash is never read, since the steps die with the process.
    TempFile copy(QFile::encodeName(folder).toStdString(), "original");
    int error = copy.Valid() ? WriteAll(copy.Fd(), before.data(), size_t(before.size())) : copy.Error();
    if (error == 0)
        error = copy.LinkAs(QFile::encodeName(file.Copy).toStdString());

    const std::lock_guard lock(FMutex);
    if (error != 0) {
        if (!FBroken)
            Break(path, std::strerror(error));
        return;
    }
    if (FBroken || FFinished)
        return; // the folder went with the step
    FStep.Files.append(std::move(file));
}

std::optional<UndoStep> UndoRecorder::Finish()
{
    const std::lock_guard lock(FMutex);
    FFinished = true;
    if (FBroken)
        return std::nullopt;
    if (FStep.Files.isEmpty()) {
        if (FStep.Bytes > 0)
            FSpace->Release(FStep);
        return std::nullopt;
    }
    return std::move(FStep);
}

} // namespace tarvix
