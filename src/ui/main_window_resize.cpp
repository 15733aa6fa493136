// Rebuilding the thumbnails for a new window size. X11 and Wayland do not tell when the user
// lets go of the window's frame, so a resize counts as done when no other follows for a
// moment; whatever the window went through meanwhile, it rebuilds once.
#include "ui/main_window.h"
#include "ui/thumbnail_grid.h"

#include <QAction>
#include <QResizeEvent>
#include <QWindowStateChangeEvent>

namespace tarvix {

void TFormTarvix::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (!FShown)
        return;
    FBeingResized = true;
    FSettleTimer.start();
}

void TFormTarvix::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    // A move alone changes nothing; a settled resize looks at the size, so a move while
    // resizing from the left edge does not cancel its rebuild.
}

void TFormTarvix::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        ResizeRulesStateChange(static_cast<QWindowStateChangeEvent*>(event)->oldState());
}

void TFormTarvix::ResizeRulesStateChange(Qt::WindowStates previous)
{
    const Qt::WindowStates now = windowState();
    const bool maximising = (now & Qt::WindowMaximized) && !(previous & Qt::WindowMaximized);
    const bool restoring = (previous & Qt::WindowMaximized) && !(now & (Qt::WindowMaximized | Qt::WindowMinimized));
    // Coming back from the task bar changes no size: nothing to rebuild.
    if ((maximising || restoring) && !FMinimised && FShown) {
        FBeingResized = true;
        FStateChanged = true;
        FSettleTimer.start();
    }
    FMinimised = now & Qt::WindowMinimized;
}

void TFormTarvix::SizeMoveSettled()
{
    const bool sizeChanged = size() != FSettledSize;
    const bool rebuild = FBeingResized && (sizeChanged || FStateChanged);
    FBeingResized = false;
    FStateChanged = false;
    FSettledSize = size();
    if (rebuild && pmiRebuildWhenResized->isChecked()) {
        RebuildThumbnails();
    } else if (CurrentFolder.isEmpty()) {
        // Before the first folder the window manager may still be placing the window: the
        // cells follow it, since there is nothing to reload.
        DrawGrid->SetCellSize(
            CellSizeFor(DrawGrid->ClientWidth(), DrawGrid->ScrollBarWidth(), DrawGrid->ColumnCount()));
    }
}

} // namespace tarvix
