#include "engine/auto_correct.h"
#include "engine/errors.h"
#include "engine/folder_scan.h"
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

#include <QFile>
#include <QMap>
#include <QMutex>
#include <gtest/gtest.h>
#include <turbojpeg.h>

using namespace tarvix;

namespace {

class AutoCorrect : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile::remove(PerUserSettingsPath());
        SetProcessParameters({});
    }
    void TearDown() override { SetProcessParameters({}); }

    // Sizes that fit whole blocks, so no crop warning interrupts, unless asked for.
    QString Photo(const QString& name, int orientation, int width = 64, int height = 48)
    {
        const QString path = Folder.File(name);
        QByteArray jpeg = MakeJpeg(width, height, TJSAMP_420);
        if (orientation > 0)
            jpeg = InsertSegments(jpeg, ExifSegment(CameraTiff(orientation, false)));
        WriteBytes(path, jpeg);
        Originals[path] = jpeg;
        return path;
    }

    // The correctable files in the order the run takes them.
    QStringList RunOrder()
    {
        QStringList files;
        ListJpegFiles(Folder.Path(), files, true);
        QStringList order;
        for (const QString& file : files)
            if (CorrectingTransform(ReadExifOrientation(file)))
                order.append(file);
        return order;
    }

    void Run() { AutoTransformFolder(Folder.Path(), true, Language, false, false, Dialogs); }

    bool Unchanged(const QString& path) { return ReadBytes(path) == Originals[path]; }

    // Upright now: tagged 1, and the pixels are those of jpegtran's turn of the original.
    void ExpectCorrected(const QString& path, TransformCode code)
    {
        const QString original = Folder.File("original.tmp");
        WriteBytes(original, Originals[path]);
        const QByteArray result = ReadBytes(path);
        EXPECT_EQ(ReadExifOrientation(path), 1) << path.toStdString();
        EXPECT_EQ(DecodeJpeg(result).Rgb, DecodeJpeg(Jpegtran(original, code)).Rgb) << path.toStdString();
        QFile::remove(original);
    }

    TempFolder Folder;
    TLanguage Language;
    ScriptedDialogs Dialogs;
    QMap<QString, QByteArray> Originals;
};

} // namespace

TEST_F(AutoCorrect, AsksOnceAndTurnsOnlyTheTurnedPictures)
{
    for (int orientation = 0; orientation <= 9; ++orientation)
        Photo(QString("o%1.jpg").arg(orientation), orientation);
    WriteBytes(Folder.File("text.jpg"), "not a picture");
    QDir(Folder.Path()).mkdir("sub");
    const QString nested = Photo("sub/deep.JPEG", 8);
    Dialogs.YesNoAnswers = { true };

    Run();

    ASSERT_EQ(Dialogs.Questions.size(), 1);
    EXPECT_EQ(Dialogs.Questions[0],
        "Tarvix has detected 4 images that can be\nautomatically transformed to normal orientation.\n\n"
        "Would you like to transform them now?");
    EXPECT_EQ(Dialogs.Progress.Label, "Transformation is in progress...");
    EXPECT_EQ(Dialogs.Progress.From, 0);
    EXPECT_EQ(Dialogs.Progress.To, 4);
    EXPECT_EQ(Dialogs.Progress.Steps, 4);
    EXPECT_FALSE(Dialogs.Progress.Shown);
    ExpectCorrected(Folder.File("o3.jpg"), TransformCode::Rotate180);
    ExpectCorrected(Folder.File("o6.jpg"), TransformCode::RotateRight);
    ExpectCorrected(Folder.File("o8.jpg"), TransformCode::RotateLeft);
    ExpectCorrected(nested, TransformCode::RotateLeft);
    for (int orientation : { 0, 1, 2, 4, 5, 7, 9 })
        EXPECT_TRUE(Unchanged(Folder.File(QString("o%1.jpg").arg(orientation)))) << orientation;
    EXPECT_TRUE(Dialogs.Messages.isEmpty());
}

