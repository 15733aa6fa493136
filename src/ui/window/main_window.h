#pragma once

#include "engine/dialogs.h"
#include "engine/transform.h"
#include "ui/grid/thumbnail_model.h"
#include "ui/thumbnails/thumbnail_maker.h"
#include "ui/window/busy_state.h"

#include <QMainWindow>
#include <QStringList>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QActionGroup;
class QFileSystemModel;
class QMenu;
class QSplitter;
class QToolBar;
class QToolButton;
class QTreeView;
class QUrl;

namespace tarvix {

class FolderBrowser;
class ImageCommands;
class UndoCommand;
class PathBar;
class SettingsStore;
class TLanguage;
class TStatusBar;
class TThumbnailGrid;

// What the window takes from outside; the defaults are those of a real run.
struct TFormTarvixServices {
    Dialogs* Questions = nullptr; // the window's own message boxes when null
    QString LanguageFolder; // the program's folder "lang" when empty
    // MakeThumbnailImage behind the private thumbnail cache when empty.
    std::function<Thumbnail(const QString& path, ThumbnailCell cell, ThumbnailOptions options)> ThumbnailMaker;
    QString ThumbnailCacheFolder; // that cache's folder; PrivateThumbnailCache::DefaultFolder() when empty
    std::function<void(const QUrl& url)> OpenUrl; // the desktop's program for the file or page when empty
    // The JPEG files of a folder (ListJpegFiles when empty); it should end soon after `stop` is set.
    std::function<QStringList(const QString& folder, bool recursive, const std::atomic_bool& stop)> ListFolder;
    QString UserManual; // the program's manual, opened by "Web-Site" without a home page; UserManualFile() when empty
};

// The browser window: a toolbar, the path bar, the folder tree beside the thumbnail grid, and a
// status bar. The window lays them out and wires them; what has state of its own lives in a
// collaborator, to which the window's handlers hand over:
//   busy_state.cpp, job_scope.h  the one long job that runs, if any
//   folder_browser.cpp           the folder shown: its listing, its thumbnails and their model
//   image_commands.cpp           the chosen file and the commands on the selection
//   path_bar.cpp                 path box, recent folder, browse, subfolders, favourites
// The window's own files, one per concern:
//   main_window.cpp              life cycle, the wiring of every signal, the error report
//   main_window_layout.cpp       the widgets, actions and menus
//   main_window_settings.cpp     the settings load and SaveSettings
//   main_window_handlers.cpp     the handlers and queries that a collaborator answers
//   main_window_navigation.cpp   the folder tree
//   main_window_options.cpp      the options menu and the language menu
//   main_window_resize.cpp       rebuilding after the window's size changed
//   main_window_auto.cpp         the toolbar's automatic correction
// The objectName of every component is its name here: the language files address them by it.
class TFormTarvix : public QMainWindow {
    Q_OBJECT

public:
    explicit TFormTarvix(TFormTarvixServices services = {}, QWidget* parent = nullptr);
    ~TFormTarvix() override;

    // --- components
    QToolButton* tbAuto;
    QTreeView* ShellTree;
    QFileSystemModel* ShellTreeModel;
    TThumbnailGrid* DrawGrid;
    TStatusBar* StatusBar;
    QMenu* pmOptions;

    QAction* ActionOpen;
    QAction* ActionRotateLeft;
    QAction* ActionRotateRight;
    QAction* ActionRotate180;
    QAction* ActionDisplayExif;
    QAction* ActionDelete;
    QAction* ActionFlipHor;
    QAction* ActionFlipVer;
    QAction* ActionShowTree;
    QAction* ActionRename;
    QAction* ActionUndo;

    QAction* pmiRefresh;
    QAction* pmiRebuildWhenResized;
    QAction* pmiThumbsInRow;
    QAction* pmiEnlargeSmall;
    QAction* pmiKeepTimestamp;
    QAction* pmiMakeBackup;
    QAction* pmiDeleteConfirm;
    QAction* pmiDisplayCrop;
    QAction* pmiBackColor;
    QAction* pmiForeColor;
    QAction* pmiHiQuality;
    QAction* pmiLowQuality;
    QAction* pmiWebsite;
    QAction* pmiAbout;
    QActionGroup* LanguageGroup;

    // --- state
    bool FMinimised = false;
    TLanguage* Language;

