#pragma once

// For the window's collaborators that run a job.
#include "ui/window/application.h"
#include "ui/window/busy_state.h"

#include <QApplication>
#include <QPointer>
#include <optional>

namespace tarvix {

// A job from its start to its end. Jobs do not nest: every one starts with BusyState::Refuse.
class JobScope {
public:
    JobScope(BusyState& state, BusyState::Job job)
        : FState(state)
        , FFocus(QApplication::focusWidget())
    {
        if (job == BusyState::Job::Turning || job == BusyState::Job::Correcting)
            FLargeBlocks.emplace();
        FState.FJob = job;
        FState.FChanged();
    }
    ~JobScope()
    {
        FState.FJob = BusyState::Job::None;
        FState.FChanged();
        // The path box or the tree lost the focus only because they were disabled meanwhile:
        // the user goes on where they were.
        if (FFocus && FFocus->isEnabled() && FFocus->window() == &FState.FWindow && !QApplication::activeModalWidget()
            && (!QApplication::focusWidget() || QApplication::focusWidget() == FState.FGrid))
            FFocus->setFocus();
        // Closed meanwhile: the close happens now that nothing is on the stack.
        if (FState.FCloseRequested)
            QMetaObject::invokeMethod(&FState.FWindow, &QWidget::close, Qt::QueuedConnection);
    }
    JobScope(const JobScope&) = delete;
    JobScope& operator=(const JobScope&) = delete;

private:
    BusyState& FState;
    QPointer<QWidget> FFocus;
    std::optional<KeepLargeBlocksForAJob> FLargeBlocks;
};

} // namespace tarvix
