#include "engine/errors.h"
#include "engine/image_info.h"
#include "engine/language.h"
#include "engine/process_switches.h"
#include "engine/settings_store.h"
#include "engine/transform.h"
#include "support/exif_builder.h"
#include "support/jpeg_fixtures.h"
#include "support/qt_printers.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <turbojpeg.h>

using namespace tarvix;

namespace {

using Matrix = std::array<int, 4>; // 2x2, row-major, acting on (x, y) with y downwards

Matrix Multiply(const Matrix& a, const Matrix& b)
{
    return { a[0] * b[0] + a[1] * b[2], a[0] * b[1] + a[1] * b[3], a[2] * b[0] + a[3] * b[2],
        a[2] * b[1] + a[3] * b[3] };
}

// How a viewer turns the stored pixels for display, by orientation value 1 to 8.
const Matrix Display[9] = { {}, { 1, 0, 0, 1 }, { -1, 0, 0, 1 }, { -1, 0, 0, -1 }, { 1, 0, 0, -1 }, { 0, 1, 1, 0 },
    { 0, -1, 1, 0 }, { 0, -1, -1, 0 }, { 0, 1, -1, 0 } };
// What each transform code does to the stored pixels.
const Matrix Transform[6]
    = { {}, { 0, -1, 1, 0 }, { -1, 0, 0, -1 }, { 0, 1, -1, 0 }, { 1, 0, 0, -1 }, { -1, 0, 0, 1 } };

class TransformTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile::remove(PerUserSettingsPath());
        SetProcessParameters({});
    }
    void TearDown() override { SetProcessParameters({}); }

    QString Photo(const QString& name, int width, int height, int sampling, int orientation, bool progressive = false)
    {
        const QString path = Folder.File(name);
        WriteBytes(path,
            InsertSegments(MakeJpeg(width, height, sampling, progressive),
                ExifSegment(CameraTiff(orientation, false, orientation))));
        return path;
    }

    // Transforms with every question answered as scripted; true when a crop warning came.
    bool Run(const QString& path, int code, bool keepTimestamp = false, bool makeBackup = false)
    {
        TransformJpegFile(Language, path, TransformCode(code), keepTimestamp, makeBackup, Dialogs);
        return !Dialogs.CropWarnings.isEmpty();
    }

    TempFolder Folder;
    TLanguage Language;
    ScriptedDialogs Dialogs;
};

unsigned ModeOf(const QString& path)
{
    struct stat st { };
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

timespec MtimeOf(const QString& path)
{
    struct stat st { };
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mtim;
}

} // namespace

TEST(OrientationAfterTransform, ShowsTheSamePictureAfterTheTransform)
{
    for (quint16 old = 2; old <= 8; ++old)
        for (int code = 1; code <= 5; ++code) {
            const quint16 now = OrientationAfterTransform(old, TransformCode(code));
            ASSERT_TRUE(now >= 1 && now <= 8);
            // Displaying the turned pixels under the new value equals displaying the old ones.
            EXPECT_EQ(Multiply(Display[now], Transform[code]), Display[old]) << "old " << old << " code " << code;
        }
    for (int code = 1; code <= 5; ++code) {
        EXPECT_EQ(OrientationAfterTransform(1, TransformCode(code)), 1);
        EXPECT_EQ(OrientationAfterTransform(0, TransformCode(code)), 0);
        EXPECT_EQ(OrientationAfterTransform(9, TransformCode(code)), 0);
    }
    EXPECT_THROW(OrientationAfterTransform(6, TransformCode(7)), AssertionFailure);
}

TEST(BackupFileName, PutsTheSuffixBeforeTheExtensionOfTheFileNameOnly)
{
    EXPECT_EQ(BackupFileName("/p/IMG_1.jpg"), "/p/IMG_1_ORIGINAL.jpg");
    EXPECT_EQ(BackupFileName("a.b.JPEG"), "a.b_ORIGINAL.JPEG");
    EXPECT_EQ(BackupFileName("/my.photos/scan"), "/my.photos/scan_ORIGINAL");
}

