#pragma once

#include "engine/transform.h"
#include "ui/thumbnail_maker.h"
#include "ui/thumbnail_store.h"

#include <QMainWindow>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QActionGroup;
class QCheckBox;
class QFileSystemModel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSplitter;
class QToolBar;
class QToolButton;
class QTreeView;
class QUrl;

namespace tarvix {

class Dialogs;
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
//   main_window_navigation.cpp  path box, folder tree, browse, recent folder, favourites
//   main_window_options.cpp     the options menu and the language menu
//   main_window_resize.cpp      rebuilding after the window's size changed
//   main_window_auto.cpp        the toolbar's automatic correction
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
    QWidget* Panel1;
    QToolButton* btnRecent;
    QLineEdit* edPath;
    QPushButton* btnBrowse;
    QCheckBox* cbSubFolders;
    QSplitter* ShellSplitter;
    QTreeView* ShellTree;
    QFileSystemModel* ShellTreeModel;
    TThumbnailGrid* DrawGrid;
    TStatusBar* StatusBar;
    QMenu* PopupMenu;
    QMenu* pmFlip;
    QMenu* pmOptions;
    QMenu* pmMru;

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
    QString RecentFolder;
    bool MakingThumbNails = false;
    QStringList Languages;
    ThumbnailStore Images;
    QStringList Mru;
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

    // --- main_window_settings.cpp
    void LoadSettings();
    void SaveSettings();

    // --- main_window_folders.cpp
    void LoadFolder(const QString& folder);
    std::optional<QImage> MakeThumbnail(const QString& path);
    void RefreshThumbnail(const QString& path);
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
    void ShowMissingFileMessage(const QString& path);
    void ActionRotate(QAction* sender);
    void ActionDisplayExifExecute();
    void ActionOpenExecute();
    void ActionRenameExecute();
    void ActionDeleteExecute();
    void pmiRefreshClick();

    // --- main_window_navigation.cpp
    void OpenFolder(const QString& folder);
    static QString DefaultFolder();
    std::optional<QString> BrowseForFolder(const QString& initialFolder);
    void BuildFavoritesMenu();
    void AddCurrentFolder();
    void OpenFavorite(int index);
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
    bool eventFilter(QObject* watched, QEvent* event) override;
    // main_window_resize.cpp
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // main_window_layout.cpp
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreatePathBar();
    void CreateBrowser();
    QToolButton* AddToolButton(const QString& name);
    // main_window.cpp
    void ConnectActions();
    void RegisterTranslationKeys();
    // main_window_folders.cpp
    void BringProgressWindowToFront();
    // main_window_resize.cpp
    void SizeMoveSettled();
    void ResizeRulesStateChange(Qt::WindowStates previous);

    TFormTarvixServices FServices;
    std::unique_ptr<Dialogs> FOwnQuestions;
    Dialogs* FQuestions;
    QThreadPool FThumbnailPool;
    // The default maker's cache; its size limit is a setting. Shared with the makes in flight.
    std::shared_ptr<PrivateThumbnailCache> FThumbnailCache;
    QTimer FSettleTimer; // a resize is over when no other follows for a moment
    QSize FSettledSize; // the size at the end of the last resize
    bool FStateChanged = false; // maximised or restored since then
    bool FShown = false;
    bool FCorrecting = false; // the automatic correction runs
    bool FCloseRequested = false; // closed while a loop ran: close when it ends
    bool FDestroyed = false;
    int FTreeWidth;
};

} // namespace tarvix
