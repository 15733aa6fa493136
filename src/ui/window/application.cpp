#include "ui/window/application.h"

#include "engine/component_tree.h"

#include <QApplication>
#include <QWidget>
#include <malloc.h>

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

void ReturnLargeBlocksToTheSystem()
{
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
}

} // namespace tarvix
