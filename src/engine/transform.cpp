#include "engine/transform.h"

#include "base/file_name.h"
#include "engine/dialogs.h"
#include "engine/errors.h"
#include "engine/image_info.h"
#include "engine/jpeg_header.h"
#include "engine/jpeg_lossless.h"
#include "engine/language.h"
#include "engine/message_format.h"
#include "engine/process_switches.h"
#include "engine/settings_store.h"
#include "engine/turned_metadata.h"
#include "platform/file_attributes.h"
#include "platform/file_copy.h"
#include "platform/file_times.h"
#include "platform/locked_file.h"
#include "platform/safe_write.h"
#include "platform/thumbnail_cache.h"

#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <optional>

namespace tarvix {

namespace {

// How long a folder correction waits for a file that another run is turning.
constexpr std::chrono::milliseconds BusyWait(5000);

// A code made from a number may be none of the five.
bool IsTransformCode(TransformCode code)
{
    return code >= TransformCode::RotateRight && code <= TransformCode::FlipHorizontal;
}

// What the transform needs to know of the picture before it touches the file.
struct Picture {
    quint16 Tagged = 0; // the value as read
    quint16 Orientation = 0; // 0 also for values above 8: the tag is then left alone
    int Width = 0;
    int Height = 0;
    int McuWidth = 0; // of the frame header, 0 when there is none
    int McuHeight = 0;
};

Picture Inspect(QByteArrayView jpeg)
{
    Picture picture;
    const ImageInfo info = ParseImageInfo(jpeg);
    if (!info.IsImage)
        return picture;
    picture.Width = info.Width;
    picture.Height = info.Height;
    picture.Tagged = OrientationOfImage(info);
    picture.Orientation = picture.Tagged <= 8 ? picture.Tagged : 0;
    picture.McuWidth = info.Frame.McuWidth();
    picture.McuHeight = info.Frame.McuHeight();
    return picture;
}

// Partial blocks at the right and bottom edges cannot move and are trimmed. The classic test
// takes blocks 16 wide and 8 or 16 high; the frame header's own block size also counts, since
// a 4:1:1 picture's blocks are 32 pixels wide.
bool MayCrop(const Picture& p, int classicMcuHeight)
{
    if (p.Width % 16 != 0 || p.Height % classicMcuHeight != 0)
        return true;
    return p.McuWidth > 0 && p.McuHeight > 0 && (p.Width % p.McuWidth != 0 || p.Height % p.McuHeight != 0);
}

// True when the transform may go on.
bool ConfirmCrop(const TLanguage& language, const QString& fileName, Dialogs& owner)
{
    const QString text = TranslateMessage(language,
        "The image %s cannot be rotated fully lossless. Image may be cropped by up to 15 pixels for lossless "
        "rotation. Do you want to rotate it anyway?",
        { QFileInfo(fileName).fileName() });
    const Dialogs::CropAnswer answer = owner.AskCropWarning(text, language.TranslateUserMessage("Don't ask again"));
    if (answer.Ok && answer.DontAskAgain)
        SettingsStore::OpenPerUser().Write(SettingsKeys::DisplayCropWarning, false);
    return answer.Ok;
}

// True when the transform may go on; a file that is not read-only passes without a word.
bool ConfirmReadOnly(const TLanguage& language, const QString& fileName, Dialogs& owner)
{
    if (IsReadOnlyFile(fileName) != true)
        return true;
    if (!SilentSwitchPresent()) {
        const QString text
            = TranslateMessage(language, "Image \"%s\" is read-only. Do you want to rotate it anyway?", { fileName });
        if (!owner.AskYesNo(text, QString(), Dialogs::Icon::Warning))
            return false;
    }
    ClearReadOnly(fileName); // not set again: a transformed file is no longer read-only
    return true;
}

[[noreturn]] void RaiseOsError(int error)
{
    throw TarvixError(
        QString("System Error. Code: %1.\n%2").arg(error).arg(QString::fromLocal8Bit(std::strerror(error))));
}

} // namespace

quint16 OrientationAfterTransform(quint16 oldValue, TransformCode code)
{
    // Rows: old value 1 to 8; columns: code 1 to 5.
    static const quint16 table[8][5] = {
        { 1, 1, 1, 1, 1 },
        { 7, 4, 5, 3, 1 },
        { 6, 1, 8, 2, 4 },
        { 5, 2, 7, 1, 3 },
        { 2, 7, 4, 6, 8 },
        { 1, 8, 3, 5, 7 },
        { 4, 5, 2, 8, 6 },
        { 3, 6, 1, 7, 5 },
    };
    if (oldValue < 1 || oldValue > 8)
        return 0;
    if (!IsTransformCode(code))
        throw AssertionFailure("engine/transform.cpp: transform code outside 1 to 5");
    return table[oldValue - 1][LibraryCode(code) - 1];
}

QString BackupFileName(const QString& fileName)
{
    // A dot in a folder name must not cut the path apart.
    const size_t dot = ExtensionStart(QStringView(fileName));
    if (dot == std::string_view::npos)
        return fileName + "_ORIGINAL";
    return fileName.left(qsizetype(dot)) + "_ORIGINAL" + fileName.mid(qsizetype(dot));
}

namespace {

[[noreturn]] void RaiseCannotRotate(const TLanguage& language, const QString& fileName)
{
    throw TarvixError(
        language.TranslateUserMessage("Unable to rotate the image") + ": " + QFileInfo(fileName).fileName());
}

// Opens the file for the transform; only another run turning it is told apart, every other
// failure is the library's to report.
void OpenLocked(const TLanguage& language, const QString& fileName, bool waitIfBusy, LockedFile& file)
{
    switch (file.Open(fileName, MaxPictureFileSize, waitIfBusy ? BusyWait : std::chrono::milliseconds(0))) {
    case LockedFile::Status::Ok:
        return;
    case LockedFile::Status::Busy:
        throw TarvixError(TranslateMessage(language,
            "The image %s is busy: another program is turning it. Try again when it has finished.",
            { QFileInfo(fileName).fileName() }));
    case LockedFile::Status::Unreadable:
        RaiseCannotRotate(language, fileName);
    }
}

} // namespace

void TransformJpegFile(const TLanguage& language, const QString& fileName, TransformCode code, bool keepTimestamp,
    bool makeBackup, Dialogs& owner, const TransformOptions& options)
{
    const bool cropWarningWanted
        = SettingsStore::OpenPerUser().Read(SettingsKeys::DisplayCropWarning) && !SilentSwitchPresent();

    // The file is read once, and held until its new content has taken its place.
    LockedFile file;
    OpenLocked(language, fileName, options.WaitIfBusy, file);
    const QByteArray& bytes = file.Bytes();
    // Captured before anything touches the file, and only read: a read-only file keeps its
    // times too.
    const std::optional<FileTimes> times
        = keepTimestamp ? std::optional(FileTimes { file.Stat().st_atim, file.Stat().st_mtim }) : std::nullopt;

    const Picture picture = Inspect(bytes);
    if (options.OnlyIfOrientation && picture.Tagged != *options.OnlyIfOrientation)
        return; // changed since the caller looked, by another run most likely
    const int classicMcuHeight = HasEightRowMcu(QByteArrayView(bytes)) ? 8 : 16;
    if (MayCrop(picture, classicMcuHeight) && cropWarningWanted && !ConfirmCrop(language, fileName, owner))
        return;

    const quint16 newOrientation = OrientationAfterTransform(picture.Orientation, code);

    if (!ConfirmReadOnly(language, fileName, owner))
        return;

    if (makeBackup)
        CopyFileNoReplace(fileName, BackupFileName(fileName)); // an existing backup is never replaced

    // Pixels, tags, thumbnail and trailer are made complete in memory and replace the file
    // in one step: whatever happens, the file holds either the old picture with its old tag
    // or the new one with its new tag.
    TransformedJpeg turned;
    if (TransformJpegBytes(bytes, LibraryCode(code), turned) != 0)
        RaiseCannotRotate(language, fileName);
    const std::optional<TurnedHead> head = UpdateTurnedMetadata(turned.Picture(), code, newOrientation);
    if (!head)
        RaiseCannotRotate(language, fileName);
    ReplaceOptions replace;
    replace.Expected = file.Stat();
    replace.Times = times;
    int timesError = 0;
    const int error = ReplaceFileContent(
        fileName, { head->Head, turned.Picture().sliced(head->HeadSize), turned.Trailer() }, replace, &timesError);
    if (error != 0)
        RaiseCannotRotate(language, fileName);
    ForgetCachedThumbnails(fileName);
    if (timesError != 0)
        RaiseOsError(timesError); // the picture is turned; only its times are new
}

} // namespace tarvix
