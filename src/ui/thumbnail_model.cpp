#include "ui/thumbnail_model.h"

#include "ui/plain_text.h"
#include "ui/thumbnail_store.h"

namespace tarvix {

ThumbnailModel::ThumbnailModel(const ThumbnailStore& store, QObject* parent)
    : QAbstractTableModel(parent)
    , FStore(store)
{
}

int ThumbnailModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : FRows;
}

int ThumbnailModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : FColumns;
}

QVariant ThumbnailModel::data(const QModelIndex& index, int role) const
{
    const ThumbnailStore::Entry* entry = FStore.Find(StoreIndex(index.column(), index.row()));
    if (!entry)
        return {};
    switch (role) {
    // What a screen reader says for the cell, and what the cell shows under its picture.
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return FileNameOfPath(entry->Path);
    case Qt::ToolTipRole:
        return PlainToolTip(entry->Path);
    default:
        return {};
    }
}

Qt::ItemFlags ThumbnailModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void ThumbnailModel::SetShape(int columns, int rows)
{
    beginResetModel();
    FColumns = qMax(1, columns);
    FRows = qMax(1, rows);
    endResetModel();
}

void ThumbnailModel::EntriesChanged(int first, int last)
{
    if (first > last)
        return;
    // Whole rows: the changed cells of a range of entries span them anyway.
    const int top = first / FColumns;
    const int bottom = qMin(last / FColumns, FRows - 1);
    if (top <= bottom)
        emit dataChanged(index(top, 0), index(bottom, FColumns - 1));
}

} // namespace tarvix
