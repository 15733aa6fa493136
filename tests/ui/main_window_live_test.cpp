// A window that keeps up with the folder: what other programs do there shows without Refresh,
// pictures the camera tagged as turned carry a mark, an empty grid says what to do, and
// folders and pictures dropped on the window open.
#include "support/exif_builder.h"
#include "support/qt_printers.h"
#include "ui/grid/thumbnail_model.h"
#include "ui/window/folder_watcher.h"
#include "ui/window/status_bar.h"
#include "window_fixture.h"

#include <QActionGroup>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>

using namespace tarvix;

namespace {

// A report of the folder's watch comes within this, with a margin for a busy machine.
constexpr int NewsMs = 2 * FolderWatcher::LongestWaitMs + FolderWatcher::SettleMs + 3000;

class Live : public WindowTest {
protected:
    TFormTarvix& Loaded(const QStringList& names)
    {
        for (const QString& name : names)
            Photo(name);
        TFormTarvix& w = Open();
        w.LoadFolder(Folder.Path());
        return w;
    }
    // As most programs write a picture: whole, under another name, then renamed.
    QString Arrives(const QString& name)
    {
        WriteBytes(Folder.File(name + ".part"), MakeJpeg(64, 48, TJSAMP_420));
        EXPECT_TRUE(QFile::rename(Folder.File(name + ".part"), Folder.File(name)));
        return Folder.File(name);
    }
    QString Tagged(const QString& name, int orientation)
    {
        WriteBytes(Folder.File(name),
            InsertSegments(MakeJpeg(64, 48, TJSAMP_420), ExifSegment(CameraTiff(orientation, false))));
        return Folder.File(name);
    }
    bool Drop(const QList<QUrl>& urls)
    {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter({ 10, 10 }, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Window.get(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop({ 10, 10 }, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Window.get(), &drop);
        QTest::qWait(50); // the load comes after the drop is over
        return drop.isAccepted();
    }
};

TEST_F(Live, PicturesOtherProgramsAddOrRemoveShowWithoutRefreshAndTheChosenOneStays)
{
    TFormTarvix& w = Loaded({ "b.jpg", "c.jpg", "d.jpg" });
    w.DrawGrid->MakeCurrent(1, 0);
    w.DrawGridSelectCell(1, 0);
    ASSERT_EQ(w.FileName(), Folder.File("c.jpg"));

    const QString first = Arrives("a.jpg");
    QTRY_COMPARE_WITH_TIMEOUT(w.Images().Count(), 4, NewsMs);
    EXPECT_EQ(w.Images().IndexOf(first), 0); // in the grid's order, not at the end
    QTRY_VERIFY(w.Images().HasImage(0));
    EXPECT_EQ(w.FileName(), Folder.File("c.jpg"));
    EXPECT_EQ(w.Images().EntryAt(w.DrawGrid->currentIndex().column(), w.DrawGrid->currentIndex().row()), 2);
    EXPECT_EQ(w.StatusBar->PanelText(1), "4 file(s)");

    QFile::remove(Folder.File("c.jpg"));
    QFile::rename(Folder.File("d.jpg"), Folder.File("e.jpg"));
    QTRY_COMPARE_WITH_TIMEOUT(w.Images().IndexOf(Folder.File("e.jpg")), 2, NewsMs);
    EXPECT_EQ(w.Images().Count(), 3);
    EXPECT_EQ(w.Images().IndexOf(Folder.File("c.jpg")), -1);
    EXPECT_EQ(w.StatusBar->PanelText(1), "3 file(s)");

    // The window's own work is no news: a turn makes each thumbnail once, not twice.
    WriteSettings("DisplayCropWarning=0\n");
    QTRY_VERIFY(!w.RefreshPending());
    const int made = Made.loadRelaxed();
    w.DrawGrid->MakeCurrent(0, 0);
    w.DrawGridSelectCell(0, 0);
    w.UpdateActions();
    w.ActionRotateRight->trigger();
    QTest::qWait(NewsMs / 2);
    QTRY_VERIFY(!w.RefreshPending());
    EXPECT_EQ(Made.loadRelaxed() - made, 1);
}

TEST_F(Live, PicturesTaggedAsTurnedCarryTheMarkUntilAutomaticTurnsThem)
{
    Tagged("six.jpg", 6);
    Tagged("one.jpg", 1);
    TFormTarvix& w = Open();
    w.LoadFolder(Folder.Path());
    const ThumbnailModel& images = w.Images();
    const QModelIndex six = images.CellOf(images.IndexOf(Folder.File("six.jpg")));
    const QModelIndex one = images.CellOf(images.IndexOf(Folder.File("one.jpg")));
    EXPECT_TRUE(six.data(ThumbnailModel::TaggedRole).toBool());
    EXPECT_FALSE(one.data(ThumbnailModel::TaggedRole).toBool());
    EXPECT_EQ(six.data(Qt::AccessibleDescriptionRole).toString(), "Tagged as turned by the camera");
    EXPECT_TRUE(six.data(Qt::ToolTipRole).toString().contains("Tagged as turned by the camera"));

    Questions.YesNoAnswers = { true };
    w.tbAutoClick();
    QTRY_VERIFY(!w.RefreshPending());
    EXPECT_FALSE(images.CellOf(images.IndexOf(Folder.File("six.jpg"))).data(ThumbnailModel::TaggedRole).toBool());
}

TEST_F(Live, AnEmptyGridSaysWhatToDoInTheUsersLanguage)
{
    TFormTarvix& w = Open();
    QLabel* hint = w.DrawGrid->Hint();
    EXPECT_TRUE(hint->isVisible());
    EXPECT_EQ(hint->text(), "Type a folder's path and press Enter, or choose Browse...");

    QDir(Folder.Path()).mkdir("empty");
    w.LoadFolder(Folder.File("empty"));
    EXPECT_TRUE(hint->isVisible());
    EXPECT_EQ(hint->text(), "No JPEG pictures in this folder");
    for (QAction* item : w.LanguageGroup->actions())
        if (item->text() == "Deutsch")
            item->trigger();
    EXPECT_EQ(hint->text(), "Keine JPEG-Bilder in diesem Ordner");

    Photo("p.jpg");
    w.LoadFolder(Folder.Path());
    EXPECT_FALSE(hint->isVisible());
}

TEST_F(Live, AFolderOrPicturesDroppedOnTheWindowOpen)
{
    Photo("a.jpg");
    const QString b = Photo("b.jpg");
    QDir(Folder.Path()).mkdir("other");
    WriteBytes(Folder.File("other/c.jpg"), MakeJpeg(64, 48, TJSAMP_420));
    WriteBytes(Folder.File("notes.txt"), "text");
    TFormTarvix& w = Open();

    EXPECT_FALSE(Drop({ QUrl::fromLocalFile(Folder.File("notes.txt")) }));
    EXPECT_FALSE(Drop({ QUrl("https://example.org/a.jpg") }));
    EXPECT_TRUE(Drop({ QUrl::fromLocalFile(Folder.File("other")) }));
    QTRY_COMPARE(w.CurrentFolder(), Folder.File("other"));
    EXPECT_EQ(w.Images().Count(), 1);
    EXPECT_EQ(Bar().Text(), Folder.File("other"));

    EXPECT_TRUE(Drop({ QUrl::fromLocalFile(b), QUrl::fromLocalFile(Folder.File("a.jpg")) }));
    QTRY_COMPARE(w.CurrentFolder(), Folder.Path());
    EXPECT_EQ(w.FileName(), b);
}

} // namespace
