#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

namespace tarvix {

class UndoRecorder;
class UndoSpace;

// What an undo did with the files of its step.
struct UndoResult {
    QStringList Restored; // as they were before the step: their thumbnails are to be made again
    QStringList Changed; // changed since the step (by another program, renamed, deleted): left as they are
    QStringList Failed; // still as the step wrote them (busy, a write error): kept in the step for another try
    bool Cancelled = false; // the files not reached are kept in the step too
};

struct UndoProgress {
    // After each file, on the undoing thread: how many of `total` are done with.
    std::function<void(qsizetype done, qsizetype total)> AfterFile;
    // Polled before each file; a file being restored is finished first.
    const std::atomic<bool>* Cancel = nullptr;
    // Tests only: before a file is restored.
    std::function<void(const QString& path)> BeforeFile;
};

// The steps a window can take back, newest last: each turn or folder correction that wrote
// files is one step, holding the exact bytes, times and permissions the files had before
// (a lossless turn may trim edge blocks, so turning back would not restore them). The
// copies live in a private folder of this process under $XDG_CACHE_HOME/tarvix/undo, made at
// the first copy and removed with the store.
//
// A turn on the user's thread:
//     auto recorder = store.BeginStep();      // null when undo is off
//     settings.Undo = recorder;                // PipelineSettings or AutoCorrection
//     TransformFiles(...);
//     store.FinishStep(recorder);              // also after an error or Cancel
// An undo on a worker (it reads and writes files): store.UndoLast(progress).
class UndoStore {
public:
    // `capBytes` bounds the copies of all steps together; 0 turns undo off. `root` is for tests.
    explicit UndoStore(qint64 capBytes, const QString& root = DefaultRoot());
    ~UndoStore();
    UndoStore(const UndoStore&) = delete;
    UndoStore& operator=(const UndoStore&) = delete;

    static QString DefaultRoot(); // $XDG_CACHE_HOME/tarvix/undo
    // At program start: removes the copies of processes that ended without removing them.
    static void RemoveAbandoned(const QString& root = DefaultRoot());

    bool Enabled() const;
    // A new step; null when undo is off.
    std::shared_ptr<UndoRecorder> BeginStep();
    // The step becomes the one to undo next, unless it wrote nothing (then the steps before
    // stay as they were) or cannot be undone (larger than the cap, a copy that could not be
    // kept; then no step before it can be undone either).
    void FinishStep(const std::shared_ptr<UndoRecorder>& recorder);

    bool CanUndo() const;
    // Undoes the newest step file by file, newest file first, on the calling thread (run it
    // on a worker). A file is restored only when it is still exactly what the step wrote.
    // The step is gone afterwards unless files of it remain to be tried again (Failed,
    // Cancel). Thread-safe against CanUndo; not to be run beside a turn.
    UndoResult UndoLast(const UndoProgress& progress = {});

private:
    std::shared_ptr<UndoSpace> FSpace; // null when off
};

} // namespace tarvix
