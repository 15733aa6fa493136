#pragma once

#include <QByteArray>
#include <chrono>

namespace tarvix {

// Whether a display can really be opened, asked before anything loads a Qt platform plugin:
// a plugin that cannot connect ends the process with an abort, while a variable left over
// from an ended session or a dropped ssh forwarding still names the display. Each check
// gives up after `timeout` (a TCP display on a host that does not answer would otherwise
// hold a script for minutes) and then answers false.

// True when an X server accepts a client at `display` (the syntax of DISPLAY: ":0",
// "host:0", "unix:0", "/path/to/socket:0"), asked the way the xcb platform plugin asks:
// libxcb's xcb_connect, which also reads XAUTHORITY and completes the connection setup.
// libxcb is loaded on demand, so a run without a display never loads it; where it is
// missing, the xcb plugin cannot load either and the answer is false. A connection that
// succeeds stays open until the process ends (see display_connection.cpp).
bool XDisplayAnswers(const QByteArray& display, std::chrono::milliseconds timeout);

// True when a Wayland compositor listens at `display` (the syntax of WAYLAND_DISPLAY: a
// socket name in `runtimeFolder`, or an absolute socket path), connected to as libwayland
// connects. A relative name without a runtime folder answers false, as libwayland fails.
bool WaylandDisplayAnswers(
    const QByteArray& display, const QByteArray& runtimeFolder, std::chrono::milliseconds timeout);

} // namespace tarvix
