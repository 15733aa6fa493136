// The command line as a user's script sees it: the real program, run as a process without
// a display, with its messages on standard error and its exit status.
#include "engine/settings_store.h"
#include "engine/transform.h"
#include "support/displays.h"
#include "support/exif_builder.h"
#include "support/jpeg_fixtures.h"
#include "support/qt_printers.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <turbojpeg.h>

using namespace tarvix;

namespace {

struct Outcome {
    int ExitCode = -1;
    QString Errors;
    bool Crashed = false;
};

// The program with the test's environment, less its platform, plus `variables`.
Outcome RunTarvixWith(
    const QStringList& arguments, const QString& workingFolder, const QList<QPair<QString, QString>>& variables)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("QT_QPA_PLATFORM");
    for (const auto& [name, value] : variables)
        environment.insert(name, value);
    process.setProcessEnvironment(environment);
    process.setProgram(TARVIX_BINARY);
    process.setArguments(arguments);
    process.setWorkingDirectory(workingFolder.isEmpty() ? QDir::tempPath() : workingFolder);
    process.start();
    process.closeWriteChannel(); // nobody at a terminal to answer questions
    EXPECT_TRUE(process.waitForFinished(60000));
    return { process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError()),
        process.exitStatus() == QProcess::CrashExit };
}

// Without a display of any kind, unless a display is asked for: then the window module runs
// on the offscreen platform, as it would with a real one.
Outcome RunTarvix(const QStringList& arguments, const QString& workingFolder = QString(), bool display = false)
{
    if (display)
        return RunTarvixWith(arguments, workingFolder, { { "DISPLAY", ":99" }, { "QT_QPA_PLATFORM", "offscreen" } });
    return RunTarvixWith(arguments, workingFolder, {});
}

const QString Usage = "Invalid command line parameters (should be tarvix.exe -[r|l|u|v|h] [-s] filename)\n";

QString Missing(const QString& p)
{
    return "Cannot open \"" + p + "\". The file has been moved or deleted.\n";
}

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override { QFile::remove(PerUserSettingsPath()); }

    QString Photo(const QString& name, int width = 64, int height = 48, int orientation = 6)
    {
        const QString path = Folder.File(name);
        WriteBytes(
            path, InsertSegments(MakeJpeg(width, height, TJSAMP_420), ExifSegment(CameraTiff(orientation, true))));
        return path;
    }

    TempFolder Folder;
};

} // namespace

TEST_F(CommandLine, RejectsWrongParameterCountsAndMissingSwitches)
{
    const QString photo = Photo("a.jpg");
    for (const QStringList& arguments : { QStringList { "-r" }, QStringList { photo }, { "-r", "-s", photo, "-u" },
             { "-x", photo }, { "-rs", photo } }) {
        const Outcome outcome = RunTarvix(arguments);
        EXPECT_EQ(outcome.ExitCode, 1) << arguments.join(' ').toStdString();
        EXPECT_EQ(outcome.Errors, Usage) << arguments.join(' ').toStdString();
    }
    const Outcome window = RunTarvix({});
    EXPECT_EQ(window.ExitCode, 1);
    EXPECT_TRUE(window.Errors.contains("no display")) << window.Errors.toStdString();
}

TEST_F(CommandLine, TakesThePathFromItsFixedPosition)
{
    const QString photo = Photo("a.jpg");
    // With -s the path is the third parameter, whatever stands there.
    EXPECT_EQ(RunTarvix({ "-r", photo, "-s" }).Errors, Missing("-s"));
    // Two transform switches and no -s: the second switch stands where the path belongs.
    EXPECT_EQ(RunTarvix({ "-u", "-l", photo }).Errors, Missing("-l"));
    EXPECT_EQ(RunTarvix({ "-r", Folder.Path() }).Errors, Missing(Folder.Path()));
    EXPECT_EQ(RunTarvix({ "-auto", photo }).Errors, "Cannot open \"" + photo + "\". Invalid folder.\n");
    EXPECT_EQ(RunTarvix({ "-auto", "-autosub", Folder.Path() }).Errors, "Cannot open \"-autosub\". Invalid folder.\n");
    EXPECT_EQ(RunTarvix({ "-h", Folder.File("gone.jpg") }).ExitCode, 1);
}

