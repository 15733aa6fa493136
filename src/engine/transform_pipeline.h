#pragma once

#include "engine/dialogs.h"
#include "engine/transform.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace tarvix {

class TarvixError;
class TLanguage;
class UndoRecorder;

// One file for TransformFiles: its turn, or none for the one its orientation calls for.
struct PipelineFile {
    QString Path;
    std::optional<TransformCode> Code;
};

struct PipelineSettings {
    bool KeepTimestamp = true;
    bool MakeBackup = false;
    bool WaitIfBusy = false; // a file another run is turning is waited for a few seconds
    // The crop warning ("DisplayCropWarning") and the silent switch, read once by the caller
    // for the run; none: read once when the run starts (QuestionSettings::Current).
    std::optional<bool> CropWarning;
    std::optional<bool> Silent;
    // An error ends the run (raised once the files in flight are written); otherwise it is
    // handed to OnError and the next file goes on.
    bool StopAtFirstError = true;
    int Workers = 0; // 0: one per core
    // Keeps what each written file had before, on the workers, for an undo
    // (UndoStore::BeginStep); none: nothing is kept.
    std::shared_ptr<UndoRecorder> Undo;

    // Everything below runs on the calling thread, file by file in list order.
    // A file that is no regular file at its turn; without this it is passed over unseen.
    std::function<void(const QString& path)> OnMissing;
    std::function<void(const QString& path, const TarvixError& error)> OnError;
    // A file is done with: written, left alone, missing (with OnMissing) or failed.
    std::function<void(const QString& path)> AfterFile;
    // Lets the user interface go on while the calling thread waits; Dialogs::ProcessEvents
    // when empty.
    std::function<void()> ProcessEvents;
    // Tests only: on the worker, just before the file is written.
    std::function<void(const QString& path)> BeforeWrite;
};

// Turns the files as TransformJpegFile would, one after the other as far as the user can
// tell: every question and every callback come on the calling thread in list order, and
// that thread does nothing else, so that it never keeps its user waiting. Reading, the
// lossless turn, the backup and the writing of several files run at once on a pool of
// workers, a few files ahead, with a bound on the files held in memory. The lock of the file
// whose questions come next (with the wait for another run, and a new read when it changed)
// is taken on a thread of its own. Two names of one file are never in flight together.
// "Don't ask again" holds for the rest of the run.
//
// `progress`, when given, counts the files done with and is polled for Cancel while the
// calling thread waits and before each file's questions; Cancel, like an error that ends the
// run, starts no other file (it ends a wait for another run too) and lets those being
// written finish.
void TransformFiles(const TLanguage& language, const QList<PipelineFile>& files, Dialogs& owner,
    Dialogs::Progress* progress, const PipelineSettings& settings);

} // namespace tarvix
