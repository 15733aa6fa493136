#pragma once

#include "engine/undo_step.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <memory>
#include <mutex>
#include <sys/stat.h>

namespace tarvix {

class UndoSpace;

// Keeps, for one undo step, what each file written had before: its bytes as a copy in the
// undo cache, its times and permissions, and what was written in its place. Made by
// UndoStore::BeginStep and passed to the turn (PipelineSettings::Undo). A copy that cannot
// be kept (the cache full or unwritable, the step larger than the cache) never fails the
// turn: the step just cannot be undone.
class UndoRecorder {
public:
    UndoRecorder(std::shared_ptr<UndoSpace> space, int number);
    UndoRecorder(const UndoRecorder&) = delete;
    UndoRecorder& operator=(const UndoRecorder&) = delete;

    // On the worker that has just replaced `path` with `written`, while it still holds the
    // file's lock; `before` and `beforeStat` are the content and status it replaced. Several
    // workers at once.
    void Record(const QString& path, QByteArrayView before, const struct stat& beforeStat,
        const QList<QByteArrayView>& written);

    // Ends the recording: the step, or none when nothing was written or it cannot be undone
    // (then its copies are gone, and the steps before it too).
    std::optional<UndoStep> Finish();

private:
    void Break(const QString& path, const char* why); // FMutex held

    const std::shared_ptr<UndoSpace> FSpace;
    std::mutex FMutex;
    UndoStep FStep;
    bool FBroken = false;
    bool FFinished = false;
    int FNextCopy = 0;
};

} // namespace tarvix
