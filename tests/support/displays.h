#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>

namespace tarvix {

// An X display number that no server on this machine serves: no socket in /tmp/.X11-unix,
// no lock file, no abstract socket of that name. As ":N", a DISPLAY left over from an ended
// session.
QString UnusedXDisplay();

// A private X server (Xvfb) for the length of a test, or nothing where Xvfb is not
// installed (Display() is then empty).
class PrivateXServer {
public:
    PrivateXServer();
    ~PrivateXServer();
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    QByteArray Display() const { return FDisplay; }

private:
    QProcess FServer;
    QByteArray FDisplay;
};

} // namespace tarvix
