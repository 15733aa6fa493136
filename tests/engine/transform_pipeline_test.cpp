#include "base/unique_fd.h"
#include "engine/errors.h"
#include "engine/image_info.h"
#include "engine/language.h"
#include "engine/settings_store.h"
#include "engine/transform_pipeline.h"
#include "support/exif_builder.h"
#include "support/jpeg_fixtures.h"
#include "support/qt_printers.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <turbojpeg.h>
#include <unistd.h>

using namespace tarvix;

namespace {

class Pipeline : public ::testing::Test {
protected:
    void SetUp() override { QFile::remove(PerUserSettingsPath()); }

    // A photo tagged `orientation`; 64 x 40 needs the crop warning, 64 x 48 does not.
    QString Photo(const QString& name, int orientation = 1, int height = 48)
    {
        const QString path = Folder.File(name);
        WriteBytes(path, InsertSegments(MakeJpeg(64, height, TJSAMP_420), ExifSegment(CameraTiff(orientation, false))));
        Originals[path] = ReadBytes(path);
        return path;
    }
    bool Unchanged(const QString& path) { return ReadBytes(path) == Originals[path]; }
    // Turned exactly once: the pixels of jpegtran's turn of the original.
    bool TurnedRight(const QString& path) { return TurnedBy(path, Originals[path], TransformCode::RotateRight); }
    bool TurnedBy(const QString& path, const QByteArray& before, TransformCode code)
    {
        const QString original = Folder.File("original.tmp");
        WriteBytes(original, before);
        const bool same = DecodeJpeg(ReadBytes(path)).Rgb == DecodeJpeg(Jpegtran(original, code)).Rgb;
        QFile::remove(original);
        return same;
    }
    static QList<PipelineFile> Right(const QStringList& paths)
    {
        QList<PipelineFile> files;
        for (const QString& path : paths)
            files.append({ path, TransformCode::RotateRight });
        return files;
    }

    TempFolder Folder;
    TLanguage Language;
    ScriptedDialogs Dialogs;
    QMap<QString, QByteArray> Originals;
};

} // namespace

