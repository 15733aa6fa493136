#pragma once

#include "engine/jpeg_lossless.h"
#include "engine/transform.h"
#include "platform/locked_file.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>
#include <sys/stat.h>

namespace tarvix {

class Dialogs;
class TLanguage;

// One file's transform in three steps, so that the work that takes time can run on any
// thread while the questions stay with the user's thread and come in order:
//   Read      any thread: the file read, the picture turned in memory;
//   Decide    the questions' thread: the file locked and found unchanged since it was read
//             (read again otherwise), crop warning, read-only question, backup;
//   Write     any thread: the new content replaces the file in one step, and the lock goes.
// The lock is held only from Decide to the end of Write, so a run never holds one file while
// it waits for another: two runs over one folder cannot keep each other waiting.
class PendingTransform {
public:
    enum class Found {
        Ready, // turned in memory, waiting for Decide
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
        TransformOptions Options;
    };

    static std::unique_ptr<PendingTransform> Read(const Request& request);

    Found State() const { return FFound; }
    const QString& FileName() const { return FRequest.FileName; }

    // Locks the file, asks what must be asked and makes the backup. Missing when the file is
    // gone; raises TarvixError when it is busy or could not be read or turned.
    Decision Decide(const TLanguage& language, bool makeBackup, Dialogs& owner);

    // Writes the turned picture and lets the file go; remembers a failure for RaiseWriteError.
    void Write();
    bool WriteFailed() const { return FWriteError != 0; }
    // Raises the failure of Write as TarvixError, if there was one.
    void RaiseWriteError(const TLanguage& language) const;
    // "Unable to rotate the image", for a file the caller expected to find.
    [[noreturn]] void RaiseCannotRotate(const TLanguage& language) const;

private:
    PendingTransform() = default;
    void ReadBytes(int fd);
    void Inspect();
    void Lock(const TLanguage& language);

    Request FRequest;
    Found FFound = Found::Unreadable;
    QByteArray FBytes;
    struct stat FStat { }; // the file as it was read
    std::unique_ptr<LockedFile> FLock;
    TransformCode FCode = TransformCode::RotateRight;
    bool FMayCrop = false;
    TransformedJpeg FTurned;
    QByteArray FHead;
    qsizetype FHeadSize = 0;
    int FWriteError = 0;
    int FTimesError = 0;
};

} // namespace tarvix
