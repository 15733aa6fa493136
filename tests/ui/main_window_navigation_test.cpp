#include "engine/auto_correct.h"
#include "engine/image_info.h"
#include "support/exif_builder.h"
#include "support/qt_printers.h"
#include "ui/window/favorites.h"
#include "ui/window/status_bar.h"
#include "window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

using namespace tarvix;

namespace {

TEST(Favorites, NewestFirstTenAtMostNoRepeatsInAnyCase)
{
    QStringList list;
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(AddFavorite(list, QStringLiteral("/photos/%1").arg(i)));
    EXPECT_TRUE(AddFavorite(list, "/photos/new"));
    EXPECT_EQ(list.size(), 10);
    EXPECT_EQ(list.first(), "/photos/new");
    EXPECT_EQ(list.last(), "/photos/1");
    EXPECT_FALSE(AddFavorite(list, "/photos/5"));
    EXPECT_EQ(list.indexOf("/photos/5"), 5);
    // Another folder on Linux, not the same one spelt differently.
    EXPECT_TRUE(AddFavorite(list, "/PHOTOS/5"));
    EXPECT_EQ(list.first(), "/PHOTOS/5");
    EXPECT_EQ(list.indexOf("/photos/5"), 6);

    EXPECT_EQ(FavoriteCaption("/home/anna/Holiday/2019"), "2019");
    EXPECT_EQ(FavoriteCaption("/"), "/");
    EXPECT_EQ(FavoriteCaption("relative"), "relative");
}

using Navigation = WindowTest;

TEST_F(Navigation, ThePathBoxTakesEveryKeyAndLoadsOnEnter)
{
    Photo("a.jpg");
    TFormTarvix& w = Open();
    w.activateWindow();
    Find<QLineEdit>("edPath")->setFocus();
    QTest::keyClicks(Find<QLineEdit>("edPath"), Folder.Path() + "/");
    int turns = 0;
    QObject::connect(w.ActionRotateRight, &QAction::triggered, [&] { ++turns; });
    w.ActionRotateRight->setEnabled(true);
    QTest::keyClick(Find<QLineEdit>("edPath"), Qt::Key_R); // a letter, not the shortcut of Rotate Right
    EXPECT_EQ(Find<QLineEdit>("edPath")->text(), Folder.Path() + "/r");
    EXPECT_EQ(turns, 0);
    QTest::keyClick(Find<QLineEdit>("edPath"), Qt::Key_Backspace);
    QTest::keyClick(Find<QLineEdit>("edPath"), Qt::Key_Return);
    EXPECT_EQ(w.CurrentFolder(), Folder.Path());
    EXPECT_EQ(Find<QLineEdit>("edPath")->text(), Folder.Path()); // without the trailing '/'
    EXPECT_TRUE(Find<QToolButton>("btnRecent")->isEnabled()); // typing is not opening
    Find<QLineEdit>("edPath")->setText("/no/such/folder");
    QTest::keyClick(Find<QLineEdit>("edPath"), Qt::Key_Return);
    EXPECT_EQ(w.CurrentFolder(), Folder.Path());
    EXPECT_EQ(Find<QLineEdit>("edPath")->text(), "/no/such/folder");
}

TEST_F(Navigation, TheTreeOpensAFolderOnceAndTheRecentButtonGoesOff)
{
    Photo("a.jpg");
    TFormTarvix& w = Open();
    w.ShellTree->setCurrentIndex(w.ShellTreeModel->index(Folder.Path()));
    w.ShellTreeClick();
    EXPECT_EQ(w.CurrentFolder(), Folder.Path());
    EXPECT_EQ(Bar().RecentFolder(), Folder.Path());
    EXPECT_FALSE(Find<QToolButton>("btnRecent")->isEnabled());
    const int loads = Questions.ProgressWindowsCreated;
    w.ShellTreeClick(); // the folder already shown
    EXPECT_EQ(Questions.ProgressWindowsCreated, loads);
}

TEST_F(Navigation, BrowseStartsAtThePathBoxFolderWithoutANewFolderButton)
{
    QDir().mkpath(Folder.File("chosen"));
    Photo("chosen/a.jpg");
    TFormTarvix& w = Open();
    Find<QLineEdit>("edPath")->setText(Folder.Path());
    bool newFolderShown = true;
    QString startedAt;
    QTimer::singleShot(0, [&] {
        auto* dialog = w.findChild<QFileDialog*>("BrowseForFolder");
        ASSERT_NE(dialog, nullptr);
        startedAt = dialog->directory().absolutePath();
        auto* newFolder = dialog->findChild<QWidget*>("newFolderButton");
        newFolderShown = newFolder && newFolder->isVisible();
        dialog->selectFile(Folder.File("chosen"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    Find<QPushButton>("btnBrowse")->click();
    EXPECT_EQ(startedAt, Folder.Path());
    EXPECT_FALSE(newFolderShown);
    EXPECT_EQ(w.CurrentFolder(), Folder.File("chosen"));
    EXPECT_FALSE(Find<QToolButton>("btnRecent")->isEnabled());
}

TEST_F(Navigation, TheRecentButtonOpensTheLastFolderOrTheDocuments)
{
    Photo("a.jpg");
    WriteSettings("LastFolder=" + Folder.Path().toUtf8() + "\n");
    TFormTarvix& w = Open();
    Find<QToolButton>("btnRecent")->click();
    EXPECT_EQ(w.CurrentFolder(), Folder.Path());
    EXPECT_EQ(w.Images().Count(), 1);
    EXPECT_FALSE(Find<QToolButton>("btnRecent")->isEnabled());

    Bar().SetRecentFolder("/no/such/folder");
    w.btnRecentClick();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    EXPECT_EQ(w.CurrentFolder(), documents);
    EXPECT_TRUE(QFileInfo(documents).isDir());
}

TEST_F(Navigation, FavouritesAreAddedOnceAndAMissingOneIsReported)
{
    Photo("a.jpg");
    TFormTarvix& w = Open();
    w.LoadFolder(Folder.Path());
    Find<QMenu>("pmMru")->actions().first()->trigger();
    Find<QMenu>("pmMru")->actions().first()->trigger();
    EXPECT_EQ(Bar().Favorites(), QStringList({ Folder.Path() }));
    ASSERT_EQ(Find<QMenu>("pmMru")->actions().size(), 2);
    EXPECT_EQ(Find<QMenu>("pmMru")->actions()[1]->text(), FileNameOfPath(Folder.Path()));

    Bar().SetFavorites(QStringList { "/no/such/folder" } + Bar().Favorites());
    Find<QMenu>("pmMru")->actions()[1]->trigger();
    ASSERT_EQ(Questions.Messages.size(), 1);
    EXPECT_EQ(Questions.Messages[0], "Cannot open \"/no/such/folder\". The file or folder has been moved or deleted.");
    EXPECT_EQ(Bar().Favorites().size(), 2);
    EXPECT_EQ(w.CurrentFolder(), Folder.Path());
    EXPECT_EQ(Find<QLineEdit>("edPath")->text(), "/no/such/folder");

    Find<QMenu>("pmMru")->actions()[2]->trigger();
    EXPECT_EQ(w.CurrentFolder(), Folder.Path());
    EXPECT_TRUE(Find<QToolButton>("btnRecent")->isEnabled()); // a favourite is not "opened" for the recent button
}

TEST_F(Navigation, IncludeSubfoldersReloadsTheFolderShown)
{
    QDir().mkpath(Folder.File("deeper"));
    Photo("deeper/a.jpg");
    TFormTarvix& w = Open();
    Find<QCheckBox>("cbSubFolders")->setChecked(true); // no folder yet: nothing loads
    EXPECT_EQ(Questions.ProgressWindowsCreated, 0);
    w.LoadFolder(Folder.Path());
    EXPECT_EQ(w.Images().Count(), 1);
    Find<QCheckBox>("cbSubFolders")->setChecked(false);
    EXPECT_EQ(w.Images().Count(), 0);
}

// Resizing: once when it has settled, none for a move, none with the option off.
TEST_F(Navigation, ASettledResizeRebuildsOnceAndAMoveNever)
{
    Photo("a.jpg");
    TFormTarvix& w = Open();
    w.LoadFolder(Folder.Path());
    const int before = w.DrawGrid->CellSize().Width;
    int loads = Questions.ProgressWindowsCreated;
    for (int width = 820; width <= 900; width += 20)
        w.resize(width, 600);
    QTRY_COMPARE(Questions.ProgressWindowsCreated, loads + 1);
    EXPECT_GT(w.DrawGrid->CellSize().Width, before);
    QTest::qWait(400);
    EXPECT_EQ(Questions.ProgressWindowsCreated, loads + 1);

    loads = Questions.ProgressWindowsCreated;
    w.move(w.pos() + QPoint(30, 30));
    QTest::qWait(400);
    EXPECT_EQ(Questions.ProgressWindowsCreated, loads);

    w.pmiRebuildWhenResized->setChecked(false);
    w.resize(1000, 700);
    QTest::qWait(400);
    EXPECT_EQ(Questions.ProgressWindowsCreated, loads);
}

TEST_F(Navigation, MaximiseAndRestoreRebuildOnceEachAndTheTaskBarNever)
{
    Photo("a.jpg");
    TFormTarvix& w = Open();
    w.LoadFolder(Folder.Path());
    QTest::qWait(400);
    const int loads = Questions.ProgressWindowsCreated;
    w.showMaximized();
    QTRY_COMPARE(Questions.ProgressWindowsCreated, loads + 1);
    w.showNormal();
    QTRY_COMPARE(Questions.ProgressWindowsCreated, loads + 2);
    QTest::qWait(400);
    EXPECT_EQ(Questions.ProgressWindowsCreated, loads + 2);

    w.showMinimized();
    QTest::qWait(100);
    EXPECT_TRUE(w.FMinimised);
    w.showNormal();
    QTest::qWait(400);
    EXPECT_EQ(Questions.ProgressWindowsCreated, loads + 2);
    EXPECT_FALSE(w.FMinimised);
}

TEST_F(Navigation, AutomaticTurnsTheTaggedPicturesAndRefreshesEveryThumbnail)
{
    for (int orientation : { 1, 3, 6, 8, 5 }) {
        const QString path = Folder.File(QStringLiteral("o%1.jpg").arg(orientation));
        WriteBytes(path, InsertSegments(MakeJpeg(64, 48, TJSAMP_420), ExifSegment(CameraTiff(orientation, false))));
    }
    TFormTarvix& w = Open();
    w.LoadFolder(Folder.Path());
    const int made = Made.loadRelaxed();
    Questions.YesNoAnswers = { true };
    w.tbAuto->click();
    ASSERT_EQ(Questions.Questions.size(), 1);
    EXPECT_TRUE(Questions.Questions[0].contains("detected 3 images"));
    for (int orientation : { 1, 3, 6, 8 })
        EXPECT_EQ(ReadExifOrientation(Folder.File(QStringLiteral("o%1.jpg").arg(orientation))), 1);
    EXPECT_EQ(ReadExifOrientation(Folder.File("o5.jpg")), 5); // mirrored: not ours to turn
    // The thumbnails of the three it turned are made anew, on workers, once each.
    QTRY_VERIFY(!w.RefreshPending());
    EXPECT_EQ(Made.loadRelaxed() - made, 3);
}

} // namespace