TEST_F(Pipeline, QuestionsComeInListOrderAndEachAnswerHoldsForItsFile)
{
    const QStringList paths { Photo("f0.jpg", 1, 40), Photo("f1.jpg"), Photo("f2.jpg", 1, 40), Photo("f3.jpg"),
        Photo("f4.jpg", 1, 40), Photo("f5.jpg") };
    for (const QString& path : { paths[3], paths[5] })
        QFile::setPermissions(path, QFile::ReadOwner);
    Dialogs.CropAnswers = { { true, false }, { false, false }, { true, false } };
    Dialogs.YesNoAnswers = { false, true };
    QStringList done;
    PipelineSettings settings;
    settings.Workers = 3;
    settings.AfterFile = [&](const QString& path) { done.append(path); };
    TransformFiles(Language, Right(paths), Dialogs, nullptr, settings);

    EXPECT_EQ(done, paths);
    ASSERT_EQ(Dialogs.CropWarnings.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(Dialogs.CropWarnings[i].contains(QString("f%1.jpg").arg(2 * i))) << i;
    EXPECT_EQ(Dialogs.Questions,
        QStringList({ "Image \"" + paths[3] + "\" is read-only. Do you want to rotate it anyway?",
            "Image \"" + paths[5] + "\" is read-only. Do you want to rotate it anyway?" }));
    for (int i : { 0, 1, 4, 5 })
        EXPECT_TRUE(TurnedRight(paths[i])) << i;
    for (int i : { 2, 3 })
        EXPECT_TRUE(Unchanged(paths[i])) << i;
}

// The fourth file cannot be written (it changes just before): the run ends with its error, or
// reports it and goes on. Whatever was in flight is either untouched or turned completely.
TEST_F(Pipeline, AWriteFailingMidRunEndsTheRunOrIsReportedWithSeveralWorkers)
{
    for (const bool stop : { true, false }) {
        QStringList paths;
        for (int i = 0; i < 10; ++i)
            paths.append(Photo(QString("p%1.jpg").arg(i)));
        QMutex mutex;
        QSet<QString> written;
        QStringList done;
        QStringList errors;
        PipelineSettings settings;
        settings.Workers = 2;
        settings.StopAtFirstError = stop;
        settings.BeforeWrite = [&](const QString& path) {
            const QMutexLocker lock(&mutex);
            written.insert(path);
            if (path == paths[3]) {
                const timespec times[2] = { { 0, UTIME_OMIT }, { 1000, 0 } };
                ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
            }
        };
        settings.AfterFile = [&](const QString& path) { done.append(path); };
        QStringList details;
        settings.OnError = [&](const QString& path, const TarvixError& error) {
            errors.append(QFileInfo(path).fileName() + ": " + error.Message());
            details.append(error.Details());
        };
        if (stop) {
            EXPECT_THROW(TransformFiles(Language, Right(paths), Dialogs, nullptr, settings), TarvixError);
            EXPECT_TRUE(errors.isEmpty());
            EXPECT_FALSE(done.contains(paths[3]));
            EXPECT_LT(written.size(), paths.size());
        } else {
            TransformFiles(Language, Right(paths), Dialogs, nullptr, settings);
            EXPECT_EQ(errors, QStringList({ "p3.jpg: Unable to rotate the image: p3.jpg" }));
            EXPECT_EQ(details, QStringList({ "the file changed after it was read" }));
            EXPECT_EQ(written.size(), paths.size());
        }
        EXPECT_TRUE(Unchanged(paths[3]));
        for (int i = 0; i < paths.size(); ++i) {
            if (i == 3)
                continue;
            EXPECT_EQ(written.contains(paths[i]), done.contains(paths[i])) << i;
            EXPECT_TRUE(written.contains(paths[i]) ? TurnedRight(paths[i]) : Unchanged(paths[i])) << i;
        }
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(written.contains(paths[i])) << i;
        for (const QString& path : paths)
            QFile::remove(path);
    }
}

// Two names of one file: the second is read only once the first is written, and then finds it
// upright. Without that, both would turn the same original, or one would wait for the other.
TEST_F(Pipeline, TwoNamesOfOneFileNeverTurnItTwice)
{
    const QString first = Photo("a.jpg", 6);
    const QString second = Folder.File("b.jpg");
    ASSERT_EQ(::link(QFile::encodeName(first).constData(), QFile::encodeName(second).constData()), 0);
    Originals[second] = Originals[first];
    QStringList done;
    PipelineSettings settings;
    settings.Workers = 2;
    settings.WaitIfBusy = true;
    settings.AfterFile = [&](const QString& path) { done.append(path); };
    TransformFiles(Language, { { first, std::nullopt }, { second, std::nullopt } }, Dialogs, nullptr, settings);
    EXPECT_EQ(done, QStringList({ first, second }));
    EXPECT_EQ(ReadExifOrientation(second), 1);
    EXPECT_TRUE(TurnedRight(second));
    EXPECT_TRUE(Dialogs.Messages.isEmpty());
}

// Another program holds the file (a run of ours turning it) and puts a new picture in its
// place before it lets go. The wait and the new read and turn happen off the calling thread:
// it keeps pumping events all along, and the file is turned as the new picture asks.
TEST_F(Pipeline, TheWaitForALockedFileAndItsNewReadLeaveTheCallingThreadFree)
{
    const QString path = Photo("held.jpg", 6);
    const QString after = Photo("after.jpg", 8);
    const QString next = Photo("next.jpg", 3);
    UniqueFd holder(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
    ASSERT_EQ(::flock(holder.Get(), LOCK_EX), 0);
    constexpr int HeldMs = 600;
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(HeldMs));
        QFile::remove(path);
        QFile::rename(after, path);
        holder.Reset();
    });
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longestGap = 0;
    int pumps = 0;
    PipelineSettings settings;
    settings.Workers = 2;
    settings.WaitIfBusy = true;
    settings.ProcessEvents = [&] {
        const qint64 now = clock.elapsed();
        longestGap = std::max(longestGap, now - last);
        last = now;
        ++pumps;
    };
    QStringList done;
    settings.AfterFile = [&](const QString& file) { done.append(file); };
    TransformFiles(Language, { { path, std::nullopt }, { next, std::nullopt } }, Dialogs, nullptr, settings);
    other.join();

    EXPECT_GE(clock.elapsed(), HeldMs - 50); // the wait did happen
    EXPECT_LT(longestGap, HeldMs / 2) << pumps << " pumps";
    EXPECT_EQ(done, QStringList({ path, next }));
    EXPECT_EQ(ReadExifOrientation(path), 1);
    EXPECT_TRUE(TurnedBy(path, Originals[after], TransformCode::RotateLeft));
    EXPECT_TRUE(TurnedBy(next, Originals[next], TransformCode::Rotate180));
}

