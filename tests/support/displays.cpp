#include "support/displays.h"

#include <QFile>
#include <QStandardPaths>

namespace tarvix {

QString UnusedXDisplay()
{
    QFile sockets("/proc/net/unix");
    const QByteArray listening = sockets.open(QIODevice::ReadOnly) ? sockets.readAll() : QByteArray();
    for (int number = 97; number > 10; --number) {
        const QString socket = QString("/tmp/.X11-unix/X%1").arg(number);
        if (!QFile::exists(socket) && !QFile::exists(QString("/tmp/.X%1-lock").arg(number))
            && !listening.contains((socket + '\n').toLatin1()))
            return QString(":%1").arg(number);
    }
    return ":97";
}

PrivateXServer::PrivateXServer()
{
    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    if (xvfb.isEmpty())
        return;
    // The server picks a free number and writes it once it accepts clients. It starts over
    // whenever its last client leaves, as under xvfb-run, and refuses new ones meanwhile.
    FServer.start(xvfb, { "-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "320x240x24" });
    while (FServer.waitForReadyRead(10000)) {
        const QByteArray number = FServer.readAllStandardOutput().trimmed();
        if (!number.isEmpty()) {
            FDisplay = ':' + number;
            return;
        }
    }
}

PrivateXServer::~PrivateXServer()
{
    FServer.terminate();
    FServer.waitForFinished(5000);
}

} // namespace tarvix
