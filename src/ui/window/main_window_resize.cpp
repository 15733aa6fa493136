// Following the grid's width: the cells fit it at once, whatever changed it (the window's size,
// the folder tree shown or hidden, the splitter), so that every column is in view; the
// thumbnails are remade for the new cells once the change is over. X11 and Wayland do not tell
// when the user lets go of the window's frame, so a resize counts as done when no other
// follows for a moment; whatever the window went through meanwhile, it rebuilds once.
#include "ui/grid/thumbnail_grid.h"
#include "ui/window/folder_browser.h"
#include "ui/window/main_window.h"

#include <QAction>
#include <QResizeEvent>
#include <QScrollBar>
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
        FSettleTimer.start();
    }
    FMinimised = now & Qt::WindowMinimized;
}

void TFormTarvix::GridWidthChanged()
{
    DrawGrid->SetCellSize(CellSizeFor(DrawGrid->ClientWidth(), DrawGrid->ScrollBarWidth(), DrawGrid->ColumnCount()));
    // The columns fit now: nothing may stay scrolled aside, as a cell chosen by the arrow keys
    // in wider cells would leave it.
    DrawGrid->horizontalScrollBar()->setValue(0);
    if (FShown)
        FSettleTimer.start();
}

void TFormTarvix::SizeMoveSettled()
{
    // A load or a correction in progress keeps the thumbnails it makes; the rebuild waits
    // until it is over.
    if (Busy() != Job::None) {
        FSettleTimer.start();
        return;
    }
    FBeingResized = false;
    // Only a new cell size calls for new thumbnails: a move, a change of height, or a
    // round trip to the task bar does not.
    const bool stale = FFolder->ThumbnailsCell() != DrawGrid->CellSize();
    if (stale && pmiRebuildWhenResized->isChecked() && !CurrentFolder().isEmpty())
        RebuildThumbnails();
}

} // namespace tarvix
