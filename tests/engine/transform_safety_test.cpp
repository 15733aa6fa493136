// What a transform guarantees when it is interrupted or meets another run at the same file.
#include "base/orientation_reader.h"
#include "engine/errors.h"
#include "engine/exif_thumbnail.h"
#include "engine/language.h"
#include "engine/settings_store.h"
#include "engine/transform.h"
#include "platform/locked_file.h"
#include "platform/safe_write.h"
#include "support/exif_builder.h"
#include "support/jpeg_fixtures.h"
#include "support/qt_printers.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QtEndian>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <turbojpeg.h>
#include <unistd.h>

using namespace tarvix;

namespace {

class TransformSafety : public ::testing::Test {
protected:
    void SetUp() override { QFile::remove(PerUserSettingsPath()); }

    // Turns right in a child process; killed after `delay` when that is not negative.
    // Returns how long the child lived.
    qint64 TurnInChild(const QString& path, qint64 delayMicroseconds)
    {
        QElapsedTimer timer;
        timer.start();
        const pid_t child = ::fork();
        if (child == 0) {
            try {
                TransformJpegFile(Language, path, TransformCode::RotateRight, true, false, Dialogs);
            } catch (...) {
                ::_exit(1);
            }
            ::_exit(0);
        }
        if (delayMicroseconds >= 0) {
            ::usleep(useconds_t(delayMicroseconds));
            ::kill(child, SIGKILL);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return timer.nsecsElapsed() / 1000;
    }

    TempFolder Folder;
    TLanguage Language;
    ScriptedDialogs Dialogs;
};

QByteArray CameraPhoto(int width, int height, int orientation)
{
    return InsertSegments(
        MakeJpeg(width, height, TJSAMP_420), ExifSegment(CameraTiff(orientation, false, orientation)));
}

quint16 OrientationOf(const QByteArray& jpeg)
{
    MemoryByteSource source(jpeg.constData(), size_t(jpeg.size()));
    return OrientationOfJpeg(source);
}

// The thumbnail's bytes through IFD1's offset and length entries of a little-endian block.
QByteArray ThumbnailOf(const QByteArray& tiff)
{
    const qsizetype at = tiff.indexOf(QByteArray("\x01\x02\x04\x00\x01\x00\x00\x00", 8));
    const qsizetype lengthAt = tiff.indexOf(QByteArray("\x02\x02\x04\x00\x01\x00\x00\x00", 8));
    if (at < 0 || lengthAt < 0)
        return {};
    return tiff.mid(qFromLittleEndian<quint32>(tiff.constData() + at + 8),
        qFromLittleEndian<quint32>(tiff.constData() + lengthAt + 8));
}

QByteArray TiffOf(const QByteArray& jpeg)
{
    const qsizetype exif = jpeg.indexOf(QByteArray("Exif\0\0", 6));
    const int length = quint8(jpeg[exif - 2]) << 8 | quint8(jpeg[exif - 1]);
    return jpeg.mid(exif + 6, length - 8);
}

} // namespace

TEST_F(TransformSafety, AKilledTransformLeavesTheOldPictureOrTheNewOneAndNothingElse)
{
    const QByteArray original = CameraPhoto(1600, 1200, 6);
    const QString path = Folder.File("photo.jpg");
    WriteBytes(path, original);
    ASSERT_GE(TurnInChild(path, -1), 0);
    const QByteArray turned = ReadBytes(path);
    ASSERT_NE(turned, original);
    ASSERT_EQ(OrientationOf(turned), 1);

    for (const bool hardLinked : { false, true }) {
        SCOPED_TRACE(hardLinked ? "overwritten in place" : "replaced by rename");
        WriteBytes(path, original);
        if (hardLinked) {
            ASSERT_EQ(
                ::link(QFile::encodeName(path).constData(), QFile::encodeName(Folder.File("b.jpg")).constData()), 0);
        }
        const qint64 lifetime = TurnInChild(path, -1);
        // Kills from the very start to well past the usual end, so that a loaded machine
        // still sees both sides.
        const int trials = 30;
        int old = 0;
        int done = 0;
        for (int i = 0; i < trials; ++i) {
            SCOPED_TRACE(i);
            WriteBytes(path, original);
            TurnInChild(path, lifetime * i / 10);
            // An overwrite in place may be cut short; the copy it kept is put back by the
            // next run that opens the file.
            LockedFile reopened;
            ASSERT_EQ(reopened.Open(path, qint64(1) << 30, std::chrono::milliseconds(0)), LockedFile::Status::Ok);
            const QByteArray now = reopened.Bytes();
            EXPECT_TRUE(now == original || now == turned);
            old += now == original;
            done += now == turned;
            const QStringList expected
                = hardLinked ? QStringList({ "b.jpg", "photo.jpg" }) : QStringList({ "photo.jpg" });
            EXPECT_EQ(Folder.Entries(), expected);
        }
        // The trials reached both sides of the replacement.
        EXPECT_GT(old, 0);
        EXPECT_GT(done, 0);
        QFile::remove(Folder.File("b.jpg"));
    }
}

TEST_F(TransformSafety, AFileAnotherRunIsTurningIsRefusedAsBusyOrWaitedFor)
{
    const QString path = Folder.File("photo.jpg");
    const QByteArray original = CameraPhoto(64, 48, 6);
    WriteBytes(path, original);
    UniqueFd holder(::open(QFile::encodeName(path).constData(), O_RDONLY));
    ASSERT_EQ(::flock(holder.Get(), LOCK_EX), 0);
    try {
        TransformJpegFile(Language, path, TransformCode::RotateRight, false, false, Dialogs);
        ADD_FAILURE() << "a busy file was turned";
    } catch (const TarvixError& e) {
        EXPECT_EQ(
            e.Message(), "The image photo.jpg is busy: another program is turning it. Try again when it has finished.");
    }
    EXPECT_EQ(ReadBytes(path), original);

    // A folder correction waits. The other run puts its upright result in place and lets go:
    // the file read then is upright and is passed over; one still turned is turned.
    for (const int otherResult : { 1, 6 }) {
        SCOPED_TRACE(otherResult);
        const QByteArray replacement = CameraPhoto(64, 48, otherResult);
        std::thread other([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            WriteBytes(Folder.File("new.tmp"), replacement);
            QFile::remove(path);
            QFile::rename(Folder.File("new.tmp"), path);
            holder.Reset();
        });
        TransformJpegFile(
            Language, path, TransformCode::RotateRight, false, false, Dialogs, TransformOptions { true, 6 });
        other.join();
        EXPECT_EQ(OrientationOf(ReadBytes(path)), 1);
        EXPECT_EQ(ReadBytes(path) == replacement, otherResult == 1);
        WriteBytes(path, original);
        holder.Reset(::open(QFile::encodeName(path).constData(), O_RDONLY));
        ASSERT_EQ(::flock(holder.Get(), LOCK_EX), 0);
    }
}

TEST_F(TransformSafety, TheEmbeddedThumbnailAndThePixelSizeTurnWithThePicture)
{
    if (QStandardPaths::findExecutable("jpegtran").isEmpty())
        GTEST_SKIP() << "jpegtran (libjpeg-turbo-progs) is not installed";
    const QByteArray thumbnail = MakeJpeg(160, 120, TJSAMP_420);
    TiffLayout layout;
    layout.Ifd0 = { TiffEntry::Ascii(0x010F, "Maker"), TiffEntry::Short(0x0112, 6) };
    layout.Exif = { TiffEntry::Short(0xA002, 96), TiffEntry::Long(0xA003, 64) };
    layout.Ifd1 = { TiffEntry::Short(0x0103, 6), TiffEntry::Short(0x0112, 6) };
    const QByteArray tiff = TiffWithThumbnail(layout, thumbnail, false);
    const QByteArray xmp = XmpSegment(XmpPacketWithOrientation(6));
    const QByteArray comment = Segment(0xFE, "a comment");
    const QByteArray original = InsertSegments(MakeJpeg(96, 64, TJSAMP_420), ExifSegment(tiff) + xmp + comment);
    const QString path = Folder.File("photo.jpg");
    WriteBytes(path, original);
    WriteBytes(Folder.File("thumb.jpg"), thumbnail);
    WriteBytes(Folder.File("original.jpg"), original);
    const QByteArray thumbnailTurned = Jpegtran(Folder.File("thumb.jpg"), TransformCode::RotateRight);

    TransformJpegFile(Language, path, TransformCode::RotateRight, false, false, Dialogs);

    const QByteArray now = ReadBytes(path);
    const QByteArray newTiff = TiffOf(now);
    EXPECT_EQ(DecodeJpeg(ThumbnailOf(newTiff)).Rgb, DecodeJpeg(thumbnailTurned).Rgb);
    EXPECT_EQ(OrientationOf(now), 1);
    EXPECT_EQ(OrientationEntries(now, false), QList<int>({ 1, 1 }));
    // 64 x 96 now. (The library itself writes these two as LONGs.)
    EXPECT_NE(newTiff.indexOf(QByteArray("\x02\xA0\x04\x00\x01\x00\x00\x00\x40\x00\x00\x00", 12)), -1);
    EXPECT_NE(newTiff.indexOf(QByteArray("\x03\xA0\x04\x00\x01\x00\x00\x00\x60\x00\x00\x00", 12)), -1);
    // Everything else of the metadata is as it was: in front of the thumbnail, only the two
    // orientation values, the two sizes (one a LONG now) and the thumbnail's length differ.
    const qsizetype thumbnailAt = tiff.size() - thumbnail.size();
    int differing = 0;
    for (qsizetype i = 0; i < thumbnailAt; ++i)
        differing += tiff[i] != newTiff[i];
    EXPECT_LE(differing, 7);
    EXPECT_TRUE(now.contains(comment));
    EXPECT_TRUE(now.contains(XmpSegment(XmpPacketWithOrientation(1))));
    EXPECT_EQ(DecodeJpeg(now).Rgb, DecodeJpeg(Jpegtran(Folder.File("original.jpg"), TransformCode::RotateRight)).Rgb);
}
