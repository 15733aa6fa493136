// The widgets, actions and menus of the browser window, as designed; texts in English until a
// language is applied.
#include "engine/settings_keys.h"
#include "ui/grid/thumbnail_delegate.h"
#include "ui/grid/thumbnail_grid.h"
#include "ui/window/folder_browser.h"
#include "ui/window/main_window.h"
#include "ui/window/path_bar.h"
#include "ui/window/status_bar.h"
#include "ui/window/toolbar_button.h"
#include "ui/window/toolbar_icons.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QCompleter>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace tarvix {

namespace {

QAction* NewAction(QObject* owner, const char* name, const QString& caption, const QString& hint = {})
{
    auto* action = new QAction(caption, owner);
    action->setObjectName(QLatin1String(name));
    action->setToolTip(hint.isEmpty() ? QString(caption).remove(u'&') : hint);
    return action;
}

QAction* NewCheck(QObject* owner, const char* name, const QString& caption)
{
    QAction* action = NewAction(owner, name, caption);
    action->setCheckable(true);
    return action;
}

// The folders by name only: the size, type and date columns would be read out by screen
// readers even while hidden.
class FolderNameModel : public QFileSystemModel {
public:
    using QFileSystemModel::QFileSystemModel;
    int columnCount(const QModelIndex& parent = {}) const override { return parent.column() > 0 ? 0 : 1; }
};

QAction* NewSeparator(QObject* owner, const char* name)
{
    auto* separator = new QAction(owner);
    separator->setObjectName(QLatin1String(name));
    separator->setSeparator(true);
    return separator;
}

} // namespace

void TFormTarvix::CreateActions()
{
    ActionOpen = NewAction(this, "ActionOpen", "View Image", "Hotkey");
    ActionRotateLeft = NewAction(this, "ActionRotateLeft", "Rotate Left", "Hotkey");
    ActionRotateRight = NewAction(this, "ActionRotateRight", "Rotate Right", "Hotkey");
    ActionRotate180 = NewAction(this, "ActionRotate180", "Rotate 180", "Hotkey");
    ActionDisplayExif = NewAction(this, "ActionDisplayExif", "Display EXIF", "Display EXIF");
    ActionDelete = NewAction(this, "ActionDelete", "Delete", "Delete image");
    ActionFlipHor = NewAction(this, "ActionFlipHor", "Flip Horizontal", "Flip Horizontal");
    ActionFlipVer = NewAction(this, "ActionFlipVer", "Flip Vertical", "Flip Vertical");
    ActionShowTree = NewCheck(this, "ActionShowTree", "Display explorer tree");
    ActionRename = NewAction(this, "ActionRename", "&Rename...");
    ActionUndo = NewAction(this, "ActionUndo", "Undo");

    ActionOpen->setIcon(ToolbarIcon(ToolbarImage::View));
    ActionRotateLeft->setIcon(ToolbarIcon(ToolbarImage::RotateLeft));
    ActionRotateRight->setIcon(ToolbarIcon(ToolbarImage::RotateRight));
    ActionRotate180->setIcon(ToolbarIcon(ToolbarImage::Rotate180));
    ActionDisplayExif->setIcon(ToolbarIcon(ToolbarImage::Exif));
    ActionDelete->setIcon(ToolbarIcon(ToolbarImage::Delete));

    // The tag of a transform action is its transform code.
    ActionRotateLeft->setData(static_cast<int>(TransformCode::RotateLeft));
    ActionRotateRight->setData(static_cast<int>(TransformCode::RotateRight));
    ActionRotate180->setData(static_cast<int>(TransformCode::Rotate180));
    ActionFlipHor->setData(static_cast<int>(TransformCode::FlipHorizontal));
    ActionFlipVer->setData(static_cast<int>(TransformCode::FlipVertical));

    // Single keys without modifier, and the two designed with Ctrl.
    ActionRotateLeft->setShortcut(Qt::Key_L);
    ActionRotateRight->setShortcut(Qt::Key_R);
    ActionRotate180->setShortcut(Qt::Key_U);
    ActionFlipHor->setShortcut(Qt::Key_H);
    ActionFlipVer->setShortcut(Qt::Key_V);
    ActionOpen->setShortcuts({ QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter) });
    ActionDisplayExif->setShortcut(Qt::Key_E);
    ActionDelete->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
    ActionRename->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    ActionUndo->setShortcut(QKeySequence::Undo);
    ActionUndo->setIcon(QIcon::fromTheme(QStringLiteral("edit-undo")));
    for (QAction* action : { ActionOpen, ActionRotateLeft, ActionRotateRight, ActionRotate180, ActionDisplayExif,
             ActionDelete, ActionFlipHor, ActionFlipVer, ActionShowTree, ActionRename, ActionUndo })
        addAction(action); // the shortcuts work wherever the focus is in the window

    pmiRefresh = NewAction(this, "pmiRefresh", "Refresh");
    pmiRebuildWhenResized = NewCheck(this, "pmiRebuildWhenResized", "Rebuild thumbnails when window resized");
    pmiThumbsInRow = NewAction(this, "pmiThumbsInRow", "Thumbnails in Row...");
    pmiEnlargeSmall = NewCheck(this, "pmiEnlargeSmall", "Enlarge Small Images");
    pmiKeepTimestamp = NewCheck(this, "pmiKeepTimestamp", "Keep File Timestamp");
    pmiMakeBackup = NewCheck(this, "pmiMakeBackup", "Preserve copy of original images");
    pmiDeleteConfirm = NewCheck(this, "pmiDeleteConfirm", "Display delete confirmation dialog");
    pmiDisplayCrop = NewCheck(this, "pmiDisplayCrop", "Display crop warning");
    pmiBackColor = NewAction(this, "pmiBackColor", "&Background Color...");
    pmiForeColor = NewAction(this, "pmiForeColor", "&Text Color...");
    pmiHiQuality = NewCheck(this, "pmiHiQuality", "High Thumbnail Quality (slower)");
    pmiLowQuality = NewCheck(this, "pmiLowQuality", "Low Thumbnail Quality (faster)");
    pmiWebsite = NewAction(this, "pmiWebsite", "Web-Site");
    pmiAbout = NewAction(this, "pmiAbout", "About");
    QualityGroup = new QActionGroup(this);
    QualityGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    QualityGroup->addAction(pmiHiQuality);
    QualityGroup->addAction(pmiLowQuality);
    pmiHiQuality->setChecked(true);
    LanguageGroup = new QActionGroup(this);
    LanguageGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
}

