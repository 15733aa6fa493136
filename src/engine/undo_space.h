#pragma once

#include "engine/undo_step.h"

#include <QString>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

namespace tarvix {

class ProcessFolder;

// The copies the undo steps keep on disk: the process's own folder (made at the first copy),
// the steps kept, and the bound on their size. The oldest steps make room for a new one; a
// step that does not fit even alone is not kept, and neither are the steps before it, since
// undoing them past it would bring back pictures the user has since turned again. Every
// member may be called on any thread.
class UndoSpace {
public:
    UndoSpace(qint64 capBytes, QString root);
    ~UndoSpace(); // the folder goes with everything in it

    qint64 Cap() const { return FCap; }
    int NewStepNumber();

    // Room for `bytes` more of the open step `number`: the step's folder, or empty when the
    // step cannot be kept (it does not fit even alone, or no folder can be made).
    QString Reserve(int number, qint64 bytes);
    // The open step `number`, holding `bytes`, cannot be undone: its copies go, and so does
    // every step kept before it.
    void Abandon(int number, qint64 bytes);
    // A finished step with the copies reserved for it.
    void Keep(UndoStep step);
    bool HasSteps() const;
    // The newest step, out of the list while it is undone; PutBack or Release it after.
    std::optional<UndoStep> TakeLast();
    // What is left of a step undone in part; `freed` bytes of its copies were removed.
    void PutBack(UndoStep step, qint64 freed);
    void Release(const UndoStep& step);
    // An undo put `content` back into the file at `path`, which is now `now`. When that is
    // what the step kept before it wrote the file, that step takes the file as its own again:
    // undoing two turns of one picture, one after the other, brings back the first.
    void Rewritten(const QString& path, QByteArrayView content, const struct stat& now);

private:
    QString StepFolder(int number) const;
    void DropKept(); // FMutex held

    const qint64 FCap;
    const QString FRoot;
    mutable std::mutex FMutex;
    std::unique_ptr<ProcessFolder> FFolder;
    bool FFolderFailed = false;
    std::deque<UndoStep> FSteps; // oldest first
    qint64 FUsed = 0; // kept, taken and reserved
    int FNextNumber = 1;
};

} // namespace tarvix
