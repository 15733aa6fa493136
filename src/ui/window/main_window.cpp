// The browser window's life cycle, the wiring of its signals and its error report.
#include "ui/window/main_window.h"

#include "engine/dialogs.h"
#include "engine/errors.h"
#include "engine/language.h"
#include "engine/settings_keys.h"
#include "ui/dialogs/qt_dialogs.h"
#include "ui/grid/thumbnail_grid.h"
#include "ui/window/application.h"
#include "ui/window/folder_browser.h"
#include "ui/window/image_commands.h"
#include "ui/window/path_bar.h"
#include "ui/window/status_bar.h"
#include "ui/window/undo_command.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QMenu>
#include <QSplitter>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

namespace tarvix {

namespace {

// The keys a language file sets on this window, in the order they are applied.
const char* const TranslationKeys[] = {
    "FormTarvix.ActionOpen.Caption",
    "FormTarvix.ActionOpen.Hint",
    "FormTarvix.ActionRotateLeft.Caption",
    "FormTarvix.ActionRotateLeft.Hint",
    "FormTarvix.ActionRotateRight.Caption",
    "FormTarvix.ActionRotateRight.Hint",
    "FormTarvix.ActionRotate180.Caption",
    "FormTarvix.ActionRotate180.Hint",
    "FormTarvix.ActionDisplayExif.Caption",
    "FormTarvix.ActionDisplayExif.Hint",
    "FormTarvix.tbFavorites.Caption",
    "FormTarvix.tbFavorites.Hint",
    "FormTarvix.tbAuto.Caption",
    "FormTarvix.tbAuto.Hint",
    "FormTarvix.tbOptions.Caption",
    "FormTarvix.tbOptions.Hint",
    "FormTarvix.ActionDelete.Caption",
    "FormTarvix.ActionDelete.Hint",
    "FormTarvix.btnBrowse.Caption",
    "FormTarvix.cbSubFolders.Caption",
    "FormTarvix.pmiRefresh.Caption",
    "FormTarvix.pmiThumbsInRow.Caption",
    "FormTarvix.pmiEnlargeSmall.Caption",
    "FormTarvix.pmiHiQuality.Caption",
    "FormTarvix.pmiLowQuality.Caption",
    "FormTarvix.pmiKeepTimestamp.Caption",
    "FormTarvix.pmiAbout.Caption",
    "FormTarvix.pmiWebsite.Caption",
    "FormTarvix.pmiDeleteConfirm.Caption",
    "FormTarvix.ActionFlipVer.Caption",
    "FormTarvix.ActionFlipHor.Caption",
    "FormTarvix.btnRecent.Hint",
    "FormTarvix.pmiDisplayCrop.Caption",
    "FormTarvix.pmiBackColor.Caption",
    "FormTarvix.pmiForeColor.Caption",
    "FormTarvix.pmiRebuildWhenResized.Caption",
    "FormTarvix.pmiMakeBackup.Caption",
    "FormTarvix.ActionShowTree.Caption",
    "FormTarvix.ActionRename.Caption",
};

} // namespace

TFormTarvix::TFormTarvix(TFormTarvixServices services, QWidget* parent)
    : QMainWindow(parent)
    , FServices(std::move(services))
    , FTreeWidth(SettingsKeys::DesignedTreeWidth)
{
    setObjectName("FormTarvix");
    setWindowTitle(QApplication::applicationDisplayName());
    setMinimumSize(800, 600);
    resize(800, 600);
    if (!FServices.OpenUrl)
        FServices.OpenUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    if (FServices.Questions) {
        FQuestions = FServices.Questions;
    } else {
        FOwnQuestions = std::make_unique<QtDialogs>(this);
        FQuestions = FOwnQuestions.get();
    }
    FBusy = std::make_unique<BusyState>(*this, [this] { UpdateActions(); });
    FSettleTimer.setSingleShot(true);
    FSettleTimer.setInterval(250);

    // The language engine finds the window among the application's by its name.
    RegisterWindowsForTranslation();
    Language = new TLanguage(this);
    FUndo = std::make_unique<UndoCommand>(SettingsKeys::UndoCacheBytesFromStored(SettingsKeys::UndoCacheMB.Default));
    FFolder = std::make_unique<FolderBrowser>(
        FServices.ThumbnailMaker, FServices.ListFolder, FServices.ThumbnailCacheFolder, *FQuestions, *Language, *FBusy);
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreatePathBar();
    CreateBrowser();
    CreateCollaborators();
    BuildLanguageMenu();
    RegisterTranslationKeys();
    ConnectActions();
    UpdateActions();
}

TFormTarvix::~TFormTarvix()
{
    FormDestroy();
    // The collaborators go before the widgets: nothing may ask them what to enable meanwhile.
    disconnect(QAbstractEventDispatcher::instance(), nullptr, this, nullptr);
}

void TFormTarvix::CreateCollaborators()
{
    FBusy->SetGrid(DrawGrid);
    FolderBrowser::View view;
    view.Grid = DrawGrid;
    view.Status = StatusBar;
    // At the screen's own pixels: on a screen scaled to 200 % a thumbnail has twice as many.
    view.Options = [this] {
        return ThumbnailOptions { pmiHiQuality->isChecked(), pmiEnlargeSmall->isChecked(),
            DrawGrid->devicePixelRatioF() };
    };
    view.IncludeSubfolders = [this] { return FPathBar->IncludeSubfolders(); };
    FFolder->SetView(std::move(view));
    const ImageCommands::Context context { this, DrawGrid, StatusBar, FQuestions, Language, FBusy.get(), FFolder.get(),
        FUndo.get(), FServices.OpenUrl };
    const ImageCommands::Actions actions { ActionOpen, ActionRotateLeft, ActionRotateRight, ActionRotate180,
        ActionFlipHor, ActionFlipVer, ActionDisplayExif, ActionDelete, ActionRename, pmiKeepTimestamp, pmiMakeBackup,
        pmiDeleteConfirm, ActionUndo };
    FCommands = std::make_unique<ImageCommands>(context, actions);
}

void TFormTarvix::RegisterTranslationKeys()
{
    for (const char* key : TranslationKeys)
        Language->Properties().append(QLatin1String(key));
}

void TFormTarvix::ConnectActions()
{
    connect(ActionShowTree, &QAction::triggered, this, [this] { Guarded([this] { ApplyTreeVisibility(); }); });
    for (QAction* transform : { ActionRotateLeft, ActionRotateRight, ActionRotate180, ActionFlipHor, ActionFlipVer })
        connect(transform, &QAction::triggered, this,
            [this, transform] { Guarded([this, transform] { ActionRotate(transform); }); });
    connect(ActionOpen, &QAction::triggered, this, [this] { Guarded([this] { ActionOpenExecute(); }); });
    connect(ActionRename, &QAction::triggered, this, [this] { Guarded([this] { ActionRenameExecute(); }); });
    connect(ActionUndo, &QAction::triggered, this, [this] { Guarded([this] { ActionUndoExecute(); }); });
    connect(ActionDisplayExif, &QAction::triggered, this, [this] { Guarded([this] { ActionDisplayExifExecute(); }); });
    connect(ActionDelete, &QAction::triggered, this, [this] { Guarded([this] { ActionDeleteExecute(); }); });
    connect(pmiRefresh, &QAction::triggered, this, [this] { Guarded([this] { pmiRefreshClick(); }); });
    connect(pmiThumbsInRow, &QAction::triggered, this, [this] { Guarded([this] { pmiThumbsInRowClick(); }); });
    connect(pmiBackColor, &QAction::triggered, this, [this] { Guarded([this] { pmiBackColorClick(); }); });
    connect(pmiForeColor, &QAction::triggered, this, [this] { Guarded([this] { pmiForeColorClick(); }); });
    connect(pmiWebsite, &QAction::triggered, this, [this] { Guarded([this] { pmiWebsiteClick(); }); });
    connect(pmiAbout, &QAction::triggered, this, [this] { Guarded([this] { pmiAboutClick(); }); });
    connect(tbAuto, &QToolButton::clicked, this, [this] { Guarded([this] { tbAutoClick(); }); });

    connect(ShellTree, &QTreeView::clicked, this, [this] { Guarded([this] { ShellTreeClick(); }); });
    connect(ShellSplitter, &QSplitter::splitterMoved, this, [this] {
        if (ShellTree->isVisible())
            FTreeWidth = ShellTree->width();
    });

    connect(DrawGrid, &TThumbnailGrid::ClientWidthChanged, this, [this] { Guarded([this] { GridWidthChanged(); }); });
    connect(DrawGrid, &TThumbnailGrid::CellChosen, this,
        [this](int column, int row) { Guarded([=, this] { DrawGridSelectCell(column, row); }); });
    connect(DrawGrid, &TThumbnailGrid::doubleClicked, this, [this] { Guarded([this] { DrawGridDblClick(); }); });
    connect(DrawGrid, &TThumbnailGrid::customContextMenuRequested, this,
        [this](const QPoint& at) { PopupMenu->popup(DrawGrid->viewport()->mapToGlobal(at)); });

    connect(pmOptions, &QMenu::aboutToShow, this, [this] { Guarded([this] { pmOptionsPopup(); }); });
    connect(pmiDisplayCrop, &QAction::triggered, this, [this] { Guarded([this] { pmiDisplayCropClick(); }); });
    connect(pmiKeepTimestamp, &QAction::triggered, this, [this] { Guarded([this] { pmiKeepTimestampClick(); }); });
    connect(LanguageGroup, &QActionGroup::triggered, this,
        [this](QAction* item) { Guarded([=, this] { LanguageItemClick(item); }); });

    connect(FFolder.get(), &FolderBrowser::FolderChanged, FPathBar, &PathBar::ShowPath);
    connect(FFolder.get(), &FolderBrowser::CellsMoved, this,
        [this](int column, int row) { Guarded([=, this] { DrawGridSelectCell(column, row); }); });
    connect(FFolder.get(), &FolderBrowser::Shown, this, [this] {
        DrawGridSelectCell(0, 0);
        if (ShellTree->isVisible())
            ShowFolderInTree(CurrentFolder());
    });

    // Whether a command can run is decided when the window has nothing else to do.
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
        [this] { UpdateActions(); });
    connect(&FSettleTimer, &QTimer::timeout, this, [this] { Guarded([this] { SizeMoveSettled(); }); });
}

