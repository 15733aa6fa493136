// Keeping up with the folder shown, through real file operations in a temporary folder.
#include "engine/folder_scan.h"
#include "support/jpeg_fixtures.h"
#include "support/temp_folder.h"
#include "ui/window/folder_watcher.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>
#include <gtest/gtest.h>

using namespace tarvix;

namespace {

QStringList List(const QString& folder, bool recursive, const std::atomic_bool& stop)
{
    QStringList list;
    ListJpegFiles(folder, list, recursive, &stop);
    return list;
}

class Watcher : public ::testing::Test {
protected:
    struct Report {
        QStringList Added, Removed, Changed;
    };

    Watcher()
    {
        QObject::connect(&Watched, &FolderWatcher::FolderChanged, [this](auto added, auto removed, auto changed) {
            Reports.append({ added, removed, changed });
        });
    }
    // A small JPEG written at once, or in two parts `pause` milliseconds apart.
    QString Put(const QString& name, int pause = 0)
    {
        const QByteArray bytes = MakeJpeg(32, 24, 2);
        QFile file(Folder.File(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.first(bytes.size() / 2));
        file.flush();
        if (pause > 0)
            QTest::qWait(pause);
        file.write(bytes.sliced(bytes.size() / 2));
        return Folder.File(name);
    }
    void Start(bool recursive = false)
    {
        Watched.Watch(Folder.Path(), recursive, List(Folder.Path(), recursive, {}));
        // The first listing, with nothing to report, sets what later ones compare with.
        QTest::qWait(FolderWatcher::QuietMs + 300);
        Reports.clear();
    }
    // Waits for the reports to stop coming, at most `ms`; all of them together.
    Report Collected(int ms = 4000)
    {
        (void)QTest::qWaitFor([&] { return !Reports.isEmpty(); }, ms);
        QTest::qWait(FolderWatcher::SettleMs + FolderWatcher::LongestWaitMs);
        Report all;
        for (const Report& r : std::as_const(Reports)) {
            all.Added += r.Added;
            all.Removed += r.Removed;
            all.Changed += r.Changed;
        }
        return all;
    }

    TempFolder Folder;
    FolderWatcher Watched { List };
    QList<Report> Reports;
};

TEST_F(Watcher, ReportsWhatOtherProgramsAddRemoveRenameAndReplace)
{
    const QString kept = Put("kept.jpg");
    const QString old = Put("old.jpg");
    const QString renamed = Put("renamed.jpg");
    Start();
    ASSERT_TRUE(Watched.Watching());

    const QString fresh = Put("fresh.jpg");
    QFile::remove(old);
    QFile::rename(renamed, Folder.File("now.jpg"));
    // As most programs write: a new file in the old one's place.
    const QString other = Put("other.tmp");
    ASSERT_EQ(std::rename(QFile::encodeName(other).constData(), QFile::encodeName(kept).constData()), 0);
    QFile(Folder.File("notes.txt")).open(QIODevice::WriteOnly); // no picture: no news

    const Report r = Collected();
    EXPECT_EQ(QSet<QString>(r.Added.begin(), r.Added.end()), QSet<QString>({ fresh, Folder.File("now.jpg") }));
    EXPECT_EQ(QSet<QString>(r.Removed.begin(), r.Removed.end()), QSet<QString>({ old, renamed }));
    EXPECT_EQ(r.Changed, QStringList { kept });
}

TEST_F(Watcher, ABurstComesInAFewReportsAndAFileBeingWrittenOnlyOnceItIsWhole)
{
    Start();
    for (int i = 0; i < 60; ++i)
        Put(QStringLiteral("burst_%1.jpg").arg(i));
    const Report burst = Collected();
    EXPECT_EQ(burst.Added.size(), 60);
    EXPECT_LE(Reports.size(), 3);

    Reports.clear();
    const QString slow = Put("slow.jpg", 900);
    const Report r = Collected();
    EXPECT_EQ(r.Added, QStringList { slow });
    EXPECT_TRUE(r.Changed.isEmpty()); // not reported half-written, then again
}

TEST_F(Watcher, TheWindowsOwnChangesAreNoNewsAndAPauseDefersTheReports)
{
    const QString mine = Put("mine.jpg");
    Start();
    const QString other = Put("other.tmp");
    std::rename(QFile::encodeName(other).constData(), QFile::encodeName(mine).constData());
    Watched.Absorb(mine);
    QFile::rename(Put("made.tmp"), Folder.File("made.jpg"));
    Watched.Absorb(Folder.File("made.jpg"));
    QTest::qWait(FolderWatcher::LongestWaitMs + FolderWatcher::SettleMs + 500);
    EXPECT_TRUE(Reports.isEmpty());

    Watched.SetPaused(true);
    const QString during = Put("during.jpg");
    QTest::qWait(FolderWatcher::LongestWaitMs + 500);
    EXPECT_TRUE(Reports.isEmpty());
    Watched.SetPaused(false);
    EXPECT_EQ(Collected().Added, QStringList { during });
}

TEST_F(Watcher, WatchesSubfoldersWhenAskedAndNothingWhereItCannot)
{
    QDir(Folder.Path()).mkdir("sub");
    Start(true);
    QDir(Folder.Path()).mkdir("sub/deeper");
    QTest::qWait(FolderWatcher::LongestWaitMs + 300); // the new folder is watched from its listing on
    const QString deep = Put("sub/deeper/deep.jpg");
    const QString sub = Put("sub/in_sub.jpg");
    const Report r = Collected();
    EXPECT_EQ(QSet<QString>(r.Added.begin(), r.Added.end()), QSet<QString>({ deep, sub }));

    FolderWatcher nowhere(List);
    nowhere.Watch(Folder.File("missing"), false, {});
    EXPECT_FALSE(nowhere.Watching());
}

} // namespace