    // --- main_window.cpp
    Dialogs& Questions() const { return *FQuestions; }
    // Whether each command can run now; decided when the window has nothing else to do.
    void UpdateActions();
    using Job = BusyState::Job;
    Job Busy() const { return FBusy->Current(); }

    // --- the folder shown (folder_browser.cpp); main_window_handlers.cpp
    void LoadFolder(const QString& folder);
    void RefreshThumbnail(const QString& path);
    bool RefreshPending() const;
    const ThumbnailModel& Images() const;
    QString CurrentFolder() const;

    // --- the grid (image_commands.cpp); main_window_handlers.cpp
    void RebuildThumbnails();
    void DrawGridSelectCell(int column, int row);
    int SelectedIndex() const;
    bool IsImageChosen() const;
    int SelectedCellCount() const;
    void DrawGridDblClick();

    // --- the image commands (image_commands.cpp); main_window_handlers.cpp
    QString FileName() const;
    void ActionRotate(QAction* sender);
    void ActionDisplayExifExecute();
    void ActionOpenExecute();
    void ActionRenameExecute();
    void ActionUndoExecute();
    void ActionDeleteExecute();
    void pmiRefreshClick();

    // --- the folder tree (main_window_navigation.cpp) and the path bar (path_bar.cpp)
    void edPathKeyDown();
    void ShellTreeClick();
    void btnBrowseClick();
    void btnRecentClick();
    void cbSubFoldersClick();

    // --- main_window_options.cpp
    void LanguageItemClick(QAction* item);
    void pmOptionsPopup();
    void pmiDisplayCropClick();
    void pmiKeepTimestampClick();
    void pmiThumbsInRowClick();
    void pmiBackColorClick();
    void pmiForeColorClick();
    void pmiWebsiteClick();
    void pmiAboutClick();

    // --- main_window_auto.cpp
    void tbAutoClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // A folder dropped on the window opens, as Enter in the path box does; JPEG files open
    // their folder with the first of them chosen.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // main_window_resize.cpp
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // --- components only the window itself uses
    QToolBar* ToolBar;
    QToolButton* tbFavorites;
    QToolButton* tbViewImage;
    QToolButton* tbRotateLeft;
    QToolButton* tbRotateRight;
    QToolButton* tbRotate180;
    QToolButton* ToolButton2;
    QToolButton* tbExif;
    QToolButton* tbOptions;
    QSplitter* ShellSplitter;
    QMenu* PopupMenu;
    QMenu* pmFlip;
    QActionGroup* QualityGroup;

    // main_window_layout.cpp
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreatePathBar();
    void CreateBrowser();
    QToolButton* AddToolButton(const QString& name);
    // main_window.cpp
    void FormShow();
    void FormDestroy();
    void ApplyTreeVisibility();
    // Runs a handler; an error it raises is shown in an error box and the program goes on.
    void Guarded(const std::function<void()>& handler);
    void CreateCollaborators();
    void ConnectActions();
    void RegisterTranslationKeys();
    // main_window_settings.cpp
    void LoadSettings();
    void SaveSettings();
    void SaveSettingsInOneGo();
    // main_window_navigation.cpp
    void ShowFolderInTree(const QString& folder);
    // main_window_options.cpp
    void BuildLanguageMenu();
    void ApplyStoredLanguage(const QString& stored);
    // main_window_resize.cpp
    void GridWidthChanged();
    void SizeMoveSettled();
    void ResizeRulesStateChange(Qt::WindowStates previous);

    TFormTarvixServices FServices;
    std::unique_ptr<Dialogs> FOwnQuestions;
    Dialogs* FQuestions;
    std::unique_ptr<BusyState> FBusy;
    std::unique_ptr<FolderBrowser> FFolder;
    std::unique_ptr<UndoCommand> FUndo;
    std::unique_ptr<ImageCommands> FCommands;
    PathBar* FPathBar;
    QStringList FLanguages; // the language files, in the order of the language menu
    QRgb FForeColor = 0; // 0x00BBGGRR, as the settings keep it
    QTimer FSettleTimer; // a resize is over when no other follows for a moment
    bool FBeingResized = false;
    bool FShown = false;
    bool FDestroyed = false;
    int FTreeWidth;
};

} // namespace tarvix
