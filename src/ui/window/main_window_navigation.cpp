// The ways to a folder: the path box, the folder tree, Browse, the recent folder, the
// favourites and Include subfolders. Every one ends in LoadFolder.
#include "engine/dialogs.h"
#include "engine/language.h"
#include "engine/message_format.h"
#include "ui/plain_text.h"
#include "ui/window/favorites.h"
#include "ui/window/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

namespace tarvix {

namespace {

bool IsFolder(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

} // namespace

void TFormTarvix::OpenFolder(const QString& folder)
{
    LoadFolder(folder);
    RecentFolder = edPath->text();
    btnRecent->setEnabled(false);
}

QString TFormTarvix::DefaultFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty() || !QDir().mkpath(documents))
        return QString();
    return documents;
}

std::optional<QString> TFormTarvix::BrowseForFolder(const QString& initialFolder)
{
    QFileDialog dialog(this);
    dialog.setObjectName("BrowseForFolder");
    dialog.setFileMode(QFileDialog::Directory);
    // Read-only: Qt's own dialog then offers neither renaming nor deleting, and no new folder.
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks | QFileDialog::ReadOnly);
    dialog.setDirectory(initialFolder);
    if (auto* newFolder = dialog.findChild<QWidget*>(QStringLiteral("newFolderButton")))
        newFolder->hide();
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString chosen = dialog.selectedFiles().first();
    if (!IsFolder(chosen))
        return std::nullopt;
    return chosen;
}

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

void TFormTarvix::edPathKeyDown()
{
    if (IsFolder(edPath->text()))
        LoadFolder(edPath->text());
}

void TFormTarvix::ShellTreeClick()
{
    const QString path = ShellTreeModel->filePath(ShellTree->currentIndex());
    if (!IsFolder(path) || path == edPath->text())
        return;
    OpenFolder(path);
    ShellTree->setFocus();
}

void TFormTarvix::btnBrowseClick()
{
    if (const std::optional<QString> chosen = BrowseForFolder(edPath->text()))
        OpenFolder(*chosen);
}

void TFormTarvix::btnRecentClick()
{
    const QString folder = IsFolder(RecentFolder) ? RecentFolder : DefaultFolder();
    edPath->setText(folder);
    CurrentFolder = folder;
    btnRecent->setEnabled(false);
    RebuildThumbnails();
}

void TFormTarvix::cbSubFoldersClick()
{
    if (IsFolder(CurrentFolder))
        LoadFolder(CurrentFolder);
}

void TFormTarvix::BuildFavoritesMenu()
{
    pmMru->clear();
    QAction* add = pmMru->addAction(Language->TranslateUserMessage("Add Current Folder"));
    add->setObjectName("pmiAddCurrentFolder");
    pmMru->setDefaultAction(add);
    connect(add, &QAction::triggered, this, [this] { Guarded([this] { AddCurrentFolder(); }); });
    for (int i = 0; i < Mru.size(); ++i) {
        // Not translated: a folder's name, with its '&' shown as it is.
        QAction* item = pmMru->addAction(QString(FavoriteCaption(Mru[i])).replace(u'&', QLatin1String("&&")));
        item->setData(i);
        item->setToolTip(PlainToolTip(Mru[i]));
        connect(item, &QAction::triggered, this, [this, i] { Guarded([this, i] { OpenFavorite(i); }); });
    }
}

void TFormTarvix::AddCurrentFolder()
{
    if (!IsFolder(CurrentFolder))
        return;
    if (AddFavorite(Mru, CurrentFolder))
        BuildFavoritesMenu();
}

void TFormTarvix::OpenFavorite(int index)
{
    if (index < 0 || index >= Mru.size())
        return;
    edPath->setText(Mru[index]);
    if (IsFolder(edPath->text())) {
        LoadFolder(edPath->text());
        return;
    }
    FQuestions->ShowMessage(
        TranslateMessage(*Language, "Cannot open \"%s\". The file or folder has been moved or deleted.",
            { MessageArg(edPath->text()) }),
        QString(), Dialogs::Icon::Warning);
}

} // namespace tarvix