TEST_F(AutoCorrect, NoAnswerNothingFoundAndTheSilentSwitch)
{
    const QString turned = Photo("turned.jpg", 6);
    Photo("mirrored.jpg", 2);
    Run(); // the script answers No
    EXPECT_EQ(Dialogs.Questions.size(), 1);
    EXPECT_EQ(Dialogs.ProgressWindowsCreated, 0);
    EXPECT_TRUE(Unchanged(turned));

    SetProcessParameters({ "-autosub", "-s", Folder.Path() });
    Run();
    EXPECT_EQ(Dialogs.Questions.size(), 1);
    ExpectCorrected(turned, TransformCode::RotateRight);
    Run(); // nothing left, and nothing said
    EXPECT_TRUE(Dialogs.Messages.isEmpty());

    SetProcessParameters({});
    Run();
    EXPECT_EQ(
        Dialogs.Messages, QStringList { "Tarvix has not detected any images that can be\ntransformed automatically." });
    AutoTransformFolder(Folder.File("missing"), false, Language, false, false, Dialogs);
    EXPECT_EQ(Dialogs.Messages.size(), 2);
}

// Cancel starts no other file; the ones already being turned finish, each completely.
TEST_F(AutoCorrect, CancelStopsBeforeTheNextFile)
{
    for (const char* name : { "a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg", "g.jpg", "h.jpg" })
        Photo(name, 3);
    const QStringList order = RunOrder();
    Dialogs.YesNoAnswers = { true };
    Dialogs.Progress.CancelAfterSteps = 2;
    Run();
    qsizetype turned = 0;
    while (turned < order.size() && !Unchanged(order[turned]))
        ExpectCorrected(order[turned++], TransformCode::Rotate180);
    for (qsizetype i = turned; i < order.size(); ++i)
        EXPECT_TRUE(Unchanged(order[i])) << i;
    EXPECT_GE(turned, 2);
    EXPECT_LT(turned, order.size());
    EXPECT_EQ(Dialogs.Progress.Steps, turned);
    EXPECT_FALSE(Dialogs.Progress.Shown);
}

TEST_F(AutoCorrect, FilesThatVanishChangeOrAreDeclinedDuringTheRun)
{
    for (const char* name : { "a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg" })
        Photo(name, 6);
    const QStringList order = RunOrder();
    ASSERT_EQ(order.size(), 5);
    const auto name = [&](int i) { return order[i].mid(Folder.Path().size() + 1); };
    Photo(name(0), 6, 64, 40); // needs the crop warning, which the script cancels

    // While the first file's question is asked, the next ones may already be read ahead: one
    // of them vanishes and another is turned upright elsewhere.
    Dialogs.WhileAskingCrop = [&] {
        QFile::remove(order[1]);
        Photo(name(2), 1);
    };
    QMutex mutex;
    QStringList turned;
    AutoCorrection how;
    how.Title = "Tarvix";
    how.BeforeWrite = [&](const QString& path) {
        const QMutexLocker lock(&mutex);
        turned.append(path);
    };
    Dialogs.YesNoAnswers = { true };
    CorrectFolder(Folder.Path(), false, Language, Dialogs, how);

    turned.sort();
    EXPECT_EQ(turned, QStringList({ order[3], order[4] }));
    EXPECT_TRUE(Unchanged(order[2]));
    EXPECT_TRUE(Unchanged(order[0]));
    EXPECT_EQ(Dialogs.CropWarnings.size(), 1);
    ExpectCorrected(order[3], TransformCode::RotateRight);
    ExpectCorrected(order[4], TransformCode::RotateRight);
    EXPECT_EQ(Dialogs.Progress.Steps, 4); // the vanished file takes no step
    EXPECT_EQ(Dialogs.Progress.To, 5);
}

TEST_F(AutoCorrect, AnErrorEndsTheRunAndTakesTheProgressAway)
{
    for (const char* name : { "a.jpg", "b.jpg", "c.jpg" })
        Photo(name, 8);
    const QStringList order = RunOrder();
    // The middle file's picture data is cut off: its tag still says turned.
    QByteArray cut = Originals[order[1]];
    cut.chop(200);
    WriteBytes(order[1], cut);
    Originals[order[1]] = cut;

    int repaints = 0;
    AutoCorrection how;
    how.Title = "Tarvix";
    how.KeepTimestamp = false;
    how.AfterLoop = [&] {
        ++repaints;
        EXPECT_TRUE(Dialogs.Progress.Shown); // the repaint comes before the display goes
    };
    Dialogs.YesNoAnswers = { true };
    EXPECT_THROW(CorrectFolder(Folder.Path(), false, Language, Dialogs, how), TarvixError);

    EXPECT_EQ(repaints, 1);
    EXPECT_FALSE(Dialogs.Progress.Shown);
    ExpectCorrected(order[0], TransformCode::RotateLeft);
    EXPECT_TRUE(Unchanged(order[1]));
    EXPECT_TRUE(Unchanged(order[2]));
}
