#include "ui/grid/thumbnail_grid.h"

#include "ui/grid/thumbnail_delegate.h"
#include "ui/grid/thumbnail_model.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

namespace tarvix {

ThumbnailCell CellSizeFor(int clientWidth, int scrollBarWidth, int columns)
{
    const int c = (clientWidth - scrollBarWidth - 4) / qMax(1, columns);
    return { c, c + 20 };
}

TThumbnailGrid::TThumbnailGrid(ThumbnailModel& model, QWidget* parent)
    : QTableView(parent)
    , FModel(&model)
    , FDelegate(new ThumbnailDelegate(this))
{
    setModel(FModel);
    setItemDelegate(FDelegate);
    for (QHeaderView* header : { horizontalHeader(), verticalHeader() }) {
        header->hide();
        header->setSectionResizeMode(QHeaderView::Fixed);
        header->setMinimumSectionSize(1);
    }
    setShowGrid(false);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(ContiguousSelection);
    setSelectionBehavior(SelectItems);
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    SetCellSize(FCell);
    SetBackgroundColor(Qt::white);
}

int TThumbnailGrid::ColumnCount() const
{
    return FModel->Columns();
}

void TThumbnailGrid::SetColumnCount(int columns)
{
    FModel->SetColumns(columns);
}

int TThumbnailGrid::RowCount() const
{
    return FModel->Rows();
}

void TThumbnailGrid::SetCellSize(ThumbnailCell cell)
{
    FCell = { qMax(1, cell.Width), qMax(1, cell.Height) };
    horizontalHeader()->setDefaultSectionSize(FCell.Width);
    verticalHeader()->setDefaultSectionSize(FCell.Height);
}

int TThumbnailGrid::ClientWidth() const
{
    return contentsRect().width();
}

int TThumbnailGrid::ScrollBarWidth() const
{
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

void TThumbnailGrid::SetBackgroundColor(QColor color)
{
    FDelegate->SetBackground(color);
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    setPalette(p);
    viewport()->update();
}

QColor TThumbnailGrid::BackgroundColor() const
{
    return FDelegate->Background();
}

void TThumbnailGrid::SetTextColor(QColor color)
{
    FDelegate->SetTextColor(color);
    viewport()->update();
}

QColor TThumbnailGrid::TextColor() const
{
    return FDelegate->TextColor();
}

CellRect TThumbnailGrid::Selection() const
{
    const QItemSelection selection = selectionModel()->selection();
    if (selection.isEmpty()) {
        const QModelIndex current = currentIndex();
        const int column = current.isValid() ? current.column() : 0;
        const int row = current.isValid() ? current.row() : 0;
        return { column, row, column, row };
    }
    CellRect r { selection.first().left(), selection.first().top(), selection.first().right(),
        selection.first().bottom() };
    for (const QItemSelectionRange& range : selection) {
        r.Left = qMin(r.Left, range.left());
        r.Top = qMin(r.Top, range.top());
        r.Right = qMax(r.Right, range.right());
        r.Bottom = qMax(r.Bottom, range.bottom());
    }
    return r;
}

void TThumbnailGrid::MakeCurrent(int column, int row)
{
    const QModelIndex index = FModel->index(row, column);
    if (!index.isValid())
        return;
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    // A later Shift+click spans from here, not from where the mouse last pressed.
    setCurrentIndex(index);
}

void TThumbnailGrid::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    // Below the last row: the grid keeps its selection, as it does for a click on a border.
    if (!index.isValid())
        return;
    const bool extending = event->modifiers() & Qt::ShiftModifier;
    if (event->button() == Qt::RightButton) {
        // The context menu acts on the selection; a click outside it chooses the clicked cell first.
        if (selectionModel()->isSelected(index))
            return;
        emit CellChosen(index.column(), index.row());
        MakeCurrent(index.column(), index.row());
        return;
    }
    if (!extending && event->button() == Qt::LeftButton)
        emit CellChosen(index.column(), index.row());
    QTableView::mousePressEvent(event);
}

QModelIndex TThumbnailGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex next = QTableView::moveCursor(action, modifiers);
    if (next.isValid() && !(modifiers & Qt::ShiftModifier))
        emit CellChosen(next.column(), next.row());
    return next;
}

void TThumbnailGrid::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    if (ClientWidth() == FClientWidth)
        return;
    FClientWidth = ClientWidth();
    emit ClientWidthChanged();
}

void TThumbnailGrid::wheelEvent(QWheelEvent* event)
{
    // One row per notch, whatever the desktop's lines-per-notch; the selection stays.
    FWheelRemainder += event->angleDelta().y();
    const int rows = FWheelRemainder / QWheelEvent::DefaultDeltasPerStep;
    FWheelRemainder -= rows * QWheelEvent::DefaultDeltasPerStep;
    if (rows != 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() - rows);
    event->accept();
}

} // namespace tarvix
