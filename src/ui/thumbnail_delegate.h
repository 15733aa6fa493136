#pragma once

#include <QAbstractItemDelegate>
#include <QColor>

namespace tarvix {

class ThumbnailModel;

// Paints one cell: the background, the light grey of a selected cell, the thumbnail centred
// 5 pixels below the cell's top and the file name on the line below it. Painting scales
// nothing: the thumbnails were made at their final size.
class ThumbnailDelegate : public QAbstractItemDelegate {
    Q_OBJECT

public:
    ThumbnailDelegate(const ThumbnailModel& model, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    void SetBackground(QColor color) { FBackground = color; }
    QColor Background() const { return FBackground; }
    void SetTextColor(QColor color) { FText = color; }
    QColor TextColor() const { return FText; }

    static constexpr QRgb SelectedFill = qRgb(180, 180, 180);

private:
    const ThumbnailModel& FModel;
    QColor FBackground = Qt::white;
    QColor FText = Qt::black;
};

} // namespace tarvix
