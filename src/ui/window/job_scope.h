#pragma once

// For the window's own files that run a job.
#include "ui/grid/thumbnail_grid.h"
#include "ui/window/application.h"
#include "ui/window/main_window.h"

#include <QApplication>
#include <QPointer>
#include <optional>

namespace tarvix {

// A job from its start to its end. Jobs do not nest: every one starts with RefuseWhileBusy.
class TFormTarvix::JobScope {
public:
    JobScope(TFormTarvix& window, Job job)
        : FWindow(window)
        , FFocus(QApplication::focusWidget())
    {
        if (job == Job::Turning || job == Job::Correcting)
            FLargeBlocks.emplace();
        FWindow.FJob = job;
        FWindow.MakingThumbNails = job == Job::Loading;
        FWindow.UpdateActions();
    }
    ~JobScope()
    {
        FWindow.FJob = Job::None;
        FWindow.MakingThumbNails = false;
        FWindow.UpdateActions();
        // The path box or the tree lost the focus only because they were disabled meanwhile:
        // the user goes on where they were.
        if (FFocus && FFocus->isEnabled() && FFocus->window() == &FWindow && !QApplication::activeModalWidget()
            && (!QApplication::focusWidget() || QApplication::focusWidget() == FWindow.DrawGrid))
            FFocus->setFocus();
        // Closed meanwhile: the close happens now that nothing is on the stack.
        if (FWindow.FCloseRequested)
            QMetaObject::invokeMethod(&FWindow, &QWidget::close, Qt::QueuedConnection);
    }
    JobScope(const JobScope&) = delete;
    JobScope& operator=(const JobScope&) = delete;

private:
    TFormTarvix& FWindow;
    QPointer<QWidget> FFocus;
    std::optional<KeepLargeBlocksForAJob> FLargeBlocks;
};

} // namespace tarvix
