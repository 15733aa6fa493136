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

namespace {

constexpr int ThumbnailJobThreshold = 1 << 20;
// The largest threshold the allocator takes.
constexpr int TurnJobThreshold = 32 << 20;

} // namespace

void ReturnLargeBlocksToTheSystem()
{
    mallopt(M_MMAP_THRESHOLD, ThumbnailJobThreshold);
}

KeepLargeBlocksForAJob::KeepLargeBlocksForAJob()
{
    mallopt(M_MMAP_THRESHOLD, TurnJobThreshold);
}

KeepLargeBlocksForAJob::~KeepLargeBlocksForAJob()
{
    ReturnLargeBlocksToTheSystem();
    malloc_trim(0);
}

} // namespace tarvix
