// The program proper: the browser window when started without parameters, the command-line
// mode otherwise. Only what needs a display, and has one that can be opened, loads the
// window libraries (a module of its own), which keeps a script's run on a headless machine
// quick to start and keeps Qt's platform plugin from aborting on a stale display.
#include "tarvix_main.h"

#include "app/command_line.h"
#include "app/console_dialogs.h"
#include "app/display_choice.h"
#include "base/program_module.h"
#include "engine/language.h"
#include "engine/language_files.h"
#include "engine/message_format.h"
#include "engine/process_switches.h"
#include "engine/settings_store.h"
#include "platform/large_pages.h"

#include <QCoreApplication>
#include <cstdio>
#include <exception>

using namespace tarvix;

namespace {

int RunCommandLineOnTerminal(int argc, char** argv, const QStringList& parameters)
{
    QCoreApplication app(argc, argv);
    ConsoleDialogs dialogs;
    return RunCommandLine(parameters, dialogs);
}

// One line in the user's language, where the window module would have aborted in its
// platform plugin.
int RefuseWindow(int argc, char** argv, const QString& display)
{
    QCoreApplication app(argc, argv);
    TLanguage language;
    language.SetLanguageFile(StoredLanguageFile(SettingsStore::Open().Read(SettingsKeys::Language)));
    ConsoleDialogs().ShowMessage(
        TranslateMessage(language, DisplayUnreachableMessage, { display }), QString(), Dialogs::Icon::Error);
    return 1;
}

// Qt reads the platform when the window module creates its application.
void PreparePlatform(const DisplayChoice& choice)
{
    if (!choice.Platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", choice.Platform);
}

} // namespace

int TarvixMain(int argc, char** argv)
{
    const QStringList parameters = ParametersOf(argc, argv);
    try {
        if (!parameters.isEmpty()) {
            PreferLargePagesForLargeBuffers();
            SetProcessParameters(parameters);
            const DisplayChoice display = ChooseDisplay(DisplayUse::Messages);
            if (!display.Usable)
                return RunCommandLineOnTerminal(argc, argv, parameters);
            PreparePlatform(display);
        } else {
            PreferLargePagesForLargeBuffers();
            const DisplayChoice display = ChooseDisplay(DisplayUse::Window);
            if (!display.Usable && !display.Unreachable.isEmpty())
                return RefuseWindow(argc, argv, display.Unreachable);
            if (!display.Usable) {
                std::fprintf(stderr,
                    "tarvix: no display is available for the window (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                    "On the command line: tarvix -r|-l|-u|-v|-h [-s] FILE, or tarvix -auto|-autosub [-s] FOLDER\n");
                return 1;
            }
            PreparePlatform(display);
        }
        return RunProgramModule(
            "tarvix_window.so", "TarvixWindowMain", argc, argv, "the window part of the program", 1);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tarvix: unexpected error: %s\n", error.what());
        return 2;
    }
}
