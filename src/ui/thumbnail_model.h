#pragma once

#include <QAbstractTableModel>

namespace tarvix {

class ThumbnailStore;

// The thumbnail store as a table of a fixed number of columns: entry i lives in column
// i mod columns, row i div columns; cells past the last entry are empty but selectable. The
// row count is set by whoever fills the store, so that cells can be added while a folder loads
// without the table changing its shape under the user.
class ThumbnailModel : public QAbstractTableModel {
    Q_OBJECT

public:
    ThumbnailModel(const ThumbnailStore& store, QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void SetShape(int columns, int rows);
    int Columns() const { return FColumns; }
    int Rows() const { return FRows; }
    // The store index of a cell; it may lie past the store's end (an empty cell).
    int StoreIndex(int column, int row) const { return column + row * FColumns; }
    const ThumbnailStore& Store() const { return FStore; }
    // Tells the views that the cells of these store entries look different now.
    void EntriesChanged(int first, int last);

private:
    const ThumbnailStore& FStore;
    int FColumns = 1;
    int FRows = 1;
};

} // namespace tarvix
