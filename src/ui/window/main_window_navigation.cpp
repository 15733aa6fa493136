// The folder tree, which shows where the user is and opens what they click.
#include "ui/window/main_window.h"
#include "ui/window/path_bar.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>

namespace tarvix {

namespace {

bool IsFolder(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

} // namespace

void TFormTarvix::ShowFolderInTree(const QString& folder)
{
    // Only shows where the user is: selecting a node here opens nothing.
    const QModelIndex node = ShellTreeModel->index(IsFolder(folder) ? folder : QDir::homePath());
    if (!node.isValid())
        return;
    for (QModelIndex up = node.parent(); up.isValid(); up = up.parent())
        ShellTree->expand(up);
    ShellTree->setCurrentIndex(node);
    ShellTree->scrollTo(node, QAbstractItemView::PositionAtCenter);
    // Sideways, the view would centre the whole column; the current folder's own name and
    // highlight belong in view, with a step of its parent's indentation before it. The column
    // takes its new width when the view next lays itself out.
    const QPersistentModelIndex shown(node);
    QTimer::singleShot(0, ShellTree, [tree = ShellTree, shown] {
        if (!shown.isValid())
            return;
        tree->doItemsLayout();
        QScrollBar* bar = tree->horizontalScrollBar();
        const QRect row = tree->visualRect(shown);
        bar->setValue(bar->value() + row.left() - 2 * tree->indentation());
    });
}

void TFormTarvix::ShellTreeClick()
{
    const QString path = ShellTreeModel->filePath(ShellTree->currentIndex());
    if (!IsFolder(path) || path == FPathBar->Text())
        return;
    FPathBar->OpenFolder(path);
    ShellTree->setFocus();
}

} // namespace tarvix