void TFormTarvix::Guarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const TarvixError& e) {
        FQuestions->ShowMessage(e.FullText(), windowTitle(), Dialogs::Icon::Error);
    } catch (const std::exception& e) {
        FQuestions->ShowMessage(QString::fromLocal8Bit(e.what()), windowTitle(), Dialogs::Icon::Error);
    }
}

void TFormTarvix::UpdateActions()
{
    const bool idle = Busy() == Job::None;
    FCommands->UpdateEnabled(idle);
    // Always enabled.
    ActionShowTree->setEnabled(true);
    // The ways to another folder, and what reloads this one. The path bar as a whole, so that
    // its buttons keep their own states for later.
    FPathBar->setEnabled(idle);
    FFolder->SetJobRunning(!idle);
    // A drag runs a loop of its own until the drop: never inside a job's.
    DrawGrid->SetDragOutEnabled(idle);
    ShellTree->setEnabled(idle);
    for (QWidget* control : std::initializer_list<QWidget*> { tbFavorites, tbAuto })
        control->setEnabled(idle);
    for (QAction* action : { pmiRefresh, pmiThumbsInRow, pmiForeColor })
        action->setEnabled(idle);
}

void TFormTarvix::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (FShown)
        return;
    FShown = true;
    Guarded([this] { FormShow(); });
}

void TFormTarvix::FormShow()
{
    LoadSettings();
    RebuildThumbnails();
    // The keys of the commands work from the start.
    DrawGrid->setFocus();
}

void TFormTarvix::closeEvent(QCloseEvent* event)
{
    // A job runs below this one: it ends first, then the window closes.
    if (FBusy->DeferClose()) {
        event->ignore();
        return;
    }
    FormDestroy();
    QMainWindow::closeEvent(event);
}

void TFormTarvix::FormDestroy()
{
    if (FDestroyed || !FShown)
        return;
    FDestroyed = true;
    FFolder->Clear();
    Guarded([this] { SaveSettings(); });
}

void TFormTarvix::ApplyTreeVisibility()
{
    const bool show = ActionShowTree->isChecked();
    ShellTree->setVisible(show);
    if (show) {
        ShowFolderInTree(CurrentFolder());
        const int total = ShellSplitter->width();
        ShellSplitter->setSizes({ FTreeWidth, qMax(1, total - FTreeWidth - ShellSplitter->handleWidth()) });
    }
}

} // namespace tarvix
