#pragma once

#include "ui/thumbnails/thumbnail_maker.h"

#include <QPoint>
#include <QRect>
#include <QStringList>
#include <QTableView>
#include <optional>

class QLabel;
class QMimeData;

namespace tarvix {

class ThumbnailDelegate;
class ThumbnailModel;

// The cell of a grid whose client area is `clientWidth` wide: C = (clientWidth - scrollBarWidth
// - 4) div columns, R = C + 20. The scroll bar's width is taken off whether it shows or not,
// so that the cells never make the grid scroll sideways.
ThumbnailCell CellSizeFor(int clientWidth, int scrollBarWidth, int columns);

// The selection rectangle of a grid, in cells (inclusive).
struct CellRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int CellCount() const { return (Bottom - Top + 1) * (Right - Left + 1); }
};

// The thumbnail grid: a table of equal cells, with a rectangle of cells selected by Shift or
// a drag. Qt moves its current index to the far corner of such a selection, so the cell the
// user last chose is announced by CellChosen instead: on a click or an arrow key without
// Shift, before the selection moves there.
//
// A drag that starts on a selected cell gives the selected files to other programs to copy;
// one that starts elsewhere selects a rectangle. An empty grid can show a hint in its middle.
class TThumbnailGrid : public QTableView {
    Q_OBJECT

public:
    // Shows the model's entries; the model outlives the grid or tells it when it goes.
    TThumbnailGrid(ThumbnailModel& model, QWidget* parent);

    ThumbnailModel& Model() const { return *FModel; }
    ThumbnailDelegate& Delegate() const { return *FDelegate; }

    int ColumnCount() const;
    void SetColumnCount(int columns);
    int RowCount() const; // as many as the entries fill, at least one
    ThumbnailCell CellSize() const { return FCell; }
    void SetCellSize(ThumbnailCell cell);
    // The width the cells share: the view's inside, scroll bar included.
    int ClientWidth() const;
    int ScrollBarWidth() const;

    void SetBackgroundColor(QColor color);
    QColor BackgroundColor() const;
    void SetTextColor(QColor color);
    QColor TextColor() const;

    CellRect Selection() const;
    // The paths of the selected cells that hold an entry, row by row from the top.
    QStringList SelectedPaths() const;
    // Moves the current cell there and collapses the selection to it, without announcing it.
    void MakeCurrent(int column, int row);

    // What a drag out of the selection carries: the files' addresses (text/uri-list).
    QMimeData* SelectedFilesData() const;
    // Off while the window works on the files: a drag runs a loop of its own until the drop.
    void SetDragOutEnabled(bool enabled) { FDragOutEnabled = enabled; }
    // A line in the middle of the grid while it has no entries (a real label, which screen
    // readers find); none when empty.
    void SetHint(const QString& text);
    QLabel* Hint() const { return FHint; }

signals:
    void CellChosen(int column, int row);
    // The width the cells share changed: the window was resized, the folder tree shown or
    // hidden, or the splitter moved.
    void ClientWidthChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void PlaceHint();
    void ShowHintWhenEmpty();
    void StartDragOut();

    ThumbnailModel* FModel;
    ThumbnailDelegate* FDelegate;
    ThumbnailCell FCell { 110, 110 };
    int FWheelRemainder = 0;
    int FClientWidth = -1;
    QLabel* FHint;
    bool FDragOutEnabled = true;
    // A press on a selected cell: a drag out, or a click on the cell when the mouse is let go
    // before it moves.
    std::optional<QPoint> FDragFrom;
    QModelIndex FDragCell;
};

} // namespace tarvix
