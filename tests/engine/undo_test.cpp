// Taking back turns: the exact bytes, times and permissions come back, only into files that
// are still what the turn wrote, within the cache's bound, and safely when killed.
#include "engine/image_info.h"
#include "engine/language.h"
#include "engine/settings_keys.h"
#include "engine/settings_store.h"
#include "engine/transform_pipeline.h"
#include "engine/undo_recorder.h"
#include "engine/undo_store.h"
#include "platform/locked_file.h"
#include "platform/process_folder.h"
#include "support/jpeg_fixtures.h"
#include "support/qt_printers.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits>
#include <sys/stat.h>
#include <sys/wait.h>
#include <turbojpeg.h>
#include <unistd.h>

using namespace tarvix;

namespace {

struct stat StatOf(const QString& path)
{
    struct stat st { };
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

QByteArray Sha256Of(const QString& path)
{
    return QCryptographicHash::hash(ReadBytes(path), QCryptographicHash::Sha256);
}

// Every regular file under `folder`: the copies a store keeps, and its lock files.
QStringList FilesUnder(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        found.append(it.next());
    return found;
}

class Undo : public ::testing::Test {
protected:
    void SetUp() override { QFile::remove(PerUserSettingsPath()); }

    // A photo whose width and height are no multiple of its 16-pixel blocks, so that a turn
    // trims it; with times to the nanosecond that no write would give it by chance.
    QString Photo(const QString& name, int width = 1000, int height = 750)
    {
        const QString path = Folder.File(name);
        Originals[path] = MakeJpeg(width, height, TJSAMP_420);
        WriteBytes(path, Originals[path]);
        const timespec times[2] = { { 1234567890, 123456789 }, { 1500000000, 987654321 } };
        ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
        return path;
    }

    void Turn(const QStringList& paths, const std::shared_ptr<UndoRecorder>& recorder)
    {
        QList<PipelineFile> files;
        for (const QString& path : paths)
            files.append({ path, TransformCode::RotateRight });
        PipelineSettings settings;
        settings.CropWarning = false;
        settings.Silent = true;
        settings.Undo = recorder;
        TransformFiles(Language, files, Dialogs, nullptr, settings);
    }

    // Turns the files as one step of `store`.
    void TurnStep(UndoStore& store, const QStringList& paths)
    {
        const std::shared_ptr<UndoRecorder> recorder = store.BeginStep();
        Turn(paths, recorder);
        store.FinishStep(recorder);
    }

    QString Root() const { return Folder.File("cache/tarvix/undo"); }

