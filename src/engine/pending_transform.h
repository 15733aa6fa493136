#pragma once

#include "engine/jpeg_lossless.h"
#include "engine/transform.h"
#include "platform/file_times.h"
#include "platform/locked_file.h"

#include <QString>
#include <memory>
#include <optional>

namespace tarvix {

class Dialogs;
class TLanguage;

// One file's transform in three steps, so that the work that takes time can run on any
// thread while the questions stay with the user's thread and come in order:
//   Read      any thread: the file read and locked, the picture turned in memory;
//   Decide    the questions' thread: crop warning, read-only question, backup;
//   Write     any thread: the new content replaces the file in one step.
// The file stays locked from Read until the object goes, so no other run turns it meanwhile.
class PendingTransform {
public:
    enum class Found {
        Ready, // turned in memory, waiting for Decide
        Missing, // no regular file at the path
        Busy, // another run held the file too long
        Unreadable, // not a file that could be read
        NothingToDo, // its orientation asks for no turn, or is not the one expected
        Failed, // the picture could not be turned
    };

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
    // The path still leads to the file that was read, unchanged since.
    bool StillCurrent() const;

    // Asks what must be asked and makes the backup. True when the file is to be written.
    // Raises TarvixError when the file could not be read or turned.
    bool Decide(const TLanguage& language, bool makeBackup, Dialogs& owner);

    // Writes the turned picture; remembers a failure for RaiseWriteError.
    void Write();
    bool WriteFailed() const { return FWriteError != 0; }
    // Raises the failure of Write as TarvixError, if there was one.
    void RaiseWriteError(const TLanguage& language) const;

private:
    PendingTransform() = default;
    void Inspect();

    Request FRequest;
    Found FFound = Found::Unreadable;
    LockedFile FFile;
    std::optional<FileTimes> FTimes;
    TransformCode FCode = TransformCode::RotateRight;
    bool FMayCrop = false;
    TransformedJpeg FTurned;
    QByteArray FHead;
    qsizetype FHeadSize = 0;
    int FWriteError = 0;
    int FTimesError = 0;
};

} // namespace tarvix