// The setting is read once, before the first question: a change of the file during the run
// (another window, or the user) neither starts nor stops the warnings of this run.
TEST_F(Pipeline, TheCropWarningSettingIsReadOnceForTheRun)
{
    for (const bool initially : { true, false }) {
        SCOPED_TRACE(initially);
        SettingsStore::OpenPerUser().Write(SettingsKeys::DisplayCropWarning, initially);
        QStringList paths { Photo("c0.jpg", 1, 40), Photo("c1.jpg", 1, 40), Photo("c2.jpg", 1, 40) };
        Dialogs.CropWarnings.clear();
        Dialogs.CropAnswers = { { true, false }, { true, false }, { true, false } };
        bool changed = false;
        PipelineSettings settings;
        settings.Workers = 1;
        // Before the first file's questions.
        settings.ProcessEvents = [&] {
            if (!std::exchange(changed, true))
                SettingsStore::OpenPerUser().Write(SettingsKeys::DisplayCropWarning, !initially);
        };
        TransformFiles(Language, Right(paths), Dialogs, nullptr, settings);
        EXPECT_EQ(Dialogs.CropWarnings.size(), initially ? 3 : 0);
        for (const QString& path : paths)
            EXPECT_TRUE(TurnedRight(path)) << path.toStdString();
        for (const QString& path : paths)
            QFile::remove(path);
    }
}

// What the caller read for its run is what counts, whatever the file and the switch say.
TEST_F(Pipeline, TheCallersCropAndSilentSettingsHold)
{
    const QString cropped = Photo("c.jpg", 1, 40);
    const QString readOnly = Photo("ro.jpg");
    QFile::setPermissions(readOnly, QFile::ReadOwner);
    PipelineSettings settings;
    settings.CropWarning = false;
    settings.Silent = false;
    Dialogs.YesNoAnswers = { true };
    TransformFiles(Language, Right({ cropped, readOnly }), Dialogs, nullptr, settings);
    EXPECT_TRUE(Dialogs.CropWarnings.isEmpty());
    EXPECT_EQ(Dialogs.Questions.size(), 1);
    EXPECT_TRUE(TurnedRight(cropped));
    EXPECT_TRUE(TurnedRight(readOnly));

    Dialogs.Questions.clear();
    QFile::setPermissions(readOnly, QFile::ReadOwner);
    const QByteArray once = ReadBytes(readOnly);
    settings.CropWarning = true;
    settings.Silent = true;
    TransformFiles(Language, Right({ cropped, readOnly }), Dialogs, nullptr, settings);
    EXPECT_TRUE(Dialogs.CropWarnings.isEmpty());
    EXPECT_TRUE(Dialogs.Questions.isEmpty());
    EXPECT_NE(ReadBytes(readOnly), once);
    EXPECT_TRUE(QFile::permissions(readOnly) & QFile::WriteOwner);
}

