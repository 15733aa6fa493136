#include "tarvix_window.h"

#include "app/command_line.h"
#include "app/instance_marker.h"
#include "engine/process_switches.h"
#include "engine/undo_store.h"
#include "ui/dialogs/qt_dialogs.h"
#include "ui/window/application.h"
#include "ui/window/main_window.h"
#include "ui/window/toolbar_icons.h"

#include <QApplication>

using namespace tarvix;

namespace {

int RunWindow(int argc, char** argv)
{
    ReturnLargeBlocksToTheSystem();
    CreateInstanceMarker("DovraneTarvix");
    // The copies an undo needed, left by windows that ended without removing them.
    UndoStore::RemoveAbandoned();
    int result = 0;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationDisplayName("Tarvix");
        // The window manager's and the task bar's picture, and the desktop entry it belongs to.
        QApplication::setWindowIcon(ToolbarIcon(ToolbarImage::Application));
        QGuiApplication::setDesktopFileName("tarvix");
        RegisterWindowsForTranslation();
        TFormTarvix window;
        window.show();
        result = app.exec();
    }
    CloseInstanceMarker();
    return result;
}

int RunCommandLineWithDisplay(int argc, char** argv)
{
    QApplication app(argc, argv);
    QtDialogs dialogs;
    const int result = RunCommandLine(ProcessParameters(), dialogs);
    // The progress window is freed by the event loop, which does not run again.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return result;
}

} // namespace

int TarvixWindowMain(int argc, char** argv)
{
    // The module has its own copy of the engine, which must know the parameters too.
    SetProcessParameters(ParametersOf(argc, argv));
    if (argc > 1)
        return RunCommandLineWithDisplay(argc, argv);
    return RunWindow(argc, argv);
}
