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

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
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
    // Turned right exactly once: the pixels of jpegtran's turn of the original.
    bool TurnedRight(const QString& path)
    {
        const QString original = Folder.File("original.tmp");
        WriteBytes(original, Originals[path]);
        const bool same
            = DecodeJpeg(ReadBytes(path)).Rgb == DecodeJpeg(Jpegtran(original, TransformCode::RotateRight)).Rgb;
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
        settings.OnError = [&](const QString& path, const TarvixError& error) {
            errors.append(QFileInfo(path).fileName() + ": " + error.Message());
        };
        if (stop) {
            EXPECT_THROW(TransformFiles(Language, Right(paths), Dialogs, nullptr, settings), TarvixError);
            EXPECT_TRUE(errors.isEmpty());
            EXPECT_FALSE(done.contains(paths[3]));
            EXPECT_LT(written.size(), paths.size());
        } else {
            TransformFiles(Language, Right(paths), Dialogs, nullptr, settings);
            EXPECT_EQ(errors, QStringList({ "p3.jpg: Unable to rotate the image: p3.jpg" }));
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
