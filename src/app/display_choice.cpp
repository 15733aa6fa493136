#include "app/display_choice.h"

#include "platform/display_connection.h"

#include <QStringList>

namespace tarvix {

const char* const DisplayUnreachableMessage = "Cannot open the display %s: the window needs a desktop session.";

DisplayChoice ChooseDisplay(DisplayUse use, std::chrono::milliseconds timeout)
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const QByteArray x = qgetenv("DISPLAY");
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");

    // Qt takes a list of platforms separated by ';', each with options after a ':'.
    bool tryX = platform.isEmpty();
    bool tryWayland = platform.isEmpty();
    bool other = false;
    for (const QByteArray& entry : platform.split(';')) {
        const qsizetype options = entry.indexOf(':');
        const QByteArray name = (options < 0 ? entry : entry.left(options)).trimmed();
        if (name == "xcb")
            tryX = true;
        else if (name.startsWith("wayland"))
            tryWayland = true;
        else if (!name.isEmpty())
            other = true;
    }
    if (other)
        return { use == DisplayUse::Window || !x.isEmpty() || !wayland.isEmpty(), {}, {} };

    DisplayChoice choice;
    const bool xAnswers = tryX && XDisplayAnswers(x, timeout);
    const bool waylandAnswers = tryWayland && WaylandDisplayAnswers(wayland, qgetenv("XDG_RUNTIME_DIR"), timeout);
    choice.Usable = xAnswers || waylandAnswers;
    if (!choice.Usable) {
        QStringList tried;
        if (tryX && !x.isEmpty())
            tried << QString::fromLocal8Bit(x);
        if (tryWayland && !wayland.isEmpty())
            tried << QString::fromLocal8Bit(wayland);
        choice.Unreachable = tried.join(", ");
    }
    // Left to itself, Qt might pick the stale one of the two and abort on it.
    if (platform.isEmpty() && xAnswers && !waylandAnswers && !wayland.isEmpty())
        choice.Platform = "xcb";
    else if (platform.isEmpty() && waylandAnswers && !xAnswers && !x.isEmpty())
        choice.Platform = "wayland";
    return choice;
}

} // namespace tarvix