TEST_F(TransformTest, WarnsAboutCroppingOnlyWhenBlocksDoNotFit)
{
    struct Case {
        int Width, Height, Sampling;
        bool Progressive;
        bool Warns;
    };
    const Case cases[] = {
        { 1024, 768, TJSAMP_420, false, false },
        { 64, 40, TJSAMP_422, false, false }, // 16x8 blocks, first component sampled 2x1
        { 64, 40, TJSAMP_420, false, true },
        { 64, 40, TJSAMP_444, false, true }, // the classic test takes 16 rows unless sampled 2x1
        { 56, 48, TJSAMP_444, false, true }, // width must be a multiple of 16, even for 8-wide blocks
        { 64, 40, TJSAMP_422, true, true }, // progressive: no baseline header, 16 rows
        { 64, 40, TJSAMP_GRAY, false, true },
        { 1008, 64, TJSAMP_411, false, true }, // 32-pixel-wide blocks: 1008 loses 16 columns
    };
    for (const Case& c : cases)
        for (const int code : { 1, 5 }) {
            const QString path = Photo("crop.jpg", c.Width, c.Height, c.Sampling, 6, c.Progressive);
            const QByteArray before = ReadBytes(path);
            Dialogs.CropWarnings.clear();
            EXPECT_EQ(Run(path, code), c.Warns) << c.Width << "x" << c.Height << " sampling " << c.Sampling;
            if (c.Warns) // the warning was cancelled: nothing changed
                EXPECT_EQ(ReadBytes(path), before);
            else
                EXPECT_NE(ReadBytes(path), before);
        }
    EXPECT_TRUE(Dialogs.CropWarnings.first().startsWith("The image crop.jpg cannot be rotated fully lossless."));

    // A 4:2:2 thumbnail in front of a 4:2:0 picture fools the classic probe; the picture's
    // own frame header still shows that 40 rows do not fill 16-row blocks.
    TiffLayout tiff;
    tiff.Ifd0 = { TiffEntry::Short(0x0112, 1) };
    tiff.Ifd1 = { TiffEntry { 0x9999, 7, {}, MakeJpeg(16, 8, TJSAMP_422), -1 } };
    const QString fooled = Folder.File("thumb.jpg");
    WriteBytes(fooled, InsertSegments(MakeJpeg(64, 40, TJSAMP_420), ExifSegment(BuildTiff(tiff, false))));
    Dialogs.CropWarnings.clear();
    EXPECT_TRUE(Run(fooled, 1));
}

TEST_F(TransformTest, DontAskAgainIsStoredOnlyWithOk)
{
    const QString path = Photo("a.jpg", 64, 40, TJSAMP_420, 1);
    Dialogs.CropAnswers = { { false, true } };
    EXPECT_TRUE(Run(path, 1));
    EXPECT_TRUE(SettingsStore::OpenPerUser().Read(SettingsKeys::DisplayCropWarning));

    Dialogs.CropAnswers = { { true, true } };
    const QByteArray before = ReadBytes(path);
    EXPECT_TRUE(Run(path, 2));
    EXPECT_NE(ReadBytes(path), before);
    EXPECT_FALSE(SettingsStore::OpenPerUser().Read(SettingsKeys::DisplayCropWarning));

    Dialogs.CropWarnings.clear();
    EXPECT_FALSE(Run(Photo("b.jpg", 64, 40, TJSAMP_420, 1), 1));
}

TEST_F(TransformTest, AsksBeforeTurningAReadOnlyFileAndLeavesItWritable)
{
    const QString path = Photo("ro.jpg", 64, 64, TJSAMP_420, 0);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup);
    const QByteArray before = ReadBytes(path);

    Dialogs.YesNoAnswers = { false };
    Run(path, 1);
    EXPECT_EQ(
        Dialogs.Questions, QStringList({ "Image \"" + path + "\" is read-only. Do you want to rotate it anyway?" }));
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(ModeOf(path), 0440u);

    Dialogs.YesNoAnswers = { true };
    Run(path, 1);
    EXPECT_NE(ReadBytes(path), before);
    EXPECT_EQ(ModeOf(path), 0640u); // only the owner-write bit was added
}

TEST_F(TransformTest, TheSilentSwitchAsksNothing)
{
    SetProcessParameters({ "-r", "/S", "x.jpg" });
    const QString path = Photo("quiet.jpg", 64, 40, TJSAMP_420, 0);
    QFile::setPermissions(path, QFile::ReadOwner);
    const QByteArray before = ReadBytes(path);
    EXPECT_FALSE(Run(path, 1));
    EXPECT_TRUE(Dialogs.Questions.isEmpty());
    EXPECT_NE(ReadBytes(path), before);
    EXPECT_TRUE(QFile::permissions(path) & QFile::WriteOwner);
}

TEST_F(TransformTest, WritesTheOrientationThatFitsTheTurnedPixels)
{
    struct Case {
        int Old, Code, New;
    };
    for (const Case c : { Case { 6, 1, 1 }, Case { 6, 3, 3 }, Case { 3, 2, 1 }, Case { 8, 3, 1 }, Case { 1, 4, 1 },
             Case { 2, 5, 1 }, Case { 5, 2, 7 } }) {
        const QString path = Photo("o.jpg", 64, 48, TJSAMP_420, c.Old);
        Run(path, c.Code);
        // IFD0 and the thumbnail's IFD1 alike.
        EXPECT_EQ(OrientationEntries(ReadBytes(path), false), QList<int>({ c.New, c.New }))
            << "old " << c.Old << " code " << c.Code;
        const Pixels pixels = DecodeJpeg(ReadBytes(path));
        EXPECT_EQ(pixels.Width, c.Code == 1 || c.Code == 3 ? 48 : 64);
    }
    const QString untagged = Photo("none.jpg", 64, 48, TJSAMP_420, 0);
    Run(untagged, 1);
    EXPECT_TRUE(OrientationEntries(ReadBytes(untagged), false).isEmpty());
}

