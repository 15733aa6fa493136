#include "ui/application.h"

#include "engine/component_tree.h"

#include <QApplication>
#include <QWidget>

namespace tarvix {

void RegisterWindowsForTranslation()
{
    SetTopLevelComponentProvider([] {
        QObjectList windows;
        for (QWidget* w : QApplication::topLevelWidgets())
            windows.append(w);
        return windows;
    });
}

} // namespace tarvix