TEST_F(CommandLine, TurnsAFileWithSwitchesInAnyOrderAndSpelling)
{
    const QString photo = Photo("a.jpg");
    for (const QStringList& arguments : { QStringList { "-r", "-s", "a.jpg" }, { "/S", "/R", "a.jpg" },
             { "-s", "-R", "a.jpg" }, { "-L", "-S", "a.jpg" } }) {
        const Outcome outcome = RunTarvix(arguments, Folder.Path());
        EXPECT_EQ(outcome.ExitCode, 0) << outcome.Errors.toStdString();
        EXPECT_TRUE(outcome.Errors.isEmpty()) << outcome.Errors.toStdString();
    }
    // Three quarter turns right and one left: a half turn from where it started. The first
    // turn made it upright (tag 6 to 1), and an upright picture stays tagged upright.
    const QByteArray turned = ReadBytes(photo);
    EXPECT_EQ(DecodeJpeg(turned).Width, 64);
    EXPECT_EQ(OrientationEntries(turned, true), QList<int>({ 1 }));
    EXPECT_EQ(Folder.Entries(), QStringList({ "a.jpg" }));
}

TEST_F(CommandLine, UnansweredQuestionsChangeNothing)
{
    const QString cropped = Photo("crop.jpg", 64, 40);
    const QByteArray before = ReadBytes(cropped);
    Outcome outcome = RunTarvix({ "-r", cropped });
    EXPECT_EQ(outcome.ExitCode, 0);
    EXPECT_TRUE(outcome.Errors.startsWith("The image crop.jpg cannot be rotated fully lossless."));
    EXPECT_TRUE(outcome.Errors.contains("-s answers yes"));
    EXPECT_EQ(ReadBytes(cropped), before);

    const QString readOnly = Photo("ro.jpg");
    QFile::setPermissions(readOnly, QFile::ReadOwner);
    outcome = RunTarvix({ "-v", readOnly });
    EXPECT_EQ(outcome.ExitCode, 0);
    EXPECT_TRUE(outcome.Errors.startsWith("Image \"" + readOnly + "\" is read-only."));
    EXPECT_EQ(QFile::permissions(readOnly) & QFile::WriteOwner, 0);
}

TEST_F(CommandLine, ReportsFailuresOnceInTheStoredLanguage)
{
    WriteBytes(Folder.File("text.jpg"), "not a picture");
    Outcome outcome = RunTarvix({ "-r", "-s", Folder.File("text.jpg") });
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_TRUE(outcome.Errors.endsWith("Unable to rotate the image: text.jpg\n")) << outcome.Errors.toStdString();
    EXPECT_EQ(ReadBytes(Folder.File("text.jpg")), "not a picture");

    SettingsStore::OpenPerUser().WriteString("Main", "Language", TARVIX_SOURCE_DIR "/lang/Deutsch.lng");
    outcome = RunTarvix({ "-r", Folder.File("gone.jpg") });
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_FALSE(outcome.Errors.contains("has been moved or deleted")) << outcome.Errors.toStdString();
    EXPECT_TRUE(outcome.Errors.contains(Folder.File("gone.jpg")));
}

// What the system said comes on a line of its own after the message. The backup's name is
// too long: the file is reached through a link with a long name in another folder.
TEST_F(CommandLine, AFailureTellsTheSystemsReasonOnASecondLine)
{
    ASSERT_TRUE(QDir(Folder.Path()).mkdir("links"));
    const QString real = Photo("real.jpg");
    const QString link = Folder.File("links/" + QString(246, 'n') + ".jpg");
    ASSERT_TRUE(QFile::link(real, link));
    const QByteArray before = ReadBytes(real);
    SettingsStore::OpenPerUser().Write(SettingsKeys::MakeBackup, true);
    const Outcome outcome = RunTarvix({ "-r", "-s", link });
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_TRUE(outcome.Errors.endsWith("Unable to rotate the image: " + QFileInfo(link).fileName() + "\nbackup copy "
        + BackupFileName(link) + ": " + QString::fromLocal8Bit(std::strerror(ENAMETOOLONG))
        + QString(" (errno %1)\n").arg(ENAMETOOLONG)))
        << outcome.Errors.toStdString();
    EXPECT_EQ(ReadBytes(real), before);
}