void TFormTarvix::CreateMenus()
{
    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName("PopupMenu");
    PopupMenu->addActions(
        { ActionUndo, NewSeparator(this, "NUndo"), ActionOpen, ActionRotateLeft, ActionRotateRight, ActionRotate180,
            ActionDisplayExif, ActionFlipHor, ActionFlipVer, NewSeparator(this, "N3"), ActionRename, ActionDelete });
    PopupMenu->setDefaultAction(ActionOpen);

    pmFlip = new QMenu(this);
    pmFlip->setObjectName("pmFlip");
    pmFlip->addActions({ ActionFlipHor, ActionFlipVer });

    pmOptions = new QMenu(this);
    pmOptions->setObjectName("pmOptions");
    pmOptions->addActions({ pmiRefresh, pmiRebuildWhenResized, pmiThumbsInRow, pmiEnlargeSmall, pmiKeepTimestamp,
        pmiMakeBackup, pmiDeleteConfirm, ActionShowTree, pmiDisplayCrop, pmiBackColor, pmiForeColor,
        NewSeparator(this, "pmiSeparator"), pmiHiQuality, pmiLowQuality, NewSeparator(this, "N2"), pmiWebsite, pmiAbout,
        NewSeparator(this, "N1") });
}

QToolButton* TFormTarvix::AddToolButton(const QString& name)
{
    auto* button = new TToolBarButton(ToolBar);
    button->setObjectName(name);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setIconSize(QSize(24, 24));
    ToolBar->addWidget(button);
    return button;
}

