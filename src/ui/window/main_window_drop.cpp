// Folders and pictures dropped on the window from a file manager.
#include "engine/folder_scan.h"
#include "ui/grid/thumbnail_grid.h"
#include "ui/window/folder_browser.h"
#include "ui/window/main_window.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace tarvix {

namespace {

// The folder a drop opens and the picture it chooses (empty for a folder): a folder, or the
// JPEG files of one folder, from this computer. Anything else is no drop for the window.
struct DropTarget {
    QString Folder;
    QString Picture;
};

std::optional<DropTarget> TargetOf(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return std::nullopt;
    const QList<QUrl> urls = data->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return std::nullopt;
    const QFileInfo first(urls.first().toLocalFile());
    if (urls.size() == 1 && first.isDir())
        return DropTarget { first.absoluteFilePath(), {} };
    for (const QUrl& url : urls) {
        const QFileInfo file(url.toLocalFile());
        if (!url.isLocalFile() || !file.isFile() || !HasJpegExtension(file.fileName())
            || file.absolutePath() != first.absolutePath())
            return std::nullopt;
    }
    return DropTarget { first.absolutePath(), first.absoluteFilePath() };
}

} // namespace

void TFormTarvix::dragEnterEvent(QDragEnterEvent* event)
{
    // Nothing is taken while a job runs, nor the window's own cells dragged back onto it.
    if (Busy() == Job::None && event->source() == nullptr && TargetOf(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void TFormTarvix::dropEvent(QDropEvent* event)
{
    const std::optional<DropTarget> target = TargetOf(event->mimeData());
    if (!target || Busy() != Job::None)
        return;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // After the drop is over: the program the files came from waits for its end, and a load
    // takes a while.
    QMetaObject::invokeMethod(
        this,
        [this, target = *target] {
            Guarded([&] {
                if (Busy() != Job::None)
                    return;
                LoadFolder(target.Folder);
                const int entry = Images().IndexOf(target.Picture);
                if (entry < 0)
                    return;
                const QModelIndex cell = Images().CellOf(entry);
                DrawGrid->MakeCurrent(cell.column(), cell.row());
                DrawGrid->scrollTo(cell);
                DrawGridSelectCell(cell.column(), cell.row());
            });
        },
        Qt::QueuedConnection);
}

} // namespace tarvix
