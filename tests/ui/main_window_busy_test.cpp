// One job at a time: while a load, a turn, a correction or a delete runs, the commands are off
// and refuse to start, and a close or a rebuild for a new size waits for the job's end.
#include "support/exif_builder.h"
#include "support/qt_printers.h"
#include "ui/grid/thumbnail_grid.h"
#include "window_fixture.h"

#include <QAction>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeView>

using namespace tarvix;

namespace {

class Busy : public WindowTest {
protected:
    QSize SizeOf(const QString& name) const
    {
        const QImage image(Folder.File(name));
        return image.size();
    }
};

TEST_F(Busy, CommandsAreOffAndRefuseDuringALoad)
{
    for (int i = 0; i < 6; ++i)
        Photo(QStringLiteral("p%1.jpg").arg(i));
    TFormTarvix& w = Open();
    w.LoadFolder(Folder.Path());
    w.UpdateActions();
    ASSERT_TRUE(w.ActionRotateRight->isEnabled());

    bool checked = false;
    Questions.OnPump = [&] {
        w.UpdateActions(); // as the event loop does when it is about to wait
        EXPECT_EQ(w.Busy(), TFormTarvix::Job::Loading);
        for (QAction* command : { w.ActionRotateRight, w.ActionDelete, w.ActionRename, w.pmiRefresh })
            EXPECT_FALSE(command->isEnabled()) << command->objectName().toStdString();
        EXPECT_FALSE(w.tbAuto->isEnabled());
        EXPECT_FALSE(Find<QLineEdit>("edPath")->isEnabled());
        EXPECT_FALSE(w.ShellTree->isEnabled());
        // A command that comes through all the same (a shortcut's last moment) does nothing.
        w.ActionRotate(w.ActionRotateRight);
        Questions.YesNoAnswers = { true };
        w.ActionDeleteExecute();
        checked = true;
    };
    w.LoadFolder(Folder.Path());
    ASSERT_TRUE(checked);
    EXPECT_EQ(SizeOf("p0.jpg"), QSize(64, 48));
    EXPECT_TRUE(QFile::exists(Folder.File("p0.jpg")));
    EXPECT_TRUE(Questions.Questions.isEmpty());
    EXPECT_EQ(w.Images().Count(), 6);
    EXPECT_EQ(w.Busy(), TFormTarvix::Job::None);
    w.UpdateActions();
    EXPECT_TRUE(w.ActionRotateRight->isEnabled());
    EXPECT_TRUE(Find<QLineEdit>("edPath")->isEnabled());
}

// The crop warning is a moment inside a turn where everything else can happen: the window's
// size settles, the user closes the window.
TEST_F(Busy, ATurnDefersTheRebuildAndTheClose)
{
    Photo("odd.jpg", 50, 30); // not whole blocks: the crop warning comes
    Photo("p1.jpg");
    TFormTarvix& w = Open();
    w.LoadFolder(Folder.Path());
    const int loads = Questions.ProgressWindowsCreated;
    w.DrawGrid->MakeCurrent(0, 0);
    w.DrawGrid->selectionModel()->select(
        QItemSelection(w.DrawGrid->model()->index(0, 0), w.DrawGrid->model()->index(0, 1)),
        QItemSelectionModel::ClearAndSelect);
    Questions.CropAnswers = { { true, false } };
    bool asked = false;
    Questions.WhileAskingCrop = [&] {
        asked = true;
        EXPECT_EQ(w.Busy(), TFormTarvix::Job::Turning);
        w.resize(1000, 700);
        QTest::qWait(400); // the resize settles: no load starts inside the turn
        EXPECT_EQ(Questions.ProgressWindowsCreated, loads);
        EXPECT_FALSE(w.close()); // deferred, and the turn told to stop
    };
    w.ActionRotateRight->trigger();
    ASSERT_TRUE(asked);
    // The file in hand was finished, the next one not started.
    EXPECT_LT(SizeOf("odd.jpg").width(), SizeOf("odd.jpg").height());
    EXPECT_EQ(SizeOf("p1.jpg"), QSize(64, 48));
    EXPECT_EQ(Questions.ProgressWindowsCreated, loads);
    QTRY_VERIFY(!w.isVisible()); // and then the window closed by itself
}

TEST_F(Busy, ADeleteOfManyFilesMovesThemAllOnAWorker)
{
    for (int i = 0; i < 10; ++i)
        Photo(QStringLiteral("p%1.jpg").arg(i));
    TFormTarvix& w = Open();
    w.LoadFolder(Folder.Path());
    w.pmiDeleteConfirm->setChecked(false);
    w.DrawGrid->MakeCurrent(0, 0);
    w.DrawGrid->selectionModel()->select(
        QItemSelection(w.DrawGrid->model()->index(0, 0), w.DrawGrid->model()->index(1, 4)),
        QItemSelectionModel::ClearAndSelect);
    w.ActionDeleteExecute();
    EXPECT_EQ(w.Images().Count(), 0);
    EXPECT_TRUE(Folder.Entries().isEmpty());
    EXPECT_EQ(w.Busy(), TFormTarvix::Job::None);
}

} // namespace