    TempFolder Folder;
    TLanguage Language;
    ScriptedDialogs Dialogs;
    QMap<QString, QByteArray> Originals;
};

} // namespace

TEST_F(Undo, ATrimmingTurnComesBackToTheByteWithItsTimesAndPermissions)
{
    const QString path = Photo("photo.jpg");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    // Not read before the turn, which would move its access time.
    const struct stat original = StatOf(path);

    UndoStore store(64 << 20, Root());
    EXPECT_FALSE(store.CanUndo());
    TurnStep(store, { path });
    ASSERT_TRUE(store.CanUndo());
    // The turn cut the partial blocks: turning back would not bring them back.
    EXPECT_EQ(ParseImageInfo(ReadBytes(path)).Width, 736);

    qsizetype reported = 0;
    UndoProgress progress;
    progress.AfterFile = [&](qsizetype done, qsizetype total) {
        reported = done;
        EXPECT_EQ(total, 1);
    };
    const UndoResult result = store.UndoLast(progress);
    EXPECT_EQ(result.Restored, QStringList { path });
    EXPECT_TRUE(result.Changed.isEmpty() && result.Failed.isEmpty());
    EXPECT_EQ(reported, 1);
    const struct stat now = StatOf(path);
    EXPECT_EQ(Sha256Of(path), QCryptographicHash::hash(Originals[path], QCryptographicHash::Sha256));
    EXPECT_EQ(now.st_mtim.tv_sec, original.st_mtim.tv_sec);
    EXPECT_EQ(now.st_mtim.tv_nsec, original.st_mtim.tv_nsec);
    EXPECT_EQ(now.st_atim.tv_sec, original.st_atim.tv_sec);
    EXPECT_EQ(now.st_atim.tv_nsec, original.st_atim.tv_nsec);
    EXPECT_EQ(now.st_mode & 07777, 0444u);
    // The step and its copy are gone.
    EXPECT_FALSE(store.CanUndo());
    EXPECT_TRUE(store.UndoLast().Restored.isEmpty());
    for (const QString& file : FilesUnder(Root()))
        EXPECT_TRUE(file.endsWith(".lock")) << file.toStdString();
    EXPECT_EQ(Folder.Entries(), QStringList({ "cache", "photo.jpg" }));
}

// The undo of the second turn writes the file anew: the first turn's step must still take it as
// its own, or two Ctrl+Z in a row would stop halfway.
TEST_F(Undo, TwoTurnsOfOnePictureComeBackOneAfterTheOther)
{
    const QString path = Photo("twice.jpg");
    UndoStore store(64 << 20, Root());
    TurnStep(store, { path });
    const QByteArray once = ReadBytes(path);
    TurnStep(store, { path });
    EXPECT_EQ(store.UndoLast().Restored, QStringList { path });
    EXPECT_EQ(ReadBytes(path), once);
    ASSERT_TRUE(store.CanUndo());
    const UndoResult first = store.UndoLast();
    EXPECT_EQ(first.Restored, QStringList { path });
    EXPECT_TRUE(first.Changed.isEmpty());
    EXPECT_EQ(Sha256Of(path), QCryptographicHash::hash(Originals[path], QCryptographicHash::Sha256));
}

TEST_F(Undo, FilesChangedSinceTheTurnAreLeftAsTheyAreAndNamed)
{
    const QStringList paths { Photo("a.jpg"), Photo("b.jpg"), Photo("c.jpg"), Photo("d.jpg"), Photo("e.jpg") };
    QList<QByteArray> before;
    for (const QString& path : paths)
        before.append(ReadBytes(path));
    UndoStore store(64 << 20, Root());
    TurnStep(store, paths);

    // b: rewritten in place by a program that puts its modification time back (only the
    // change time tells); c: replaced by another file; d: gone.
    const struct stat turnedB = StatOf(paths[1]);
    QByteArray changedB = ReadBytes(paths[1]);
    changedB[changedB.size() - 3] = char(changedB[changedB.size() - 3] ^ 1);
    {
        QFile file(paths[1]);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.write(changedB);
    }
    const timespec times[2] = { turnedB.st_atim, turnedB.st_mtim };
    ::utimensat(AT_FDCWD, QFile::encodeName(paths[1]).constData(), times, 0);
    const QByteArray changedC = MakeJpeg(32, 32, TJSAMP_444);
    WriteBytes(Folder.File("other.jpg"), changedC);
    ASSERT_TRUE(QFile::remove(paths[2]));
    ASSERT_TRUE(QFile::rename(Folder.File("other.jpg"), paths[2]));
    ASSERT_TRUE(QFile::remove(paths[3]));

    UndoResult result = store.UndoLast();
    // Newest first, and the workers finish in any order.
    result.Restored.sort();
    result.Changed.sort();
    EXPECT_EQ(result.Restored, QStringList({ paths[0], paths[4] }));
    EXPECT_EQ(result.Changed, QStringList({ paths[1], paths[2], paths[3] }));
    EXPECT_TRUE(result.Failed.isEmpty());
    EXPECT_EQ(ReadBytes(paths[0]), before[0]);
    EXPECT_EQ(ReadBytes(paths[1]), changedB);
    EXPECT_EQ(ReadBytes(paths[2]), changedC);
    EXPECT_FALSE(QFile::exists(paths[3]));
    EXPECT_EQ(ReadBytes(paths[4]), before[4]);
    EXPECT_FALSE(store.CanUndo());
}

TEST_F(Undo, TheCapDropsTheOldestStepsAndAStepLargerThanItCannotBeUndone)
{
    const QStringList paths { Photo("a.jpg"), Photo("b.jpg"), Photo("c.jpg"), Photo("d.jpg") };
    const qint64 size = QFileInfo(paths[0]).size();
    QList<QByteArray> before;
    for (const QString& path : paths)
        before.append(ReadBytes(path));

    // Room for two copies and a half.
    UndoStore store(size * 5 / 2, Root());
    TurnStep(store, { paths[0] });
    TurnStep(store, { paths[1] });
    TurnStep(store, { paths[2] });
    EXPECT_EQ(FilesUnder(Root()).filter(QRegularExpression("/[0-9]+$")).size(), 2);
    EXPECT_EQ(store.UndoLast().Restored, QStringList { paths[2] });
    EXPECT_EQ(store.UndoLast().Restored, QStringList { paths[1] });
    EXPECT_FALSE(store.CanUndo()); // the first step made room for the third
    EXPECT_EQ(ReadBytes(paths[1]), before[1]);
    EXPECT_NE(ReadBytes(paths[0]), before[0]);

    // Three files at once do not fit: they are turned all the same, and nothing before them
    // can be undone either.
    TurnStep(store, { paths[3] });
    ASSERT_TRUE(store.CanUndo());
    TurnStep(store, { paths[0], paths[1], paths[2] });
    EXPECT_FALSE(store.CanUndo());
    for (const QString& path : paths)
        EXPECT_NE(ReadBytes(path), before[paths.indexOf(path)]) << path.toStdString();
    EXPECT_TRUE(FilesUnder(Root()).filter(QRegularExpression("/[0-9]+$")).isEmpty());

    // A step that fits is kept again afterwards.
    TurnStep(store, { paths[3] });
    EXPECT_TRUE(store.CanUndo());
}

TEST_F(Undo, NoCapMeansNoUndoAndNothingWritten)
{
    const QString path = Photo("photo.jpg");
    const QByteArray before = ReadBytes(path);
    UndoStore store(0, Root());
    EXPECT_FALSE(store.Enabled());
    EXPECT_EQ(store.BeginStep(), nullptr);
    TurnStep(store, { path });
    EXPECT_NE(ReadBytes(path), before);
    EXPECT_FALSE(store.CanUndo());
    EXPECT_FALSE(QFileInfo::exists(Folder.File("cache")));

    // What the stored setting gives: off, megabytes, the default for a negative value, and
    // no overflow for the largest.
    EXPECT_EQ(SettingsKeys::UndoCacheBytesFromStored(0), 0);
    EXPECT_EQ(SettingsKeys::UndoCacheBytesFromStored(3), 3 << 20);
    EXPECT_EQ(SettingsKeys::UndoCacheBytesFromStored(-1), qint64(1024) << 20);
    EXPECT_EQ(SettingsKeys::UndoCacheBytesFromStored(std::numeric_limits<qint32>::max()),
        qint64(std::numeric_limits<qint32>::max()) << 20);
    EXPECT_EQ(SettingsStore::OpenPerUser().Read(SettingsKeys::UndoCacheMB), 1024);
}

TEST_F(Undo, ACacheThatCannotBeWrittenTurnsTheFilesAllTheSame)
{
    const QString path = Photo("photo.jpg");
    const QByteArray before = ReadBytes(path);
    WriteBytes(Folder.File("cache"), "not a folder");
    UndoStore store(64 << 20, Root());
    TurnStep(store, { path });
    EXPECT_NE(ReadBytes(path), before);
    EXPECT_FALSE(store.CanUndo());
}

TEST_F(Undo, TheCopiesLiveInAPrivateFolderOfTheProcessThatGoesWithTheStore)
{
    const QString path = Photo("photo.jpg");
    {
        UndoStore store(64 << 20, Root());
        TurnStep(store, { path });
        const QStringList files = FilesUnder(Root());
        ASSERT_EQ(files.size(), 2) << files.join(' ').toStdString(); // the lock and one copy
        for (const QString& folder : { Root(), QFileInfo(files.filter(QRegularExpression("/[0-9]+$"))[0]).path() })
            EXPECT_EQ(StatOf(folder).st_mode & 07777, 0700u) << folder.toStdString();
        EXPECT_TRUE(Folder.Entries().contains("photo.jpg")); // nothing beside the photo
        EXPECT_EQ(Folder.Entries().size(), 2);
    }
    EXPECT_TRUE(FilesUnder(Root()).isEmpty());
    EXPECT_TRUE(QDir(Root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}

TEST_F(Undo, CleaningRemovesTheCopiesOfEndedProcessesOnly)
{
    // Each child makes its folder and a copy in it; the dead one ends without cleaning up,
    // the live one waits until it is told to go.
    const auto child = [this](int readyPipe, int waitPipe) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const std::unique_ptr<ProcessFolder> folder = ProcessFolder::Create(Root());
            WriteBytes(folder->Path() + "/1", "copy");
            char byte = 1;
            (void)!::write(readyPipe, &byte, 1);
            if (waitPipe >= 0)
                (void)!::read(waitPipe, &byte, 1);
            ::_exit(0);
        }
        return pid;
    };
    int ready[2];
    int hold[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(hold), 0);
    char byte = 0;
    const pid_t dead = child(ready[1], -1);
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::waitpid(dead, nullptr, 0);
    const pid_t live = child(ready[1], hold[0]);
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    // A store of this process, with a copy.
    UndoStore store(64 << 20, Root());
    TurnStep(store, { Photo("photo.jpg") });
    ASSERT_EQ(FilesUnder(Root()).size(), 6);

    UndoStore::RemoveAbandoned(Root());
    const QStringList left = FilesUnder(Root());
    EXPECT_EQ(left.size(), 4) << left.join(' ').toStdString();
    EXPECT_EQ(left.filter("/" + QString::number(dead) + "-").size(), 0);
    EXPECT_EQ(left.filter("/" + QString::number(live) + "-").size(), 2);
    EXPECT_TRUE(store.CanUndo());

    (void)!::write(hold[1], &byte, 1);
    ::waitpid(live, nullptr, 0);
    UndoStore::RemoveAbandoned(Root());
    EXPECT_EQ(FilesUnder(Root()).size(), 2);
    EXPECT_TRUE(store.UndoLast().Changed.isEmpty());
    for (const int fd : { ready[0], ready[1], hold[0], hold[1] })
        ::close(fd);
}

TEST_F(Undo, AKilledUndoLeavesEachFileAsItWasBeforeTheTurnOrAsTurned)
{
    QStringList paths;
    for (int i = 0; i < 6; ++i)
        paths.append(Photo(QString("p%1.jpg").arg(i), 640, 472));
    // One with a second name, so that it is overwritten in place rather than replaced.
    ASSERT_EQ(
        ::link(QFile::encodeName(paths[2]).constData(), QFile::encodeName(Folder.File("link.jpg")).constData()), 0);
    QList<QByteArray> before;
    for (const QString& path : paths)
        before.append(ReadBytes(path));

    // Undoes in a child; stopped at the file `stopAt` (newest first) or killed after `delay`.
    const auto undoInChild = [&](UndoStore& store, int stopAt, useconds_t delay) {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            int reached = 0;
            UndoProgress progress;
            progress.BeforeFile = [&](const QString&) {
                if (reached++ == stopAt) {
                    char byte = 1;
                    (void)!::write(ready[1], &byte, 1);
                    ::pause();
                }
            };
            store.UndoLast(progress);
            ::_exit(0);
        }
        char byte = 0;
        if (stopAt >= 0)
            EXPECT_EQ(::read(ready[0], &byte, 1), 1);
        else
            ::usleep(delay);
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        ::close(ready[0]);
        ::close(ready[1]);
    };
    const auto checkEach = [&](int expectRestored) {
        int restored = 0;
        for (int i = 0; i < paths.size(); ++i) {
            SCOPED_TRACE(paths[i].toStdString());
            // As the next run does on opening: an overwrite in place cut short is put back.
            LockedFile reopened;
            ASSERT_EQ(reopened.Open(paths[i], qint64(1) << 30, std::chrono::milliseconds(0)), LockedFile::Status::Ok);
            const QByteArray now = reopened.Bytes();
            const bool original = now == before[i];
            EXPECT_TRUE(original || ParseImageInfo(now).Height == 640);
            restored += original;
        }
        if (expectRestored >= 0) {
            EXPECT_EQ(restored, expectRestored);
        }
        const QStringList entries = Folder.Entries();
        EXPECT_EQ(entries.size(), paths.size() + 2) << entries.join(' ').toStdString(); // link.jpg, cache
    };

