#include "ui/grid/thumbnail_grid.h"

#include "ui/grid/thumbnail_delegate.h"
#include "ui/grid/thumbnail_model.h"

#include <QApplication>
#include <QDrag>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <QUrl>
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
    , FHint(new QLabel(viewport()))
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

    FHint->setObjectName("GridHint");
    FHint->setTextFormat(Qt::PlainText);
    FHint->setAlignment(Qt::AlignCenter);
    FHint->setWordWrap(true);
    FHint->hide();
    // The hint goes as soon as a picture comes, and comes back with an empty grid.
    connect(FModel, &QAbstractItemModel::rowsInserted, this, &TThumbnailGrid::ShowHintWhenEmpty);
    connect(FModel, &QAbstractItemModel::dataChanged, this, &TThumbnailGrid::ShowHintWhenEmpty);
    connect(FModel, &QAbstractItemModel::modelReset, this, &TThumbnailGrid::ShowHintWhenEmpty);
}

void TThumbnailGrid::SetHint(const QString& text)
{
    FHint->setText(text);
    ShowHintWhenEmpty();
    PlaceHint();
}

void TThumbnailGrid::ShowHintWhenEmpty()
{
    FHint->setVisible(!FHint->text().isEmpty() && FModel->IsEmpty());
}

void TThumbnailGrid::PlaceHint()
{
    // Over the whole view, so that it stays in the middle whatever the cells' size.
    const int margin = fontMetrics().height();
    FHint->setGeometry(viewport()->rect().adjusted(margin, margin, -margin, -margin));
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
    SetTextColor(TextColor());
}

QColor TThumbnailGrid::BackgroundColor() const
{
    return FDelegate->Background();
}

void TThumbnailGrid::SetTextColor(QColor color)
{
    FDelegate->SetTextColor(color);
    // The hint in the names' colour, halfway to the background: it reads as a hint, not a name,
    // on any colours the user chose.
    const QColor back = BackgroundColor();
    QPalette p = FHint->palette();
    const QColor hint(
        (color.red() + back.red()) / 2, (color.green() + back.green()) / 2, (color.blue() + back.blue()) / 2);
    // Inside the view the label draws with the view's text role.
    for (const QPalette::ColorRole role : { QPalette::WindowText, QPalette::Text })
        p.setColor(role, hint);
    FHint->setPalette(p);
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

QStringList TThumbnailGrid::SelectedPaths() const
{
    QStringList paths;
    const CellRect selection = Selection();
    for (int row = selection.Top; row <= selection.Bottom; ++row)
        for (int column = selection.Left; column <= selection.Right; ++column) {
            const int i = FModel->EntryAt(column, row);
            if (i < FModel->Count())
                paths.append(FModel->PathAt(i));
        }
    return paths;
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
    if (FDragOutEnabled && event->button() == Qt::LeftButton && event->modifiers() == Qt::NoModifier
        && selectionModel()->isSelected(index) && index.data(ThumbnailModel::PathRole).isValid()) {
        FDragFrom = event->position().toPoint();
        FDragCell = index;
        return;
    }
    if (!extending && event->button() == Qt::LeftButton)
        emit CellChosen(index.column(), index.row());
    QTableView::mousePressEvent(event);
}

void TThumbnailGrid::mouseMoveEvent(QMouseEvent* event)
{
    if (!FDragFrom) {
        QTableView::mouseMoveEvent(event);
        return;
    }
    if ((event->position().toPoint() - *FDragFrom).manhattanLength() >= QApplication::startDragDistance()) {
        FDragFrom.reset();
        StartDragOut();
    }
}

void TThumbnailGrid::mouseReleaseEvent(QMouseEvent* event)
{
    if (!FDragFrom) {
        QTableView::mouseReleaseEvent(event);
        return;
    }
    // Let go where it was pressed: a plain click on the cell.
    FDragFrom.reset();
    if (FDragCell.isValid()) {
        emit CellChosen(FDragCell.column(), FDragCell.row());
        MakeCurrent(FDragCell.column(), FDragCell.row());
    }
}

QMimeData* TThumbnailGrid::SelectedFilesData() const
{
    QList<QUrl> urls;
    for (const QString& path : SelectedPaths())
        urls.append(QUrl::fromLocalFile(path));
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

void TThumbnailGrid::StartDragOut()
{
    if (SelectedPaths().isEmpty())
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(SelectedFilesData());
    const QImage picture = FDragCell.data(Qt::DecorationRole).value<QImage>();
    if (!picture.isNull())
        drag->setPixmap(QPixmap::fromImage(picture.scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    // Copied, never moved: a file the receiver moved away would leave a cell without a file.
    drag->exec(Qt::CopyAction, Qt::CopyAction);
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
    PlaceHint();
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
