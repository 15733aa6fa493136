// Process entry: the browser window when started without parameters, the command-line
// mode otherwise.
#include "app/command_line.h"
#include "app/console_dialogs.h"
#include "app/instance_marker.h"
#include "engine/process_switches.h"
#include "platform/large_pages.h"
#include "ui/application.h"
#include "ui/main_window.h"
#include "ui/qt_dialogs.h"

#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <exception>
#include <memory>

namespace {

// Whether message boxes can reach a user. A window can also be asked for on a platform of
// its own (QT_QPA_PLATFORM, as tests do), but a command-line run only shows boxes where
// somebody sees them.
bool DisplayAvailable()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

bool WindowPlatformAvailable()
{
    return DisplayAvailable() || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

QStringList ParametersOf(int argc, char** argv)
{
    QStringList parameters;
    for (int i = 1; i < argc; ++i)
        parameters.append(QString::fromLocal8Bit(argv[i]));
    return parameters;
}

int RunWindow(int argc, char** argv)
{
    CreateInstanceMarker("DovraneTarvix");
    int result = 0;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationDisplayName("Tarvix");
        RegisterWindowsForTranslation();
        TFormTarvix window;
        window.show();
        result = app.exec();
    }
    CloseInstanceMarker();
    return result;
}

int RunCommandLineMode(int argc, char** argv, const QStringList& parameters)
{
    PreferLargePagesForLargeBuffers();
    SetProcessParameters(parameters);
    if (DisplayAvailable()) {
        QApplication app(argc, argv);
        QtDialogs dialogs;
        return RunCommandLine(parameters, dialogs);
    }
    QCoreApplication app(argc, argv);
    ConsoleDialogs dialogs;
    return RunCommandLine(parameters, dialogs);
}

} // namespace

int main(int argc, char** argv)
{
    const QStringList parameters = ParametersOf(argc, argv);
    try {
        if (!parameters.isEmpty())
            return RunCommandLineMode(argc, argv, parameters);
        if (!WindowPlatformAvailable()) {
            std::fprintf(stderr,
                "tarvix: no display is available for the window (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                "On the command line: tarvix -r|-l|-u|-v|-h [-s] FILE, or tarvix -auto|-autosub [-s] FOLDER\n");
            return 1;
        }
        return RunWindow(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tarvix: unexpected error: %s\n", error.what());
        return 2;
    }
}
