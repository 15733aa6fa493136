#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace tarvix {

class Dialogs;
class TLanguage;

// The lossless transforms, by the number that the command line, the window's actions and
// the transform library share.
enum class TransformCode : int {
    RotateRight = 1, // 90 degrees clockwise
    Rotate180 = 2,
    RotateLeft = 3, // 90 degrees counter-clockwise
    FlipVertical = 4, // top and bottom change places
    FlipHorizontal = 5, // left and right change places
};

// A code made from a number may be none of the five.
constexpr bool IsTransformCode(TransformCode code)
{
    return code >= TransformCode::RotateRight && code <= TransformCode::FlipHorizontal;
}

// The orientation value that makes the transformed pixels look as the old ones looked
// under `oldValue`; 0 when the old value is none of 1 to 8 (the tag is then left alone).
quint16 OrientationAfterTransform(quint16 oldValue, TransformCode code);

// The TransformCode that turns a picture upright by its orientation value: 3 gives a half
// turn, 6 a right turn, 8 a left turn; nothing for every other value (upright, mirrored,
// none).
std::optional<TransformCode> CorrectingTransform(quint16 orientation);

// The number the transform library takes for `code`.
constexpr int LibraryCode(TransformCode code)
{
    return static_cast<int>(code);
}

// Where the untouched copy goes: "IMG_1.jpg" gives "IMG_1_ORIGINAL.jpg" in the same folder.
QString BackupFileName(const QString& fileName);

// How a caller that works through many files differs from a single turn.
struct TransformOptions {
    // Another run turning the file is waited for a few seconds instead of refused.
    bool WaitIfBusy = false;
    // The orientation value the caller read; a file found with another one (another run
    // turned it meanwhile) is left alone without a word.
    std::optional<quint16> OnlyIfOrientation;
};

// What the questions of a run go by. Read once for a run, not once for every file: the
// settings file may sit on a slow disk, and what the user answered must hold for the run.
struct QuestionSettings {
    bool CropWarning = true; // "DisplayCropWarning"; "Don't ask again" turns it off for the run
    bool Silent = false; // the silent switch: nothing is asked, read-only files are turned too

    // The user's setting and the process's switch as they are now.
    static QuestionSettings Current();
};

// The per-user "DisplayCropWarning": false when the user chose "Don't ask again".
bool ReadCropWarningSetting();

// Turns or mirrors one JPEG file in place (see PendingTransform for the steps), with the crop warning, the read-only
// question, the optional backup copy, the orientation tag rewrite and the optional restoration of the file's times. The
// new content replaces the file in one step. Failures raise TarvixError; a question answered No ends it silently.
void TransformJpegFile(const TLanguage& language, const QString& fileName, TransformCode code, bool keepTimestamp,
    bool makeBackup, Dialogs& owner, const TransformOptions& options = {});

} // namespace tarvix
