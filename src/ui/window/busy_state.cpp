// The window's one busy state.
#include "ui/window/busy_state.h"

#include "ui/dialogs/progress_window.h"

#include <QApplication>

namespace tarvix {

BusyState::BusyState(QWidget& window, std::function<void()> changed)
    : FWindow(window)
    , FChanged(std::move(changed))
{
}

bool BusyState::Refuse() const
{
    if (FJob == Job::None)
        return false;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (qobject_cast<TfrmWait*>(window) && window->isVisible()) {
            window->raise();
            window->activateWindow();
            break;
        }
    }
    return true;
}

bool BusyState::DeferClose()
{
    // A job runs below the close: it ends first, then the window closes.
    if (FJob == Job::None)
        return false;
    FCloseRequested = true;
    for (TfrmWait* progress : FWindow.findChildren<TfrmWait*>(Qt::FindDirectChildrenOnly))
        progress->Cancel = true;
    return true;
}

} // namespace tarvix
