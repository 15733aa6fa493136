#include "support/qt_printers.h"
#include "ui/grid/thumbnail_delegate.h"
#include "ui/window/status_bar.h"
#include "window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSemaphore>
#include <QTimer>
#include <QToolButton>
#include <memory>

using namespace tarvix;

namespace {

using FolderLoading = WindowTest;

TEST_F(FolderLoading, ShowsTheJpegFilesSortedWithTheFirstChosen)
{
    Photo("b.jpg", 40, 30);
    Photo("A.jpg", 64, 48);
    Photo("c.JPEG");
    Photo("notes.txt");
    QDir().mkpath(Folder.File("sub"));
    Photo("sub/d.jpg");
    TFormTarvix& w = Open();
    w.LoadFolder(Folder.Path() + "/");
    EXPECT_EQ(w.CurrentFolder(), Folder.Path());
    EXPECT_EQ(Find<QLineEdit>("edPath")->text(), Folder.Path());
    EXPECT_EQ(StorePaths(), QStringList({ "A.jpg", "b.jpg", "c.JPEG" }));
    EXPECT_EQ(w.DrawGrid->RowCount(), 1);
    EXPECT_EQ(w.FileName(), Folder.File("A.jpg"));
    EXPECT_EQ(w.StatusBar->PanelText(0), "64 x 48");
    EXPECT_EQ(w.StatusBar->PanelText(1), "3 file(s)");
    EXPECT_EQ(Questions.Progress.Label, "Creating thumbnails, please wait...");
    EXPECT_EQ(Questions.Progress.To, 3);
    EXPECT_FALSE(Questions.Progress.Shown);
    EXPECT_NE(w.Busy(), TFormTarvix::Job::Loading);

    // Subfolders sort by their whole path among the others.
    Find<QCheckBox>("cbSubFolders")->setChecked(true);
    EXPECT_EQ(StorePaths(), QStringList({ "A.jpg", "b.jpg", "c.JPEG", "d.jpg" }));
    EXPECT_EQ(w.Images().At(3).Path, Folder.File("sub/d.jpg"));
}

TEST_F(FolderLoading, UnreadableFilesAreLeftOutWithAWarningThatTheFirstImageReplaces)
{
    Photo("bad1.jpg");
    Photo("good.jpg", 64, 48);
    TFormTarvix& w = Open();
    w.LoadFolder(Folder.Path());
    EXPECT_EQ(StorePaths(), QStringList({ "good.jpg" }));
    EXPECT_EQ(w.StatusBar->PanelText(0), "64 x 48");
    EXPECT_EQ(w.StatusBar->PanelText(1), "1 file(s)");

    QFile::remove(Folder.File("good.jpg"));
    w.LoadFolder(Folder.Path());
    EXPECT_EQ(w.StatusBar->PanelText(0), "Warning! Unable to read some images.");
    EXPECT_EQ(w.StatusBar->PanelText(1), "0 file(s)");
    EXPECT_EQ(w.DrawGrid->RowCount(), 1);
}

TEST_F(FolderLoading, AFolderWithoutPicturesShowsNoProgressAndCountsNothing)
{
    Photo("readme.txt");
    TFormTarvix& w = Open();
    w.LoadFolder(Folder.Path());
    EXPECT_EQ(Questions.ProgressWindowsCreated, 0);
    EXPECT_EQ(w.StatusBar->PanelText(0), "");
    EXPECT_EQ(w.StatusBar->PanelText(1), "0 file(s)");
    EXPECT_TRUE(w.FileName().isEmpty());
}

TEST_F(FolderLoading, CancelKeepsTheThumbnailsMadeSoFarSorted)
{
    for (int i = 49; i >= 0; --i)
        Photo(QStringLiteral("p%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
    Questions.Progress.CancelAfterSteps = 7;
    TFormTarvix& w = Open();
    w.LoadFolder(Folder.Path());
    EXPECT_EQ(w.Images().Count(), 7);
    QStringList sorted = StorePaths();
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(StorePaths(), sorted);
    EXPECT_EQ(w.StatusBar->PanelText(1), "7 file(s)");
    EXPECT_EQ(w.DrawGrid->RowCount(), 2);
}

// Events pumped by a load can ask for another folder; that request is dropped.
using ReenteringDialogs = ScriptedDialogs;

// A window that asks `questions` instead of the fixture's.
std::unique_ptr<TFormTarvix> ShownWith(Dialogs& questions)
{
    TFormTarvixServices services;
    services.Questions = &questions;
    services.ThumbnailMaker = WindowTest::FakeThumbnail;
    auto window = std::make_unique<TFormTarvix>(services);
    window->show();
    return window;
}

TEST_F(FolderLoading, ALoadRequestedDuringALoadIsDropped)
{
    TempFolder other;
    WriteBytes(other.File("other.jpg"), MakeJpeg(16, 16, TJSAMP_420));
    for (int i = 0; i < 5; ++i)
        Photo(QStringLiteral("p%1.jpg").arg(i));
    ReenteringDialogs questions;
    const auto window = ShownWith(questions);
    TFormTarvix& w = *window;
    questions.OnPump = [&] { w.LoadFolder(other.Path()); };
    w.LoadFolder(Folder.Path());
    EXPECT_EQ(w.CurrentFolder(), Folder.Path());
    EXPECT_EQ(w.Images().Count(), 5);
    EXPECT_EQ(questions.ProgressWindowsCreated, 1);
}

TEST_F(FolderLoading, ClosingTheWindowDuringALoadEndsTheLoadFirst)
{
    for (int i = 0; i < 30; ++i)
        Photo(QStringLiteral("p%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
    ReenteringDialogs questions;
    const auto window = ShownWith(questions);
    TFormTarvix& w = *window;
    int pumps = 0;
    std::function<void()> closeOnThirdPump = [&] {
        if (++pumps == 3)
            EXPECT_FALSE(w.close()); // deferred: the load is still on the stack
        else
            questions.OnPump = closeOnThirdPump;
    };
    questions.OnPump = closeOnThirdPump;
    w.LoadFolder(Folder.Path());
    EXPECT_EQ(w.Images().Count(), 2);
    EXPECT_TRUE(w.isVisible());
    QTRY_VERIFY(!w.isVisible());
    EXPECT_TRUE(QFile::exists(PerUserSettingsPath()));
}

TEST_F(FolderLoading, RefreshRemakesOneEntryInPlace)
{
    Photo("a.jpg");
    Photo("b.jpg");
    TFormTarvix& w = Open();
    w.LoadFolder(Folder.Path());
    w.RefreshThumbnail(Folder.File("X.jpg")); // not in the store: nothing
    EXPECT_EQ(w.Images().Count(), 2);
    QFile::remove(Folder.File("b.jpg"));
    w.RefreshThumbnail(Folder.File("B.JPG")); // another file: b.jpg keeps its thumbnail
    EXPECT_FALSE(w.RefreshPending());
    EXPECT_FALSE(w.Images().At(1).Image.isNull());
    // Asked for twice before the window gets to it: made once, on a worker.
    const int made = Made.loadRelaxed();
    w.RefreshThumbnail(Folder.File("b.jpg"));
    w.RefreshThumbnail(Folder.File("b.jpg"));
    EXPECT_TRUE(w.RefreshPending());
    QTRY_VERIFY(!w.RefreshPending());
    EXPECT_EQ(Made.loadRelaxed() - made, 1);
    EXPECT_EQ(w.Images().Count(), 2);
    EXPECT_TRUE(w.Images().At(1).Image.isNull());
    EXPECT_FALSE(w.Images().At(0).Image.isNull());
}

// What a cell looks like, by its pixels: the selected cell's grey, the background colour
// elsewhere, and the thumbnail centred 5 pixels below the cell's top.
TEST_F(FolderLoading, CellsArePaintedAsDesigned)
{
    Photo("a.jpg");
    Photo("b.jpg");
    TFormTarvix& w = Open();
    w.DrawGrid->SetBackgroundColor(QColor(0, 0, 255));
    w.LoadFolder(Folder.Path());
    const ThumbnailCell cell = w.DrawGrid->CellSize();
    const QImage shot = w.DrawGrid->viewport()->grab().toImage();
    const QSize thumb = w.Images().At(0).Image.size();
    const int left = (cell.Width - thumb.width()) / 2;
    EXPECT_EQ(shot.pixelColor(1, 1), QColor(ThumbnailDelegate::SelectedFill));
    EXPECT_EQ(shot.pixelColor(left - 1, 5), QColor(ThumbnailDelegate::SelectedFill));
    EXPECT_EQ(shot.pixelColor(left, 5), QColor(Qt::darkGray));
    EXPECT_EQ(shot.pixelColor(left, 4), QColor(ThumbnailDelegate::SelectedFill));
    EXPECT_EQ(shot.pixelColor(cell.Width + 1, 1), QColor(0, 0, 255));
    EXPECT_EQ(shot.pixelColor(cell.Width * 2 + 1, 1), QColor(0, 0, 255)); // an empty cell
}

// A listing that never ends by itself: a hung network mount, or "Include subfolders" on the
// root of a big disk. It lists nothing until the test lets it go, whatever its stop flag says.
class HungListing : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ListFolder = [gate = Gate](const QString&, bool, const std::atomic_bool&) {
            gate->acquire();
            return QStringList();
        };
    }
    void TearDown() override
    {
        Gate->release(100); // the abandoned listings end now
        WindowTest::TearDown();
    }

    std::shared_ptr<QSemaphore> Gate = std::make_shared<QSemaphore>();
};

TEST_F(HungListing, CancelEndsTheWaitAtOnce)
{
    Photo("a.jpg");
    TFormTarvix& w = Open();
    Questions.Progress.CancelAfterSteps = 0; // Cancel, as soon as the progress window is there
    QElapsedTimer clock;
    clock.start();
    w.LoadFolder(Folder.Path());
    // Generous for a slow machine; without Cancel the wait would never end.
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(Questions.ProgressWindowsCreated, 1);
    EXPECT_EQ(Questions.Progress.Label, "Looking for pictures, please wait...");
    EXPECT_FALSE(Questions.Progress.Shown);
    EXPECT_NE(w.Busy(), TFormTarvix::Job::Loading);
    EXPECT_EQ(w.Images().Count(), 0);
    EXPECT_EQ(w.CurrentFolder(), Folder.Path());

    // "Automatic" searches the same way, and its Cancel asks nothing and turns nothing.
    w.tbAuto->click();
    EXPECT_EQ(Questions.ProgressWindowsCreated, 2);
    EXPECT_TRUE(Questions.Questions.isEmpty());
    EXPECT_TRUE(Questions.Messages.isEmpty());
}

TEST_F(HungListing, ClosingTheWindowEndsTheWaitAndThenTheWindow)
{
    TFormTarvix& w = Open();
    QTimer::singleShot(100, &w, [&w] { w.close(); });
    w.LoadFolder(Folder.Path());
    QTRY_VERIFY(!w.isVisible());
}

} // namespace
