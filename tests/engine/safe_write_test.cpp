#include "platform/file_copy.h"
#include "platform/locked_file.h"
#include "platform/safe_write.h"
#include "support/jpeg_fixtures.h"
#include "support/qt_printers.h"
#include "support/temp_folder.h"

#include <QFile>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace tarvix;

namespace {
struct stat StatOf(const QString& path)
{
    struct stat st { };
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}
} // namespace

TEST(SafeWrite, ReplacesThroughLinksAndKeepsModeAndAttributes)
{
    TempFolder folder;
    const QString file = folder.File("photo.jpg");
    WriteBytes(file, "old content");
    ::chmod(QFile::encodeName(file).constData(), 0640);
    const bool xattrs = ::setxattr(QFile::encodeName(file).constData(), "user.note", "keep", 4, 0) == 0;
    ASSERT_EQ(QFile::link(file, folder.File("link.jpg")), true);

    ASSERT_EQ(ReplaceFileContent(folder.File("link.jpg"), "new content"), 0);
    EXPECT_TRUE(S_ISLNK(StatOf(folder.File("link.jpg")).st_mode)); // the link stays a link
    EXPECT_EQ(ReadBytes(file), "new content");
    EXPECT_EQ(StatOf(file).st_mode & 07777, 0640u);
    if (xattrs) {
        char value[8] = {};
        EXPECT_EQ(::getxattr(QFile::encodeName(file).constData(), "user.note", value, sizeof value), 4);
        EXPECT_STREQ(value, "keep");
    }
    EXPECT_EQ(folder.Entries(), QStringList({ "link.jpg", "photo.jpg" }));
}

TEST(SafeWrite, OverwritesInPlaceWhenTheFileHasMoreNames)
{
    TempFolder folder;
    const QString file = folder.File("a.jpg");
    WriteBytes(file, "a rather long old content");
    ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(folder.File("b.jpg")).constData()), 0);
    const ino_t inode = StatOf(file).st_ino;

    ASSERT_EQ(ReplaceFileContent(file, "short"), 0);
    EXPECT_EQ(ReadBytes(folder.File("b.jpg")), "short"); // both names see the new content
    EXPECT_EQ(StatOf(file).st_ino, inode);
    EXPECT_EQ(folder.Entries(), QStringList({ "a.jpg", "b.jpg" })); // the safety copy is gone
}

TEST(SafeWrite, FailsWithoutTouchingAnything)
{
    TempFolder folder;
    EXPECT_EQ(ReplaceFileContent(folder.File("missing.jpg"), "x"), ENOENT);
    EXPECT_TRUE(folder.Entries().isEmpty());
}

TEST(FileCopy, NeverOverwritesAndKeepsPermissionsAndModificationTime)
{
    TempFolder folder;
    const QString source = folder.File("a.jpg");
    WriteBytes(source, "original bytes");
    ::chmod(QFile::encodeName(source).constData(), 0604);
    const timespec times[2] = { { 1000000000, 0 }, { 1234567890, 123456789 } };
    ::utimensat(AT_FDCWD, QFile::encodeName(source).constData(), times, 0);

    ASSERT_EQ(CopyFileNoReplace(source, folder.File("a_ORIGINAL.jpg")), 0);
    const struct stat copy = StatOf(folder.File("a_ORIGINAL.jpg"));
    EXPECT_EQ(ReadBytes(folder.File("a_ORIGINAL.jpg")), "original bytes");
    EXPECT_EQ(copy.st_mode & 07777, 0604u);
    EXPECT_EQ(copy.st_mtim.tv_sec, 1234567890);
    EXPECT_EQ(copy.st_mtim.tv_nsec, 123456789);

    WriteBytes(source, "changed");
    EXPECT_EQ(CopyFileNoReplace(source, folder.File("a_ORIGINAL.jpg")), EEXIST);
    EXPECT_EQ(ReadBytes(folder.File("a_ORIGINAL.jpg")), "original bytes");
    EXPECT_NE(CopyFileNoReplace(folder.File("missing.jpg"), folder.File("x.jpg")), 0);
    EXPECT_EQ(folder.Entries(), QStringList({ "a.jpg", "a_ORIGINAL.jpg" }));
}

