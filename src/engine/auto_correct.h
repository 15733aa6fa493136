#pragma once

#include "engine/transform.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

namespace tarvix {

class Dialogs;
class TLanguage;
class UndoRecorder;

// How a caller of the folder correction differs from another: the command line and the
// browser window run the same steps with their own settings and repaint.
struct AutoCorrection {
    QString Title; // stands for %s in the texts and is the caption of the questions
    bool Silent = false; // no question before, no notice when nothing was found
    bool KeepTimestamp = true;
    bool MakeBackup = false;
    int Workers = 0; // files turned at once; 0: one per core
    std::shared_ptr<UndoRecorder> Undo; // see PipelineSettings
    std::function<void(const QString& path)> AfterFile; // every existing file, turned or not
    std::function<void()> AfterLoop; // also when an error ends the run
    std::function<void(const QString& path)> BeforeWrite; // tests only: see PipelineSettings
};

// The JPEG files of the folder whose orientation calls for a turn (3, 6 or 8), in list order.
// Setting `stop` ends the search soon, with what it found so far.
QStringList FindCorrectableFiles(const QString& folder, bool includeSubfolders, const std::atomic_bool* stop = nullptr);
// The same among the files of a list.
QStringList CorrectableAmong(const QStringList& files, const std::atomic_bool* stop = nullptr);

// CorrectFolder after its search: tells when `files` is empty, otherwise asks once and turns
// them.
void CorrectFoundFiles(
    const QStringList& files, const TLanguage& language, Dialogs& dialogs, const AutoCorrection& how);

// Finds the JPEG files of the folder whose orientation calls for a turn, asks once and turns
// them under a progress display, several at once (TransformFiles). Cancel starts no other
// file; an error of one file starts no other and passes on once the files being written are
// done; the files before it stay corrected.
void CorrectFolder(const QString& folder, bool includeSubfolders, const TLanguage& language, Dialogs& dialogs,
    const AutoCorrection& how);

// The command line's correction: silent with the switch s, "Tarvix" as title.
void AutoTransformFolder(const QString& folder, bool includeSubfolders, const TLanguage& language, bool keepTimestamp,
    bool makeBackup, Dialogs& ownerWindow);

} // namespace tarvix
