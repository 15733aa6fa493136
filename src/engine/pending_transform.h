#pragma once

#include "engine/jpeg_lossless.h"
#include "engine/transform.h"
#include "platform/locked_file.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <memory>
#include <optional>
#include <sys/stat.h>

namespace tarvix {

class Dialogs;
class TLanguage;
class UndoRecorder;

// One file's transform in four steps. What takes time (reading, turning, waiting for a lock,
// copying, writing) runs on any thread; the user's thread only asks, and its questions come
// in order:
//   Read      any thread: the file read, the picture turned in memory;
//   Prepare   any thread, at the file's turn: the file locked (another run waited for, when
//             asked) and found unchanged since it was read, or read and turned again; what the
//             questions need is looked up;
//   Ask       the questions' thread: crop warning, read-only question, nothing that touches
//             the file;
//   Write     any thread: the backup made, the new content in place of the file in one step,
//             and the lock let go.
// The lock is held from Prepare to the end of Write, so the file cannot change between the
// look the questions went by and the replacement (which checks once more that the file is
// the one read). A caller prepares a file only once the files before it are past their
// questions, so a run never holds one file while it waits for another: two runs over one
// folder cannot keep each other waiting.
class PendingTransform {
public:
    enum class Found {
        Ready, // turned in memory, waiting for its questions
        Missing, // no regular file at the path
        Unreadable, // not a file that could be read
        NothingToDo, // its orientation asks for no turn, or is not the one expected
        Failed, // the picture could not be turned
    };
    enum class Decision { Write, LeaveAlone, Missing };

    struct Request {
        QString FileName;
        // The turn; none: the one that makes the picture upright by its orientation value.
        std::optional<TransformCode> Code;
        bool KeepTimestamp = true;
        bool MakeBackup = false;
        TransformOptions Options;
        // Keeps what a written file had before, for an undo.
        UndoRecorder* Undo = nullptr;
    };

    static std::unique_ptr<PendingTransform> Read(const Request& request);

    Found State() const { return FFound; }
    const QString& FileName() const { return FRequest.FileName; }

    // Locks the file, reads it again if it changed, and looks up what Ask needs. Missing when
    // the file is gone, LeaveAlone when there is nothing to do, Write when Ask comes next.
    // Raises TarvixError when it is busy (also when `stop` ended the wait) or could not be
    // read or turned.
    Decision Prepare(const TLanguage& language, const std::atomic<bool>* stop = nullptr);

    // After Prepare said Write: the crop warning when blocks do not fit and `questions` want
    // it, then the read-only question. "Don't ask again" with OK turns the warning off in
    // `questions`, for the rest of the caller's run, and stores that for later runs.
    Decision Ask(const TLanguage& language, QuestionSettings& questions, Dialogs& owner);

    // After Ask said Write: makes the backup, writes the turned picture and lets the file go;
    // remembers a failure for RaiseWriteError. A backup that cannot be made stops the file
    // untouched: its new content must never stand without the copy that was asked for.
    void Write();
    bool WriteFailed() const { return FWriteError != 0; }
    // Raises the failure of Write as TarvixError, if there was one; its Details() tell what
    // the system said.
    void RaiseWriteError(const TLanguage& language) const;
    // "Unable to rotate the image", for a file the caller expected to find.
    [[noreturn]] void RaiseCannotRotate(const TLanguage& language) const;

private:
    enum class Step { Backup, Replace };

    PendingTransform() = default;
    void ReadBytes(int fd);
    void Inspect();
    void Lock(const TLanguage& language, const std::atomic<bool>* stop);
    void FailWrite(Step step, int error);
    QString WriteFailureDetails() const;

    Request FRequest;
    Found FFound = Found::Unreadable;
    QByteArray FBytes;
    struct stat FStat { }; // the file as it was read
    std::unique_ptr<LockedFile> FLock;
    TransformCode FCode = TransformCode::RotateRight;
    bool FMayCrop = false;
    bool FReadOnly = false; // as Prepare found it
    TransformedJpeg FTurned;
    QByteArray FHead;
    qsizetype FHeadSize = 0;
    Step FFailedStep = Step::Replace;
    int FWriteError = 0;
    int FTimesError = 0;
};

} // namespace tarvix