    {
        SCOPED_TRACE("stopped before the fourth file");
        UndoStore store(64 << 20, Root());
        TurnStep(store, paths);
        undoInChild(store, 3, 0);
        checkEach(3);
        // The parent's step is intact, and finishes the work.
        EXPECT_EQ(store.UndoLast().Restored.size(), 3);
        checkEach(6);
    }
    // Kills from the very start to past the usual end, so that a loaded machine still sees
    // replacements cut short.
    qint64 lifetime = 0;
    {
        UndoStore store(64 << 20, Root());
        TurnStep(store, paths);
        QElapsedTimer timer;
        timer.start();
        ASSERT_EQ(store.UndoLast().Restored.size(), paths.size());
        lifetime = timer.nsecsElapsed() / 1000;
    }
    for (int trial = 0; trial < 12; ++trial) {
        SCOPED_TRACE(trial);
        for (const QString& path : paths)
            WriteBytes(path, Originals[path]);
        UndoStore store(64 << 20, Root());
        TurnStep(store, paths);
        undoInChild(store, -1, useconds_t(lifetime * trial / 10));
        checkEach(-1);
        // What the child left. A file whose overwrite in place was cut short has the turned
        // content back, but with new times: no longer exactly what the turn wrote, it stays.
        const UndoResult rest = store.UndoLast();
        checkEach(-1);
        for (const QString& path : rest.Restored)
            EXPECT_EQ(ReadBytes(path), Originals[path]) << path.toStdString();
    }
}