TEST_F(CommandLine, CorrectsAFolderByItsOrientationTags)
{
    QDir(Folder.Path()).mkdir("sub");
    QMap<QString, QByteArray> originals;
    for (int orientation = 0; orientation <= 8; ++orientation)
        for (const QString& name : { QString("o%1.jpg").arg(orientation), QString("sub/o%1.jpg").arg(orientation) }) {
            // An odd size: the turn trims the edge blocks, as jpegtran -trim does.
            QByteArray jpeg = MakeJpeg(70, 52, TJSAMP_420);
            if (orientation > 0)
                jpeg = InsertSegments(jpeg, ExifSegment(CameraTiff(orientation, orientation % 2 == 0)));
            WriteBytes(Folder.File(name), jpeg);
            originals[name] = jpeg;
        }

    // Without -s and without a terminal the question is answered No.
    Outcome outcome = RunTarvix({ "-autosub", Folder.Path() });
    EXPECT_EQ(outcome.ExitCode, 0);
    EXPECT_TRUE(outcome.Errors.startsWith("Tarvix has detected 6 images")) << outcome.Errors.toStdString();
    EXPECT_TRUE(outcome.Errors.contains("-s answers yes"));
    EXPECT_EQ(ReadBytes(Folder.File("o6.jpg")), originals["o6.jpg"]);

    outcome = RunTarvix({ "-auto", "-s", Folder.Path() });
    EXPECT_EQ(outcome.ExitCode, 0) << outcome.Errors.toStdString();
    EXPECT_EQ(ReadBytes(Folder.File("sub/o6.jpg")), originals["sub/o6.jpg"]); // -auto stays in the folder
    // Only the subfolder holds work now: -auto leaves it, and -autosub below must find it
    // past the launcher's quick silent scan.
    EXPECT_EQ(RunTarvix({ "-s", "-auto", Folder.Path() }).ExitCode, 0);
    EXPECT_EQ(ReadBytes(Folder.File("sub/o6.jpg")), originals["sub/o6.jpg"]);
    outcome = RunTarvix({ "-autosub", "-s", Folder.Path() });
    EXPECT_EQ(outcome.ExitCode, 0) << outcome.Errors.toStdString();
    EXPECT_TRUE(outcome.Errors.isEmpty()) << outcome.Errors.toStdString();
    // Nothing left to do, and nothing said about it.
    outcome = RunTarvix({ "/AUTOSUB", "/S", Folder.Path() });
    EXPECT_EQ(outcome.ExitCode, 0);
    EXPECT_TRUE(outcome.Errors.isEmpty()) << outcome.Errors.toStdString();

    const QMap<int, int> codes = { { 3, 2 }, { 6, 1 }, { 8, 3 } };
    for (auto it = originals.cbegin(); it != originals.cend(); ++it) {
        const int orientation = it.key().right(5).left(1).toInt();
        const QByteArray now = ReadBytes(Folder.File(it.key()));
        if (!codes.contains(orientation)) {
            EXPECT_EQ(now, it.value()) << it.key().toStdString();
            continue;
        }
        const QString original = Folder.File("original.tmp");
        WriteBytes(original, it.value());
        EXPECT_EQ(DecodeJpeg(now).Rgb, DecodeJpeg(Jpegtran(original, codes[orientation])).Rgb)
            << it.key().toStdString();
        EXPECT_EQ(OrientationEntries(now, orientation % 2 == 0), QList<int>({ 1 })) << it.key().toStdString();
    }
    QFile::remove(Folder.File("original.tmp"));
    EXPECT_EQ(Folder.Entries(),
        QStringList(
            { "o0.jpg", "o1.jpg", "o2.jpg", "o3.jpg", "o4.jpg", "o5.jpg", "o6.jpg", "o7.jpg", "o8.jpg", "sub" }));
}

TEST_F(CommandLine, WithADisplayTheWindowModuleShowsTheProgress)
{
    const QString photo = Photo("a.jpg", 64, 48, 8);
    const Outcome outcome = RunTarvix({ "-auto", "-s", Folder.Path() }, QString(), true);
    EXPECT_EQ(outcome.ExitCode, 0) << outcome.Errors.toStdString();
    EXPECT_EQ(OrientationEntries(ReadBytes(photo), true), QList<int>({ 1 }));
    EXPECT_EQ(DecodeJpeg(ReadBytes(photo)).Width, 48);
}

