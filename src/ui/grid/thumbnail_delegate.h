#pragma once

#include <QAbstractItemDelegate>
#include <QColor>
#include <QIcon>

namespace tarvix {

// Paints one cell from what the model says of it: the background, the light grey of a
// selected cell, the thumbnail centred 5 pixels below the cell's top and the file name on the
// line below it, and a small mark in the thumbnail's top right corner for a picture the camera
// tagged as turned. The thumbnails are made at their final size (in device pixels); painting
// scales only those made for larger cells, until they are remade.
class ThumbnailDelegate : public QAbstractItemDelegate {
    Q_OBJECT

public:
    explicit ThumbnailDelegate(QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    void SetBackground(QColor color) { FBackground = color; }
    QColor Background() const { return FBackground; }
    void SetTextColor(QColor color) { FText = color; }
    QColor TextColor() const { return FText; }
    void SetTaggedMark(const QIcon& mark) { FTaggedMark = mark; }

    static constexpr QRgb SelectedFill = qRgb(180, 180, 180);

private:
    void PaintTaggedMark(QPainter* painter, const QRect& picture) const;

    QColor FBackground = Qt::white;
    QColor FText = Qt::black;
    QIcon FTaggedMark;
};

} // namespace tarvix
