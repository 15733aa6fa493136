// The program proper: the browser window when started without parameters, the command-line
// mode otherwise. Only what needs a display loads the window libraries (a module of its
// own), which keeps a script's run on a headless machine quick to start.
#include "tarvix_main.h"

#include "app/command_line.h"
#include "app/console_dialogs.h"
#include "base/program_module.h"
#include "engine/process_switches.h"
#include "platform/large_pages.h"

#include <QCoreApplication>
#include <cstdio>
#include <exception>

using namespace tarvix;

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

int RunCommandLineOnTerminal(int argc, char** argv, const QStringList& parameters)
{
    QCoreApplication app(argc, argv);
    ConsoleDialogs dialogs;
    return RunCommandLine(parameters, dialogs);
}

} // namespace

int TarvixMain(int argc, char** argv)
{
    const QStringList parameters = ParametersOf(argc, argv);
    try {
        if (!parameters.isEmpty()) {
            PreferLargePagesForLargeBuffers();
            SetProcessParameters(parameters);
            if (!DisplayAvailable())
                return RunCommandLineOnTerminal(argc, argv, parameters);
        } else if (!WindowPlatformAvailable()) {
            std::fprintf(stderr,
                "tarvix: no display is available for the window (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                "On the command line: tarvix -r|-l|-u|-v|-h [-s] FILE, or tarvix -auto|-autosub [-s] FOLDER\n");
            return 1;
        }
        return RunProgramModule(
            "tarvix_window.so", "TarvixWindowMain", argc, argv, "the window part of the program", 1);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tarvix: unexpected error: %s\n", error.what());
        return 2;
    }
}