// An ended desktop session or a dropped ssh forwarding leaves DISPLAY and WAYLAND_DISPLAY
// naming displays that are gone: the run is the terminal's run, not an abort in Qt.
TEST_F(CommandLine, AStaleDisplayIsATerminalWithoutOne)
{
    const QString display = UnusedXDisplay();
    const QList<QPair<QString, QString>> stale = { { "DISPLAY", display }, { "WAYLAND_DISPLAY", "wayland-gone" } };
    const QString photo = Photo("a.jpg", 64, 48, 1);
    WriteBytes(Folder.File("original.tmp"), ReadBytes(photo));
    const QByteArray right = Jpegtran(Folder.File("original.tmp"), TransformCode::RotateRight);
    QFile::remove(Folder.File("original.tmp"));

    Outcome outcome = RunTarvixWith({ "-r", "-s", "a.jpg" }, Folder.Path(), stale);
    EXPECT_FALSE(outcome.Crashed);
    EXPECT_EQ(outcome.ExitCode, 0) << outcome.Errors.toStdString();
    EXPECT_TRUE(outcome.Errors.isEmpty()) << outcome.Errors.toStdString();
    EXPECT_TRUE(DecodeJpeg(ReadBytes(photo)).Rgb == DecodeJpeg(right).Rgb);

    // Without -s: the turn back, then the terminal's question, left unanswered.
    outcome = RunTarvixWith({ "-l", photo }, QString(), stale);
    EXPECT_EQ(outcome.ExitCode, 0) << outcome.Errors.toStdString();
    EXPECT_EQ(DecodeJpeg(ReadBytes(photo)).Width, 64);
    const QString cropped = Photo("crop.jpg", 64, 40);
    const QByteArray before = ReadBytes(cropped);
    outcome = RunTarvixWith({ "-r", cropped }, QString(), stale);
    EXPECT_FALSE(outcome.Crashed);
    EXPECT_EQ(outcome.ExitCode, 0);
    EXPECT_TRUE(outcome.Errors.startsWith("The image crop.jpg cannot be rotated fully lossless."))
        << outcome.Errors.toStdString();
    EXPECT_TRUE(outcome.Errors.contains("-s answers yes"));
    EXPECT_EQ(ReadBytes(cropped), before);
    outcome = RunTarvixWith({ "-r", Folder.File("gone.jpg") }, QString(), stale);
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_EQ(outcome.Errors, Missing(Folder.File("gone.jpg")));

    // The window cannot do without one: one line, in the user's language.
    outcome = RunTarvixWith({}, QString(), stale);
    EXPECT_FALSE(outcome.Crashed);
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_EQ(
        outcome.Errors, "Cannot open the display " + display + ", wayland-gone: the window needs a desktop session.\n");
    outcome = RunTarvixWith({}, QString(), { { "DISPLAY", display }, { "QT_QPA_PLATFORM", "xcb" } });
    EXPECT_FALSE(outcome.Crashed);
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_EQ(outcome.Errors, "Cannot open the display " + display + ": the window needs a desktop session.\n");
    SettingsStore::OpenPerUser().WriteString("Main", "Language", TARVIX_SOURCE_DIR "/lang/Deutsch.lng");
    outcome = RunTarvixWith({}, QString(), { { "DISPLAY", display } });
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_EQ(outcome.Errors,
        "Die Anzeige " + display + " kann nicht geöffnet werden: Das Fenster braucht eine Desktop-Sitzung.\n");
}

TEST_F(CommandLine, TwoCorrectionsOfOneFolderAtOnceTurnEachPictureOnce)
{
    const QByteArray original = InsertSegments(MakeJpeg(1024, 768, TJSAMP_420), ExifSegment(CameraTiff(6, false)));
    WriteBytes(Folder.File("original.tmp"), original);
    const QByteArray turned = Jpegtran(Folder.File("original.tmp"), 1);
    QFile::remove(Folder.File("original.tmp"));
    const int photos = 16;
    for (int i = 0; i < photos; ++i)
        WriteBytes(Folder.File(QString("p%1.jpg").arg(i, 2, 10, QChar('0'))), original);

    QProcess runs[2];
    for (QProcess& run : runs) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("QT_QPA_PLATFORM");
        run.setProcessEnvironment(environment);
        run.start(TARVIX_BINARY, { "-autosub", "-s", Folder.Path() });
    }
    for (QProcess& run : runs) {
        ASSERT_TRUE(run.waitForFinished(120000));
        EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    }
    const std::vector<unsigned char> upright = DecodeJpeg(turned).Rgb;
    ASSERT_FALSE(upright.empty());
    for (int i = 0; i < photos; ++i) {
        const QByteArray now = ReadBytes(Folder.File(QString("p%1.jpg").arg(i, 2, 10, QChar('0'))));
        EXPECT_EQ(DecodeJpeg(now).Rgb, upright) << i; // turned once, not twice
        EXPECT_EQ(OrientationEntries(now, false), QList<int>({ 1 })) << i;
    }
    EXPECT_EQ(Folder.Entries().size(), photos); // nothing left beside them
}
