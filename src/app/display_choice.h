#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>

namespace tarvix {

// The message of the window mode when the display named in the environment cannot be
// opened, in English; %s names the display.
extern const char* const DisplayUnreachableMessage;

// How long opening a display may take before it counts as unreachable.
constexpr std::chrono::milliseconds DisplayCheckTime { 2000 };

enum class DisplayUse {
    Messages, // the message boxes and progress window of a command-line run
    Window, // the browser window
};

struct DisplayChoice {
    // The window module may be loaded: its platform plugin will find its display.
    bool Usable = false;
    // The platform Qt must take (put in QT_QPA_PLATFORM), where of the two displays named in
    // the environment only this one answers; empty leaves the choice to Qt.
    QByteArray Platform;
    // What was named and could not be opened, for the message; empty when nothing was named.
    QString Unreachable;
};

// Decides from DISPLAY, WAYLAND_DISPLAY, XDG_RUNTIME_DIR and QT_QPA_PLATFORM whether a run
// can show anything, before anything loads Qt's GUI. A display counts only when it can
// really be opened (platform/display_connection.h), since a stale variable is common (an
// ended desktop session, an ssh session whose X forwarding is gone, a cron job's inherited
// environment). An explicit platform that is neither xcb nor wayland (offscreen in tests,
// vnc, eglfs) needs no display: message boxes are used where a display variable is set, and
// the window is always left to that platform.
DisplayChoice ChooseDisplay(DisplayUse use, std::chrono::milliseconds timeout = DisplayCheckTime);

} // namespace tarvix
