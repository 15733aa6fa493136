#include "engine/language.h"
#include "window_fixture.h"

#include <QThread>
#include <QThreadPool>
#include <sys/stat.h>

using namespace tarvix;

namespace {

// The window with its own maker, the cached one, in a cache folder of the test's.
class WindowCache : public WindowTest {
protected:
    void TearDown() override
    {
        WindowTest::TearDown();
        QThreadPool::globalInstance()->waitForDone();
    }
    TFormTarvix& OpenWithCache()
    {
        TFormTarvixServices services;
        services.Questions = &Questions;
        services.LanguageFolder = QStringLiteral(TARVIX_SOURCE_DIR "/lang");
        services.ThumbnailCacheFolder = Cache.File("tarvix");
        Window = std::make_unique<TFormTarvix>(services);
        Window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
        return *Window;
    }
    // Name and inode of every entry: a rewritten entry has a new inode.
    QStringList Entries() const
    {
        QStringList entries;
        for (const QString& name : QDir(Cache.File("tarvix")).entryList(QDir::Files)) {
            struct stat st { };
            ::stat(QFile::encodeName(Cache.File("tarvix/" + name)).constData(), &st);
            entries.append(name + u' ' + QString::number(st.st_ino));
        }
        return entries;
    }
    TempFolder Cache;
};

TEST_F(WindowCache, APictureTurnedBehindTheWindowsBackShowsTurnedAfterRefresh)
{
    // Whole blocks both ways, so no crop warning; red grows from left to right.
    WriteBytes(Folder.File("a.jpg"), MakeJpeg(960, 640, TJSAMP_444));
    WriteBytes(Folder.File("b.jpg"), MakeJpeg(960, 640, TJSAMP_444));
    QThread::msleep(150); // old enough to be kept
    TFormTarvix& w = OpenWithCache();
    w.LoadFolder(Folder.Path());
    w.pmiRefreshClick(); // at the cell size the grid settles on
    const QStringList written = Entries();
    ASSERT_EQ(written.size(), 2);
    const QSize landscape = w.Images().At(0).Image.size();
    EXPECT_GT(landscape.width(), landscape.height());
    w.pmiRefreshClick(); // served by the cache: nothing is written anew
    EXPECT_EQ(Entries(), written);

    // What `tarvix -r a.jpg` does, the file's times kept: the modification time is as it was.
    ScriptedDialogs console;
    const QDateTime modified = QFileInfo(Folder.File("a.jpg")).lastModified();
    TransformJpegFile(TLanguage(), Folder.File("a.jpg"), TransformCode::RotateRight, true, false, console);
    ASSERT_TRUE(console.CropWarnings.isEmpty() && console.Messages.isEmpty());
    ASSERT_EQ(QFileInfo(Folder.File("a.jpg")).lastModified(), modified);
    w.pmiRefreshClick();
    const QImage turned = w.Images().At(0).Image;
    ASSERT_LT(turned.width(), turned.height());
    // Turned right, the left edge is on top: little red there, much at the bottom.
    EXPECT_GT(
        qRed(turned.pixel(turned.width() / 2, turned.height() - 3)), qRed(turned.pixel(turned.width() / 2, 2)) + 100);
    EXPECT_EQ(w.Images().At(1).Image.size(), landscape);
}

} // namespace
