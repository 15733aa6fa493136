#include "ui/grid/thumbnail_delegate.h"

#include "ui/grid/thumbnail_model.h"
#include "ui/thumbnails/thumbnail_maker.h"

#include <QPainter>

namespace tarvix {

ThumbnailDelegate::ThumbnailDelegate(QObject* parent)
    : QAbstractItemDelegate(parent)
{
}

void ThumbnailDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QRect cell = option.rect;
    // The current cell is drawn like every other selected cell: no focus frame.
    painter->fillRect(cell, option.state & QStyle::State_Selected ? QColor(SelectedFill) : FBackground);

    const QImage image = index.data(Qt::DecorationRole).value<QImage>();
    if (image.isNull())
        return;
    QSize size = image.deviceIndependentSize().toSize();
    // Made for wider cells, and not yet remade (a resize has not settled, or the window does
    // not rebuild on resizes): shrunk to the cell, so that no picture overlaps the next.
    if (size.width() + 10 > cell.width() || size.height() + 25 > cell.height()) {
        size = ThumbnailTargetSize(size, { cell.width(), cell.height() }).expandedTo(QSize(1, 1));
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
    }
    const QRect picture(QPoint(cell.left() + (cell.width() - size.width()) / 2, cell.top() + 5), size);
    painter->drawImage(picture, image);
    if (index.data(ThumbnailModel::TaggedRole).toBool())
        PaintTaggedMark(painter, picture);

    // The line's left edge is 2 pixels inside the cell, its right edge the cell's.
    const QRect line(cell.left() + 2, cell.top() + cell.height() - 20, cell.width() - 2, 15);
    painter->setFont(option.font);
    painter->setPen(FText);
    const QString name = index.data(Qt::DisplayRole).toString();
    painter->drawText(line, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
        option.fontMetrics.elidedText(name, Qt::ElideRight, line.width()));
}

void ThumbnailDelegate::PaintTaggedMark(QPainter* painter, const QRect& picture) const
{
    if (FTaggedMark.isNull())
        return;
    // Small enough to leave the picture readable, on a disc that keeps it apart from any
    // picture beneath.
    const int side = qMin(16, qMin(picture.width(), picture.height()) / 3);
    if (side < 8)
        return;
    const QRect mark(picture.right() - side - 2, picture.top() + 3, side, side);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(255, 255, 255, 220));
    painter->drawEllipse(mark.adjusted(-2, -2, 2, 2));
    painter->restore();
    FTaggedMark.paint(painter, mark);
}

QSize ThumbnailDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return option.rect.size();
}

} // namespace tarvix
