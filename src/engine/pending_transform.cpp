#include "engine/pending_transform.h"

#include "engine/dialogs.h"
#include "engine/errors.h"
#include "engine/image_info.h"
#include "engine/jpeg_header.h"
#include "engine/language.h"
#include "engine/log_categories.h"
#include "engine/message_format.h"
#include "engine/settings_store.h"
#include "engine/turned_metadata.h"
#include "engine/undo_recorder.h"
#include "platform/file_attributes.h"
#include "platform/file_copy.h"
#include "platform/file_times.h"
#include "platform/read_file.h"
#include "platform/safe_write.h"
#include "platform/thumbnail_cache.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <cerrno>
#include <cstring>

namespace tarvix {

namespace {

// How long a folder correction waits for a file that another run is turning.
constexpr std::chrono::milliseconds BusyWait(5000);

// What the transform needs to know of the picture before it touches the file.
struct Picture {
    quint16 Tagged = 0; // the value as read
    quint16 Orientation = 0; // 0 also for values above 8: the tag is then left alone
    int Width = 0;
    int Height = 0;
    int McuWidth = 0; // of the frame header, 0 when there is none
    int McuHeight = 0;
};

Picture InspectPicture(QByteArrayView jpeg)
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
bool ConfirmCrop(const TLanguage& language, const QString& fileName, QuestionSettings& questions, Dialogs& owner)
{
    const QString text = TranslateMessage(language,
        "The image %s cannot be rotated fully lossless. Image may be cropped by up to 15 pixels for lossless "
        "rotation. Do you want to rotate it anyway?",
        { QFileInfo(fileName).fileName() });
    const Dialogs::CropAnswer answer = owner.AskCropWarning(text, language.TranslateUserMessage("Don't ask again"));
    if (answer.Ok && answer.DontAskAgain) {
        questions.CropWarning = false;
        // Once for the run: the next files do not ask, so they do not write it again.
        WriteTranslatingErrors(
            language, [] { SettingsStore::OpenPerUser().Write(SettingsKeys::DisplayCropWarning, false); });
    }
    return answer.Ok;
}

// True when the transform may go on; a file that is not read-only passes without a word.
bool ConfirmReadOnly(const TLanguage& language, const QString& fileName, Dialogs& owner)
{
    const QString text
        = TranslateMessage(language, "Image \"%s\" is read-only. Do you want to rotate it anyway?", { fileName });
    return owner.AskYesNo(text, QString(), Dialogs::Icon::Warning);
}

// What the system said about a failure, for a maintainer: untranslated, with the number.
QString SystemDetails(const QString& what, int error)
{
    return QString("%1: %2 (errno %3)").arg(what, QString::fromLocal8Bit(std::strerror(error))).arg(error);
}

[[noreturn]] void RaiseOsError(int error)
{
    throw TarvixError(
        QString("System Error. Code: %1.\n%2").arg(error).arg(QString::fromLocal8Bit(std::strerror(error))));
}

QString CannotRotateText(const TLanguage& language, const QString& fileName)
{
    return language.TranslateUserMessage("Unable to rotate the image") + ": " + QFileInfo(fileName).fileName();
}

[[noreturn]] void RaiseCannotRotate(const TLanguage& language, const QString& fileName)
{
    throw TarvixError(CannotRotateText(language, fileName));
}

} // namespace

std::unique_ptr<PendingTransform> PendingTransform::Read(const Request& request)
{
    std::unique_ptr<PendingTransform> pending(new PendingTransform);
    pending->FRequest = request;
    if (!QFileInfo(request.FileName).isFile()) {
        pending->FFound = Found::Missing;
        return pending;
    }
    // Read without the lock: what another run or program changes meanwhile shows in the
    // file's times when Prepare locks it.
    const UniqueFd fd = OpenRegularFile(request.FileName);
    if (fd.Valid())
        pending->ReadBytes(fd.Get());
    return pending;
}

void PendingTransform::ReadBytes(int fd)
{
    FFound = Found::Unreadable;
    FTurned = {};
    FHead = {};
    if (::fstat(fd, &FStat) != 0 || !ReadWholeFile(fd, MaxPictureFileSize, FBytes))
        return;
    Inspect();
}

void PendingTransform::Inspect()
{
    const QByteArray& bytes = FBytes;
    const Picture picture = InspectPicture(bytes);
    if (FRequest.Options.OnlyIfOrientation && picture.Tagged != *FRequest.Options.OnlyIfOrientation) {
        FFound = Found::NothingToDo; // changed since the caller looked, by another run most likely
        return;
    }
    const std::optional<TransformCode> code = FRequest.Code ? FRequest.Code : CorrectingTransform(picture.Tagged);
    if (!code) {
        FFound = Found::NothingToDo;
        return;
    }
    FCode = *code;
    FMayCrop = MayCrop(picture, HasEightRowMcu(QByteArrayView(bytes)) ? 8 : 16);
    const quint16 newOrientation = OrientationAfterTransform(picture.Orientation, FCode);

    // Pixels, tags, thumbnail and trailer are made complete in memory, so that the file later
    // holds either the old picture with its old tag or the new one with its new tag.
    FFound = Found::Failed;
    if (TransformJpegBytes(bytes, LibraryCode(FCode), FTurned) != 0)
        return;
    std::optional<TurnedHead> head = UpdateTurnedMetadata(FTurned.Picture(), FCode, newOrientation);
    if (!head)
        return;
    FHead = std::move(head->Head);
    FHeadSize = head->HeadSize;
    FFound = Found::Ready;
}

void PendingTransform::Lock(const TLanguage& language, const std::atomic<bool>* stop)
{
    FLock = std::make_unique<LockedFile>();
    const auto wait = FRequest.Options.WaitIfBusy ? BusyWait : std::chrono::milliseconds(0);
    switch (FLock->Open(FileName(), MaxPictureFileSize, wait, LockedFile::Content::LockOnly, stop)) {
    case LockedFile::Status::Ok:
        break;
    case LockedFile::Status::Busy:
        throw TarvixError(TranslateMessage(language,
            "The image %s is busy: another program is turning it. Try again when it has finished.",
            { QFileInfo(FileName()).fileName() }));
    case LockedFile::Status::Unreadable:
        RaiseCannotRotate(language);
    }
    const struct stat& now = FLock->Stat();
    // The change time too: a program that writes in place and puts the old times back moves it.
    if (!SameFile(now, FStat) || !SameTime(now.st_ctim, FStat.st_ctim)) {
        // Changed since it was read, by another run most likely.
        qCInfo(TransformLog, "%s changed since it was read: read again", qUtf8Printable(FileName()));
        ReadBytes(FLock->Fd());
    }
}

PendingTransform::Decision PendingTransform::Prepare(const TLanguage& language, const std::atomic<bool>* stop)
{
    if (FFound == Found::Missing || !QFileInfo(FileName()).isFile())
        return Decision::Missing;
    Lock(language, stop);
    switch (FFound) {
    case Found::Ready:
        break;
    case Found::NothingToDo:
        return Decision::LeaveAlone;
    case Found::Missing:
    case Found::Unreadable:
    case Found::Failed:
        RaiseCannotRotate(language);
    }
    FReadOnly = IsReadOnlyFile(FileName()) == true;
    return Decision::Write;
}

PendingTransform::Decision PendingTransform::Ask(const TLanguage& language, QuestionSettings& questions, Dialogs& owner)
{
    if (questions.Silent)
        return Decision::Write;
    if (FMayCrop && questions.CropWarning && !ConfirmCrop(language, FileName(), questions, owner))
        return Decision::LeaveAlone;
    if (FReadOnly && !ConfirmReadOnly(language, FileName(), owner))
        return Decision::LeaveAlone;
    return Decision::Write;
}

void PendingTransform::FailWrite(Step step, int error)
{
    FFailedStep = step;
    FWriteError = error;
    qCWarning(TransformLog, "%s not turned: %s", qUtf8Printable(FileName()), qUtf8Printable(WriteFailureDetails()));
}

QString PendingTransform::WriteFailureDetails() const
{
    // What the replacement answers when the file is no longer the one read.
    if (FFailedStep == Step::Replace && FWriteError == ESTALE)
        return QStringLiteral("the file changed after it was read");
    return SystemDetails(
        FFailedStep == Step::Backup ? "backup copy " + BackupFileName(FileName()) : QStringLiteral("replacement"),
        FWriteError);
}

void PendingTransform::Write()
{
    const auto letGo = qScopeGuard([this] {
        FLock.reset();
        FTurned = {};
        FHead = {};
        FBytes = {};
    });
    const QByteArray native = QFile::encodeName(FileName());
    // Not set again after the turn: a transformed file is no longer read-only. Set before the
    // backup, which copies the permissions.
    if (FReadOnly && !ClearReadOnly(FileName()))
        qCWarning(TransformLog, "%s stays read-only: %s", native.constData(), std::strerror(errno));
    // Put back when the file is left as it was.
    const auto keepReadOnly = qScopeGuard([&] {
        if (FReadOnly && FWriteError != 0)
            ::chmod(native.constData(), FStat.st_mode & 07777);
    });
    if (FRequest.MakeBackup) {
        // An existing backup is never replaced: it holds the picture as it first was.
        const int error = CopyFileNoReplace(FileName(), BackupFileName(FileName()));
        if (error != 0 && error != EEXIST) {
            FailWrite(Step::Backup, error);
            return;
        }
    }
    ReplaceOptions replace;
    replace.Expected = FStat;
    // Captured before anything touched the file, and only read: a read-only file keeps its
    // times too.
    if (FRequest.KeepTimestamp)
        replace.Times = FileTimes { FStat.st_atim, FStat.st_mtim };
    const QList<QByteArrayView> pieces { FHead, FTurned.Picture().sliced(FHeadSize), FTurned.Trailer() };
    const int error = ReplaceFileContent(FileName(), pieces, replace, &FTimesError);
    if (error != 0) {
        FailWrite(Step::Replace, error);
        return;
    }
    // Still under the lock, so that what is recorded as written is what was written.
    if (FRequest.Undo)
        FRequest.Undo->Record(FileName(), FBytes, FStat, pieces);
    if (FTimesError != 0)
        qCWarning(TransformLog, "%s keeps its new times: %s", native.constData(), std::strerror(FTimesError));
    ForgetCachedThumbnails(FileName());
}

void PendingTransform::RaiseWriteError(const TLanguage& language) const
{
    if (FWriteError != 0)
        throw TarvixError(CannotRotateText(language, FileName()), WriteFailureDetails());
    if (FTimesError != 0)
        RaiseOsError(FTimesError); // the picture is turned; only its times are new
}

void PendingTransform::RaiseCannotRotate(const TLanguage& language) const
{
    tarvix::RaiseCannotRotate(language, FileName());
}

} // namespace tarvix
