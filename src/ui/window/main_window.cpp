// The browser window's life cycle, the wiring of its signals and its error report.
#include "ui/window/main_window.h"

#include "engine/dialogs.h"
#include "engine/errors.h"
#include "engine/folder_scan.h"
#include "engine/language.h"
#include "engine/settings_keys.h"
#include "platform/private_thumbnail_cache.h"
#include "ui/dialogs/progress_window.h"
#include "ui/dialogs/qt_dialogs.h"
#include "ui/grid/thumbnail_grid.h"
#include "ui/thumbnails/cached_thumbnail_maker.h"
#include "ui/window/application.h"
#include "ui/window/job_scope.h"
#include "ui/window/path_bar.h"
#include "ui/window/status_bar.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QThread>
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
    FThumbnailCache = std::make_shared<PrivateThumbnailCache>(FServices.ThumbnailCacheFolder.isEmpty()
            ? PrivateThumbnailCache::DefaultFolder()
            : FServices.ThumbnailCacheFolder,
        SettingsKeys::ThumbnailCacheMB.Default * PrivateThumbnailCache::MB);
    if (!FServices.ThumbnailMaker)
        FServices.ThumbnailMaker
            = [cache = FThumbnailCache](const QString& path, ThumbnailCell cell, ThumbnailOptions options) {
                  return MakeCachedThumbnail(*cache, path, cell, options);
              };
    if (!FServices.ListFolder)
        FServices.ListFolder = [](const QString& folder, bool recursive, const std::atomic_bool& stop) {
            QStringList list;
            ListJpegFiles(folder, list, recursive, &stop);
            return list;
        };
    if (!FServices.OpenUrl)
        FServices.OpenUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    if (FServices.Questions) {
        FQuestions = FServices.Questions;
    } else {
        FOwnQuestions = std::make_unique<QtDialogs>(this);
        FQuestions = FOwnQuestions.get();
    }
    FThumbnailPool.setMaxThreadCount(qMax(1, QThread::idealThreadCount()));
    FRefreshPool.setMaxThreadCount(qMax(1, QThread::idealThreadCount()));
    FSettleTimer.setSingleShot(true);
    FSettleTimer.setInterval(250);

    // The language engine finds the window among the application's by its name.
    RegisterWindowsForTranslation();
    Language = new TLanguage(this);
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreatePathBar();
    CreateBrowser();
    BuildLanguageMenu();
    RegisterTranslationKeys();
    ConnectActions();
    UpdateActions();
}

TFormTarvix::~TFormTarvix()
{
    FormDestroy();
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
    const bool idle = FJob == Job::None;
    // ActionEnabledIfImageChosen: the selection's top-left cell holds a picture of the grid.
    const bool chosen = idle && IsImageChosen();
    for (QAction* action : { ActionOpen, ActionRotateLeft, ActionRotateRight, ActionRotate180, ActionFlipHor,
             ActionFlipVer, ActionDisplayExif, ActionDelete })
        action->setEnabled(chosen);
    // ActionRenameUpdate: exactly one cell, empty or not.
    ActionRename->setEnabled(idle && SelectedCellCount() == 1);
    // ActionAlwaysEnabled.
    ActionShowTree->setEnabled(true);
    // The ways to another folder, and what reloads this one. The path bar as a whole, so that
    // its buttons keep their own states for later.
    FPathBar->setEnabled(idle);
    ShellTree->setEnabled(idle);
    for (QWidget* control : std::initializer_list<QWidget*> { tbFavorites, tbAuto })
        control->setEnabled(idle);
    for (QAction* action : { pmiRefresh, pmiThumbsInRow, pmiForeColor })
        action->setEnabled(idle);
}

bool TFormTarvix::RefuseWhileBusy()
{
    if (FJob == Job::None)
        return false;
    BringProgressWindowToFront();
    return true;
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
    if (FJob != Job::None) {
        FCloseRequested = true;
        for (TfrmWait* progress : findChildren<TfrmWait*>(Qt::FindDirectChildrenOnly))
            progress->Cancel = true;
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
    ClearThumbnails();
    Guarded([this] { SaveSettings(); });
}

void TFormTarvix::ApplyTreeVisibility()
{
    const bool show = ActionShowTree->isChecked();
    ShellTree->setVisible(show);
    if (show) {
        ShowFolderInTree(CurrentFolder);
        const int total = ShellSplitter->width();
        ShellSplitter->setSizes({ FTreeWidth, qMax(1, total - FTreeWidth - ShellSplitter->handleWidth()) });
    }
}

} // namespace tarvix