void TFormTarvix::CreateToolBar()
{
    ToolBar = new QToolBar(this);
    ToolBar->setObjectName("ToolBar");
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->toggleViewAction()->setVisible(false);
    ToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, ToolBar);

    const auto bound = [this](const QString& name, QAction* action) {
        QToolButton* button = AddToolButton(name);
        button->setDefaultAction(action);
        return button;
    };
    const auto own = [this](const QString& name, const QString& caption, const QString& hint, ToolbarImage image) {
        QToolButton* button = AddToolButton(name);
        button->setText(caption);
        button->setToolTip(hint);
        button->setIcon(ToolbarIcon(image));
        return button;
    };
    tbFavorites = own("tbFavorites", "Favorites", "Favorite folders", ToolbarImage::Favorites);
    tbFavorites->setPopupMode(QToolButton::InstantPopup);
    tbAuto
        = own("tbAuto", "Automatic", "Turn all images of the current folder upright automatically", ToolbarImage::Auto);
    tbViewImage = bound("tbViewImage", ActionOpen);
    tbRotateLeft = bound("tbRotateLeft", ActionRotateLeft);
    tbRotateRight = bound("tbRotateRight", ActionRotateRight);
    tbRotate180 = bound("tbRotate180", ActionRotate180);
    tbRotate180->setMenu(pmFlip);
    tbRotate180->setPopupMode(QToolButton::MenuButtonPopup);
    ToolButton2 = bound("ToolButton2", ActionDelete);
    tbExif = bound("tbExif", ActionDisplayExif);
    tbOptions = own("tbOptions", "Options", "Options and language", ToolbarImage::Options);
    tbOptions->setMenu(pmOptions);
    tbOptions->setPopupMode(QToolButton::InstantPopup);
}

void TFormTarvix::CreatePathBar()
{
    PathBar::Host host;
    host.Load = [this](const QString& folder) { LoadFolder(folder); };
    host.Rebuild = [this](const QString& folder) {
        FFolder->SetCurrentFolder(folder);
        RebuildThumbnails();
    };
    host.CurrentFolder = [this] { return CurrentFolder(); };
    host.Guarded = [this](const std::function<void()>& handler) { Guarded(handler); };
    FPathBar = new PathBar(std::move(host), *Language, *FQuestions, this);
    tbFavorites->setMenu(FPathBar->FavoritesMenu());
}

void TFormTarvix::CreateBrowser()
{
    ShellSplitter = new QSplitter(Qt::Horizontal, this);
    ShellSplitter->setObjectName("ShellSplitter");
    ShellSplitter->setChildrenCollapsible(false);

    ShellTreeModel = new FolderNameModel(this);
    ShellTreeModel->setObjectName("ShellTreeModel");
    ShellTreeModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    ShellTreeModel->setOption(QFileSystemModel::DontWatchForChanges);
    ShellTreeModel->setRootPath(QString());
    ShellTree = new QTreeView(ShellSplitter);
    ShellTree->setObjectName("ShellTree");
    ShellTree->setModel(ShellTreeModel);
    ShellTree->header()->hide();
    // Deep folders are wider than the pane: the column takes the width of its names, and the
    // tree scrolls sideways, instead of cutting names to "..." or to nothing.
    ShellTree->header()->setStretchLastSection(false);
    ShellTree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    ShellTree->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    ShellTree->setTextElideMode(Qt::ElideNone);
    ShellTree->setIndentation(19);
    ShellTree->setRootIsDecorated(false);
    ShellTree->setUniformRowHeights(true);
    ShellTree->setMinimumWidth(100);
    ShellTree->setAccessibleName("Folders");
    ShellTree->resize(FTreeWidth, ShellTree->height());

    DrawGrid = new TThumbnailGrid(FFolder->Images(), ShellSplitter);
    DrawGrid->setObjectName("DrawGrid");
    DrawGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    // The pictures "Automatic" would turn carry its picture.
    DrawGrid->Delegate().SetTaggedMark(ToolbarIcon(ToolbarImage::Auto));
    setAcceptDrops(true);
    DrawGrid->setAccessibleName("Thumbnails");
    ShellSplitter->addWidget(ShellTree);
    ShellSplitter->addWidget(DrawGrid);
    ShellSplitter->setStretchFactor(0, 0);
    ShellSplitter->setStretchFactor(1, 1);

    auto* central = new QWidget(this);
    central->setObjectName("ClientArea");
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(FPathBar);
    column->addWidget(ShellSplitter, 1);
    setCentralWidget(central);

    StatusBar = new TStatusBar(this);
    setStatusBar(StatusBar);
}

} // namespace tarvix