// "Don't ask again" with OK holds for the rest of the run at once, and for later runs; with
// Cancel it is not taken.
TEST_F(Pipeline, DontAskAgainStopsTheWarningsForTheRestOfTheRun)
{
    const QStringList paths { Photo("d0.jpg", 1, 40), Photo("d1.jpg", 1, 40), Photo("d2.jpg", 1, 40),
        Photo("d3.jpg", 1, 40) };
    Dialogs.CropAnswers = { { false, true }, { true, true } };
    PipelineSettings settings;
    settings.Workers = 2;
    TransformFiles(Language, Right(paths), Dialogs, nullptr, settings);
    ASSERT_EQ(Dialogs.CropWarnings.size(), 2);
    EXPECT_TRUE(Dialogs.CropWarnings[1].contains("d1.jpg"));
    EXPECT_TRUE(Unchanged(paths[0]));
    for (int i = 1; i < 4; ++i)
        EXPECT_TRUE(TurnedRight(paths[i])) << i;
    EXPECT_FALSE(SettingsStore::OpenPerUser().Read(SettingsKeys::DisplayCropWarning));
}

// A backup that cannot be made stops its file, untouched, with what the system said; the
// other files go on with their backups. Here the backup's name is too long, as the file is
// reached through a link with a long name in another folder.
TEST_F(Pipeline, AFailedBackupStopsItsFileWithTheSystemsReason)
{
    ASSERT_TRUE(QDir(Folder.Path()).mkdir("links"));
    const QString real = Photo("real.jpg");
    const QString link = Folder.File("links/" + QString(246, 'n') + ".jpg");
    ASSERT_TRUE(QFile::link(real, link));
    const QString other = Photo("other.jpg");
    QStringList errors;
    PipelineSettings settings;
    settings.MakeBackup = true;
    settings.StopAtFirstError = false;
    settings.OnError = [&](const QString&, const TarvixError& error) {
        errors.append(error.Message());
        errors.append(error.Details());
    };
    TransformFiles(Language, Right({ link, other }), Dialogs, nullptr, settings);
    ASSERT_EQ(errors.size(), 2);
    EXPECT_EQ(errors[0], "Unable to rotate the image: " + QFileInfo(link).fileName());
    EXPECT_TRUE(errors[1].startsWith("backup copy " + Folder.File("links/")));
    EXPECT_TRUE(errors[1].endsWith(
        ": " + QString::fromLocal8Bit(std::strerror(ENAMETOOLONG)) + QString(" (errno %1)").arg(ENAMETOOLONG)))
        << errors[1].toStdString();
    EXPECT_TRUE(Unchanged(real));
    EXPECT_TRUE(TurnedRight(other));
    EXPECT_EQ(ReadBytes(Folder.File("other_ORIGINAL.jpg")), Originals[other]);
}

// Cancel ends the wait for a file another program holds, rather than after the whole wait.
TEST_F(Pipeline, CancelEndsTheWaitForALockedFile)
{
    class CancelLater : public tarvix::Dialogs::Progress {
    public:
        void SetLabelText(const QString&) override { }
        void SetProgressBounds(int, int) override { }
        void SetProgressBy(int) override { }
        bool WantCancel() const override { return Clock.elapsed() > 200; }
        QElapsedTimer Clock;
    };
    const QString path = Photo("held.jpg", 6);
    UniqueFd holder(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
    ASSERT_EQ(::flock(holder.Get(), LOCK_EX), 0);
    CancelLater progress;
    progress.Clock.start();
    PipelineSettings settings;
    settings.WaitIfBusy = true;
    TransformFiles(Language, { { path, std::nullopt } }, Dialogs, &progress, settings);
    EXPECT_LT(progress.Clock.elapsed(), 2000); // the wait would be 5 s
    EXPECT_TRUE(Unchanged(path));
    EXPECT_TRUE(Dialogs.Messages.isEmpty());
}
