#include "engine/folder_scan.h"
#include "support/qt_printers.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace tarvix;

namespace {

void Touch(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

// The folder's entries in the order the file system gives them, as the scan must see them.
QStringList RawOrder(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
}

} // namespace

TEST(HasJpegExtension, TakesJpgAndJpegInAnyCaseAndNothingElse)
{
    for (const char* name : { "a.jpg", "a.JPG", "a.Jpeg", "b.c.JPEG", ".jpg" })
        EXPECT_TRUE(HasJpegExtension(name)) << name;
    for (const char* name : { "a.jpe", "a.jfif", "a.jpg.png", "jpg", "a.jpgx", "a.jpg " })
        EXPECT_FALSE(HasJpegExtension(name)) << name;
}

TEST(ListJpegFiles, PutsSubfolderFilesWhereTheSubfolderWasMet)
{
    TempFolder folder;
    const QString root = folder.Path();
    for (const char* name : { "a.jpg", "b.JPEG", "c.png", ".hidden.jpg", "d.jpe", "e.jpg", "f.Jpg" })
        Touch(folder.File(name));
    for (const char* sub : { "sub", "album.jpg" }) {
        ASSERT_TRUE(QDir(root).mkpath(QString(sub) + "/deeper"));
        Touch(root + "/" + sub + "/in.jpg");
        Touch(root + "/" + sub + "/deeper/deep.jpeg");
    }

    // Expected: each entry in the file system's order; a folder's files come first, then
    // the folder itself when its name has the extension.
    std::function<void(const QString&, QStringList&)> expect = [&](const QString& dir, QStringList& out) {
        for (const QString& name : RawOrder(dir)) {
            const QString path = dir + "/" + name;
            if (QFileInfo(path).isDir())
                expect(path, out);
            if (HasJpegExtension(name))
                out.append(path);
        }
    };
    QStringList expected;
    expect(root, expected);
    ASSERT_EQ(expected.size(), 10);

    QStringList list = { "kept" };
    ListJpegFiles(root, list, true);
    EXPECT_EQ(list, QStringList { "kept" } + expected);

    QStringList flat;
    ListJpegFiles(root, flat, false);
    EXPECT_EQ(flat.size(), 6); // five files and the folder named album.jpg
    EXPECT_TRUE(flat.contains(root + "/album.jpg"));
    EXPECT_FALSE(flat.contains(root + "/sub/in.jpg"));
}

TEST(ListJpegFiles, WalksEveryFolderOnceAndToleratesWhatCannotBeRead)
{
    TempFolder folder;
    const QString root = folder.Path();
    ASSERT_TRUE(QDir(root).mkpath("a/b"));
    Touch(root + "/a/b/x.jpg");
    // A loop back to the top and a second way into a/b: each folder is walked once.
    ASSERT_TRUE(QFile::link(root, root + "/a/b/loop"));
    ASSERT_TRUE(QFile::link(root + "/a/b", root + "/again"));
    ASSERT_TRUE(QFile::link(root + "/nowhere", root + "/dangling.jpg"));

    QStringList list;
    ListJpegFiles(root, list, true);
    EXPECT_EQ(list.count(root + "/a/b/x.jpg") + list.count(root + "/again/x.jpg"), 1) << list.join('\n').toStdString();
    EXPECT_TRUE(list.contains(root + "/dangling.jpg"));

    QStringList none;
    ListJpegFiles(root + "/missing", none, true);
    ListJpegFiles("", none, false);
    ListJpegFiles(root + "/a/b/x.jpg", none, true); // a file, not a folder
    EXPECT_TRUE(none.isEmpty());

    // A folder that cannot be read adds nothing; its neighbours are still listed.
    if (::geteuid() != 0) {
        ASSERT_TRUE(QDir(root).mkpath("closed"));
        Touch(root + "/closed/hidden.jpg");
        QFile::setPermissions(root + "/closed", QFile::Permissions());
        QStringList withClosed;
        ListJpegFiles(root, withClosed, true);
        QFile::setPermissions(root + "/closed", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_FALSE(withClosed.join('\n').contains("hidden.jpg"));
        EXPECT_EQ(withClosed.size(), 2);
    }
}
