#pragma once

#include "engine/dialogs.h"
#include "engine/transform.h"
#include "ui/grid/thumbnail_model.h"
#include "ui/thumbnails/thumbnail_maker.h"

#include <QMainWindow>
#include <QSet>
#include <QStringList>
#include <QThreadPool>
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

class DelayedProgress;
class PathBar;
class PrivateThumbnailCache;
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
// status bar. One class, implemented in one file per concern:
//   main_window.cpp             life cycle, the wiring of every signal, the error report
//   main_window_layout.cpp      the widgets, actions and menus
//   main_window_settings.cpp    the settings load and SaveSettings
//   main_window_folders.cpp     folder loading and the thumbnail store
//   main_window_grid.cpp        the grid's geometry, selection and status text
//   main_window_commands.cpp    the image commands: turn, EXIF, view, rename, delete, refresh
//   main_window_navigation.cpp  the folder tree, and the path bar's handlers
//   main_window_options.cpp     the options menu and the language menu
//   main_window_resize.cpp      rebuilding after the window's size changed
//   main_window_auto.cpp        the toolbar's automatic correction
// and collaborators with state of their own:
//   path_bar.cpp                path box, recent folder, browse, subfolders, favourites
// The objectName of every component is its name here: the language files address them by it.
class TFormTarvix : public QMainWindow {
    Q_OBJECT

public:
    explicit TFormTarvix(TFormTarvixServices services = {}, QWidget* parent = nullptr);
    ~TFormTarvix() override;

    // --- components
    QToolBar* ToolBar;
    QToolButton* tbFavorites;
    QToolButton* tbAuto;
    QToolButton* tbViewImage;
    QToolButton* tbRotateLeft;
    QToolButton* tbRotateRight;
    QToolButton* tbRotate180;
    QToolButton* ToolButton2;
    QToolButton* tbExif;
    QToolButton* tbOptions;
    QSplitter* ShellSplitter;
    QTreeView* ShellTree;
    QFileSystemModel* ShellTreeModel;
    TThumbnailGrid* DrawGrid;
    TStatusBar* StatusBar;
    QMenu* PopupMenu;
    QMenu* pmFlip;
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
    QActionGroup* QualityGroup;
    QActionGroup* LanguageGroup;

    // --- state
    QRgb FForeColor = 0; // 0x00BBGGRR, as the settings keep it
    bool FMinimised = false;
    bool MakingThumbNails = false;
    QStringList Languages;
    ThumbnailModel Images; // the grid's model: it owns the thumbnails
    QString CurrentFolder;
    QString FileName;
    bool FBeingResized = false;
    TLanguage* Language;

    // --- main_window.cpp
    void FormShow();
    void FormDestroy();
    void ApplyTreeVisibility();
    // Runs a handler; an error it raises is shown in an error box and the program goes on.
    void Guarded(const std::function<void()>& handler);
    Dialogs& Questions() const { return *FQuestions; }
    // Whether each command can run now; decided when the window has nothing else to do.
    void UpdateActions();

    // The one long job the window runs, if any. While it runs, the image and folder commands
    // are disabled and refuse to start, and a close or a rebuild for a new size waits for
    // its end (a close then happens by itself).
    enum class Job { None, Loading, Correcting, Turning, Deleting };
    Job Busy() const { return FJob; }

    // --- main_window_settings.cpp
    void LoadSettings();
    void SaveSettings();

    // --- main_window_folders.cpp
    void LoadFolder(const QString& folder);
    // Remakes the thumbnail of a file of the grid on a worker and shows it when it is made;
    // requests for one file that come together make it once.
    void RefreshThumbnail(const QString& path);
    // Whether a remade thumbnail is still to come.
    bool RefreshPending() const { return !FRefreshWanted.isEmpty() || !FRefreshing.isEmpty(); }
    void ClearThumbnails();
    QString FileCountText() const;

    // --- main_window_grid.cpp
    void RebuildThumbnails();
    void DrawGridSelectCell(int column, int row);
    int SelectedIndex() const;
    bool IsImageChosen() const;
    int SelectedCellCount() const;
    void DrawGridDblClick();

    // --- main_window_commands.cpp
    // Makes each cell of the selection the chosen one in turn (FileName), row by row.
    void ForEachSelectedCell(const std::function<void(int column, int row)>& visit);
    // The paths of the selected cells that hold a file of the grid, row by row from the top.
    QStringList SelectedPaths() const;
    void ShowMissingFileMessage(const QString& path);
    void ActionRotate(QAction* sender);
    void ActionDisplayExifExecute();
    void ActionOpenExecute();
    void ActionRenameExecute();
    void ActionDeleteExecute();
    void pmiRefreshClick();

    // --- main_window_navigation.cpp
    void ShowFolderInTree(const QString& folder);
    void edPathKeyDown();
    void ShellTreeClick();
    void btnBrowseClick();
    void btnRecentClick();
    void cbSubFoldersClick();

    // --- main_window_options.cpp
    void BuildLanguageMenu();
    void ApplyStoredLanguage(const QString& stored);
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
    // main_window_resize.cpp
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    class JobScope;
    // True, with the running job's progress window brought to the front, while a job runs.
    bool RefuseWhileBusy();
    // main_window_layout.cpp
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreatePathBar();
    PathBar* FPathBar;
    void CreateBrowser();
    QToolButton* AddToolButton(const QString& name);
    // main_window.cpp
    void ConnectActions();
    void RegisterTranslationKeys();
    // main_window_folders.cpp
    void BringProgressWindowToFront();
    // Runs a search for files on a thread of its own, showing `progress` when it takes a
    // while; nothing when the user cancelled or closed the window meanwhile.
    std::optional<QStringList> RunSearch(
        const std::function<QStringList(const std::atomic_bool& stop)>& search, DelayedProgress& progress);
    QStringList ListFolderCancellably(const QString& folder, bool recursive, DelayedProgress& progress);
    // main_window_settings.cpp
    void SaveSettingsInOneGo();
    // main_window_folders.cpp
    void ScheduleRefreshes();
    void StartRefreshes();
    // main_window_commands.cpp
    QStringList MoveToTrashWithProgress(const QStringList& files);
    // main_window_resize.cpp
    void GridWidthChanged();
    void SizeMoveSettled();
    void ResizeRulesStateChange(Qt::WindowStates previous);

    TFormTarvixServices FServices;
    std::unique_ptr<Dialogs> FOwnQuestions;
    Dialogs* FQuestions;
    QThreadPool FThumbnailPool;
    QThreadPool FRefreshPool; // thumbnails remade after a change, at a low priority
    // The default maker's cache; its size limit is a setting. Shared with the makes in flight.
    std::shared_ptr<PrivateThumbnailCache> FThumbnailCache;
    QTimer FSettleTimer; // a resize is over when no other follows for a moment
    ThumbnailCell FThumbnailsCell; // the cell the thumbnails shown were made for
    bool FShown = false;
    Job FJob = Job::None;
    bool FCloseRequested = false; // closed while a job ran: close when it ends
    QSet<QString> FRefreshWanted; // thumbnails to remake, not yet handed to a worker
    QSet<QString> FRefreshing; // thumbnails being remade
    bool FRefreshScheduled = false;
    bool FDestroyed = false;
    int FTreeWidth;
};

} // namespace tarvix
