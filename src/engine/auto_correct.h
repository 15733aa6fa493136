#pragma once

#include "engine/transform.h"

#include <QString>
#include <functional>

namespace tarvix {

class Dialogs;
class TLanguage;

// The TransformCode that turns a picture upright by its orientation value: 3 gives a half
// turn, 6 a right turn, 8 a left turn; nothing for every other value (upright, mirrored,
// none).
std::optional<TransformCode> CorrectingTransform(quint16 orientation);

// How a caller of the folder correction differs from another: the command line and the
// browser window run the same steps around their own transform and repaint.
struct AutoCorrection {
    QString Title; // stands for %s in the texts and is the caption of the questions
    bool Silent = false; // no question before, no notice when nothing was found
    // Asked to wait for a file another run is turning, and to leave it alone when its
    // orientation is no longer the one that was read.
    std::function<void(const QString& path, TransformCode code, const TransformOptions& options)> Transform;
    std::function<void(const QString& path)> AfterFile; // every existing file, turned or not
    std::function<void()> AfterLoop; // also when an error ends the run
};

// Finds the JPEG files of the folder whose orientation calls for a turn, asks once and turns
// them under a progress display. Cancel stops before the next file; an error of one file
// ends the run and passes on, the files before it stay corrected.
void CorrectFolder(const QString& folder, bool includeSubfolders, const TLanguage& language, Dialogs& dialogs,
    const AutoCorrection& how);

// The command line's correction: silent with the switch s, "Tarvix" as title.
void AutoTransformFolder(const QString& folder, bool includeSubfolders, const TLanguage& language, bool keepTimestamp,
    bool makeBackup, Dialogs& ownerWindow);

} // namespace tarvix