// A file-size limit makes every write past it fail as a full disk would, in a child process
// so that the limit does not reach the other tests.
TEST(SafeWrite, AFullDiskLeavesTheOriginalAndNoTemporaryFile)
{
    for (const bool hardLinked : { false, true }) {
        TempFolder folder;
        const QString file = folder.File("a.jpg");
        const QByteArray original(3000, 'o');
        WriteBytes(file, original);
        if (hardLinked)
            ::link(QFile::encodeName(file).constData(), QFile::encodeName(folder.File("b.jpg")).constData());
        const pid_t child = ::fork();
        if (child == 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit { 4096, 4096 };
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::_exit(ReplaceFileContent(file, QByteArray(10000, 'n')) == 0 ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_EQ(WEXITSTATUS(status), 1) << "hard linked: " << hardLinked;
        EXPECT_EQ(ReadBytes(file), original);
        EXPECT_EQ(folder.Entries(), hardLinked ? QStringList({ "a.jpg", "b.jpg" }) : QStringList({ "a.jpg" }));
    }
}

TEST(SafeWrite, AnOverwriteInPlaceCutShortIsUndoneByTheNextRun)
{
    TempFolder folder;
    const QString file = folder.File("a.jpg");
    const QByteArray original(5000, 'o');
    WriteBytes(file, original);
    ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(folder.File("b.jpg")).constData()), 0);
    struct stat st { };
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
    // What a process killed in the middle of the overwrite leaves: half the new content in
    // the file, the complete original beside it.
    const std::string kept = KeptOriginalPath(QFile::encodeName(folder.Path()).toStdString(), "a.jpg", st.st_ino);
    WriteBytes(QString::fromStdString(kept), original);
    {
        QFile half(file);
        ASSERT_TRUE(half.open(QIODevice::ReadWrite));
        half.write(QByteArray(2000, 'n'));
    }
    // A copy kept for another file of that name (since replaced) is not put back.
    WriteBytes(folder.File(".b.jpg.tarvix-original-1"), "unrelated");

    LockedFile reopened;
    ASSERT_EQ(reopened.Open(file, 1 << 20, std::chrono::milliseconds(0)), LockedFile::Status::Ok);
    EXPECT_EQ(reopened.Bytes(), original);
    EXPECT_EQ(ReadBytes(folder.File("b.jpg")), original); // the same inode
    EXPECT_EQ(folder.Entries(), QStringList({ ".b.jpg.tarvix-original-1", "a.jpg", "b.jpg" }));
}

TEST(SafeWrite, ANewContentLeftJustBeforeItsRenameIsRemovedOrReplaced)
{
    TempFolder folder;
    const QString file = folder.File("a.jpg");
    WriteBytes(file, "old");
    // What a process killed between naming its new content and renaming it leaves behind.
    WriteBytes(folder.File(".a.jpg.tarvix-new"), "new content of a run that died");
    {
        LockedFile reopened;
        ASSERT_EQ(reopened.Open(file, 1 << 20, std::chrono::milliseconds(0)), LockedFile::Status::Ok);
        EXPECT_EQ(reopened.Bytes(), "old");
    }
    EXPECT_EQ(folder.Entries(), QStringList({ "a.jpg" }));

    // Found by the replacement itself, it is replaced.
    WriteBytes(folder.File(".a.jpg.tarvix-new"), "stale");
    ASSERT_EQ(ReplaceFileContent(file, "new"), 0);
    EXPECT_EQ(ReadBytes(file), "new");
    EXPECT_EQ(folder.Entries(), QStringList({ "a.jpg" }));
}
