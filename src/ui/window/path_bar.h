#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

class QCheckBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;

namespace tarvix {

class Dialogs;
class TLanguage;

// The row above the grid: the path box, the recent folder, Browse and "Include subfolders";
// and the favourite folders, whose menu hangs under the toolbar's Favorites button. Every way
// to a folder here ends in the window's load.
class PathBar : public QWidget {
    Q_OBJECT

public:
    // What the bar asks of the window.
    struct Host {
        std::function<void(const QString& folder)> Load;
        // Shows `folder` without a new listing of its own: the grid is rebuilt for it.
        std::function<void(const QString& folder)> Rebuild;
        std::function<QString()> CurrentFolder;
        // Runs a handler of a menu item made here, reporting what it raises.
        std::function<void(const std::function<void()>& handler)> Guarded;
    };

    PathBar(Host host, TLanguage& language, Dialogs& questions, QWidget* parent);

    QString Text() const;
    void ShowPath(const QString& folder);
    bool IncludeSubfolders() const;
    void SetIncludeSubfolders(bool include);
    QString RecentFolder() const { return FRecentFolder; }
    void SetRecentFolder(const QString& folder) { FRecentFolder = folder; }
    QStringList Favorites() const { return FMru; }
    void SetFavorites(const QStringList& folders);
    QMenu* FavoritesMenu() const { return pmMru; }
    // A folder opened on purpose: it becomes the recent one.
    void OpenFolder(const QString& folder);
    // The texts screen readers name the controls by, in the language now in use.
    void Retranslate();

    void edPathKeyDown();
    void btnBrowseClick();
    void btnRecentClick();
    void cbSubFoldersClick();
    void AddCurrentFolder();
    void OpenFavorite(int index);

    static QString DefaultFolder();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildFavoritesMenu();
    std::optional<QString> BrowseForFolder(const QString& initialFolder);

    Host FHost;
    TLanguage& FLanguage;
    Dialogs& FQuestions;
    QToolButton* btnRecent;
    QLineEdit* edPath;
    QPushButton* btnBrowse;
    QCheckBox* cbSubFolders;
    QMenu* pmMru;
    QString FRecentFolder;
    QStringList FMru;
};

} // namespace tarvix
