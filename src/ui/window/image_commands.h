#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <functional>

class QAction;
class QUrl;
class QWidget;

namespace tarvix {

class BusyState;
class Dialogs;
class FolderBrowser;
class TLanguage;
class TStatusBar;
class TThumbnailGrid;
class UndoCommand;

// The commands on the pictures chosen in the grid: turn and mirror, EXIF properties, view,
// rename, delete to the trash, refresh; the chosen file and the selection's paths; and whether
// each of these commands can run now. Each walks the grid's selection cell by cell, as the user
// sees it, row by row from the top.
class ImageCommands : public QObject {
    Q_OBJECT

public:
    // The window's actions these commands enable and the options they read.
    struct Actions {
        QAction* Open;
        QAction* RotateLeft;
        QAction* RotateRight;
        QAction* Rotate180;
        QAction* FlipHor;
        QAction* FlipVer;
        QAction* DisplayExif;
        QAction* Delete;
        QAction* Rename;
        QAction* KeepTimestamp;
        QAction* MakeBackup;
        QAction* DeleteConfirm;
        QAction* Undo;
    };
    struct Context {
        QWidget* Window; // the owner of every question and the EXIF window
        TThumbnailGrid* Grid;
        TStatusBar* Status;
        Dialogs* Questions;
        TLanguage* Language;
        BusyState* Busy;
        FolderBrowser* Folder;
        UndoCommand* Undo; // the steps of the turns, and of the window's corrections
        std::function<void(const QUrl& url)> OpenUrl;
    };

    ImageCommands(Context context, Actions actions, QObject* parent = nullptr);
    ~ImageCommands() override;

    // The file of the chosen cell; empty for an empty cell or a file gone since.
    QString FileName() const { return FFileName; }
    // Makes the cell the chosen one, with the picture's size in the status bar.
    void SelectCell(int column, int row);
    int SelectedIndex() const;
    bool IsImageChosen() const;
    int SelectedCellCount() const;
    // The paths of the selected cells that hold a file of the grid, row by row from the top.
    QStringList SelectedPaths() const;
    // Enables each command that can run now; none while `idle` is false.
    void UpdateEnabled(bool idle);

    void Rotate(QAction* sender);
    void DisplayExif();
    void Open();
    void Rename();
    void Delete();
    void Refresh();
    // Takes back the last turn or correction, to the exact bytes and times of each file that
    // is still as the step left it.
    void Undo();

private:
    // Makes each cell of the selection the chosen one in turn, row by row.
    void ForEachSelectedCell(const std::function<void(int column, int row)>& visit);
    void ShowMissingFileMessage(const QString& path);
    QStringList MoveToTrashWithProgress(const QStringList& files);

    Context FContext;
    Actions FActions;
    QString FFileName;
    QThreadPool FTrashWorker; // moves to the trash, one after the other
};

} // namespace tarvix