TEST_F(TransformTest, KeepsABackupThatIsNeverOverwrittenAndRestoresTimes)
{
    const QString path = Photo("t.jpg", 64, 48, TJSAMP_420, 6);
    const timespec times[2] = { { 1600000000, 111111111 }, { 1500000000, 987654321 } };
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
    const QByteArray original = ReadBytes(path);

    Run(path, 1, true, true);
    EXPECT_EQ(ReadBytes(Folder.File("t_ORIGINAL.jpg")), original);
    EXPECT_EQ(MtimeOf(Folder.File("t_ORIGINAL.jpg")).tv_nsec, 987654321);
    EXPECT_EQ(MtimeOf(path).tv_sec, 1500000000);
    EXPECT_EQ(MtimeOf(path).tv_nsec, 987654321);

    Run(path, 1, false, true);
    EXPECT_EQ(ReadBytes(Folder.File("t_ORIGINAL.jpg")), original);
    EXPECT_NE(MtimeOf(path).tv_sec, 1500000000);
    EXPECT_EQ(Folder.Entries(), QStringList({ "t.jpg", "t_ORIGINAL.jpg" }));
}

// Before, a backup that could not be made let the turn go on without a word: the only copy
// of the original was then gone. Here its name is too long (the file is reached through a
// link with a long name in another folder); the file stays as it was, read-only too.
TEST_F(TransformTest, ABackupThatCannotBeMadeStopsTheTurnWithTheSystemsReason)
{
    ASSERT_TRUE(QDir(Folder.Path()).mkdir("links"));
    const QString real = Photo("real.jpg", 64, 48, TJSAMP_420, 6);
    QFile::setPermissions(real, QFile::ReadOwner | QFile::ReadGroup);
    const QString link = Folder.File("links/" + QString(246, 'n') + ".jpg");
    ASSERT_TRUE(QFile::link(real, link));
    const QByteArray before = ReadBytes(real);
    Dialogs.YesNoAnswers = { true };
    try {
        Run(link, 1, false, true);
        ADD_FAILURE() << "turned without its backup";
    } catch (const TarvixError& error) {
        EXPECT_EQ(error.Message(), "Unable to rotate the image: " + QFileInfo(link).fileName());
        EXPECT_EQ(error.Details(),
            "backup copy " + BackupFileName(link) + ": " + QString::fromLocal8Bit(std::strerror(ENAMETOOLONG))
                + QString(" (errno %1)").arg(ENAMETOOLONG));
    }
    EXPECT_EQ(Dialogs.Questions.size(), 1);
    EXPECT_EQ(ReadBytes(real), before);
    EXPECT_EQ(ModeOf(real), 0440u);
    EXPECT_EQ(QDir(Folder.File("links")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 1);
}

TEST_F(TransformTest, AFailedTransformLeavesPixelsTagAndTimesAsTheyWere)
{
    const QString complete = Photo("cut.jpg", 64, 48, TJSAMP_420, 6);
    const QByteArray truncated = ReadBytes(complete).chopped(200);
    WriteBytes(complete, truncated);
    const timespec times[2] = { { 1600000000, 5 }, { 1500000000, 7 } };
    ::utimensat(AT_FDCWD, QFile::encodeName(complete).constData(), times, 0);

    try {
        Run(complete, 1, true);
        FAIL() << "no error";
    } catch (const TarvixError& error) {
        EXPECT_EQ(error.Message(), "Unable to rotate the image: cut.jpg");
    }
    EXPECT_EQ(ReadBytes(complete), truncated);
    EXPECT_EQ(MtimeOf(complete).tv_sec, 1500000000);
    EXPECT_EQ(MtimeOf(complete).tv_nsec, 7);
    EXPECT_EQ(Folder.Entries(), QStringList({ "cut.jpg" }));

    WriteBytes(Folder.File("text.jpg"), "not a picture");
    EXPECT_THROW(Run(Folder.File("text.jpg"), 1), TarvixError);
    EXPECT_EQ(ReadBytes(Folder.File("text.jpg")), "not a picture");
}

TEST_F(TransformTest, AnUnknownCodeOnATaggedPictureIsAProgrammingError)
{
    const QString path = Photo("x.jpg", 64, 48, TJSAMP_420, 6);
    const QByteArray before = ReadBytes(path);
    EXPECT_THROW(Run(path, 7), AssertionFailure);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_THROW(Run(Photo("y.jpg", 64, 48, TJSAMP_420, 0), 7), TarvixError); // untagged: the library refuses
}
