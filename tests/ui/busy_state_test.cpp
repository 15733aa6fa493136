// The window's one busy state: a job from its start to its end, what is refused meanwhile, and
// a close that waits for the job.
#include "ui/window/busy_state.h"
#include "ui/window/job_scope.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace tarvix;

namespace {

TEST(BusyStateTest, AJobIsTheStateFromItsStartToItsEndAndTellsEachChange)
{
    QWidget window;
    QList<BusyState::Job> seen;
    BusyState* state = nullptr;
    BusyState busy(window, [&] { seen.append(state->Current()); });
    state = &busy;
    EXPECT_FALSE(busy.Refuse());
    {
        const JobScope job(busy, BusyState::Job::Deleting);
        EXPECT_EQ(busy.Current(), BusyState::Job::Deleting);
        EXPECT_TRUE(busy.Refuse());
    }
    EXPECT_EQ(busy.Current(), BusyState::Job::None);
    EXPECT_FALSE(busy.Refuse());
    EXPECT_EQ(seen, QList<BusyState::Job>({ BusyState::Job::Deleting, BusyState::Job::None }));
}

TEST(BusyStateTest, ACloseDuringAJobWaitsAndHappensAtItsEnd)
{
    QWidget window;
    window.show();
    BusyState busy(window, [] {});
    EXPECT_FALSE(busy.DeferClose()); // nothing runs: the close goes on
    EXPECT_FALSE(busy.CloseRequested());
    {
        const JobScope job(busy, BusyState::Job::Loading);
        EXPECT_TRUE(busy.DeferClose());
        EXPECT_TRUE(busy.CloseRequested());
        QCoreApplication::processEvents();
        EXPECT_TRUE(window.isVisible()); // not while the job is on the stack
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.isVisible());
}

TEST(BusyStateTest, TheFocusGoesBackToWhereTheUserWasWhenTheJobDisabledIt)
{
    QWidget window;
    auto* box = new QLineEdit(&window);
    auto* grid = new QLineEdit(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    box->setFocus();
    BusyState busy(window, [] {});
    busy.SetGrid(grid);
    {
        const JobScope job(busy, BusyState::Job::Loading);
        box->setEnabled(false); // as the window does to the path bar while a job runs
        box->setEnabled(true);
        grid->setFocus();
    }
    EXPECT_TRUE(box->hasFocus());
}

} // namespace
