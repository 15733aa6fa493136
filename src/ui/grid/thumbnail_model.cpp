#include "ui/grid/thumbnail_model.h"

#include "engine/letter_case.h"
#include "ui/plain_text.h"
#include "ui/thumbnails/jpeg_decoder.h"
#include "ui/thumbnails/jpeg_encoder.h"

#include <algorithm>

namespace tarvix {

namespace {

// Indistinguishable from the original at a thumbnail's size, a tenth of its pixels' bytes.
constexpr int CompressedQuality = 90;
// The decoded thumbnails kept for painting: a few screens of them.
constexpr int DecodedKilobytes = 24 * 1024;

int Kilobytes(const QImage& image)
{
    return qMax(1, static_cast<int>(image.sizeInBytes() / 1024));
}

} // namespace

ThumbnailModel::ThumbnailModel(QObject* parent)
    : QAbstractTableModel(parent)
    , FDecoded(DecodedKilobytes)
{
}

int ThumbnailModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Rows();
}

int ThumbnailModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : FColumns;
}

int ThumbnailModel::Rows() const
{
    return qMax(1, (Count() + FColumns - 1) / FColumns);
}

QVariant ThumbnailModel::data(const QModelIndex& index, int role) const
{
    const int i = EntryAt(index.column(), index.row());
    if (!index.isValid() || i < 0 || i >= Count())
        return {};
    switch (role) {
    // What a screen reader says for the cell, and what the cell shows under its picture.
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return FileNameOfPath(PathAt(i));
    case Qt::ToolTipRole:
        return PlainToolTip(IsTagged(i) ? PathAt(i) + u'\n' + FTaggedText : PathAt(i));
    case Qt::AccessibleDescriptionRole:
        return IsTagged(i) ? QVariant(FTaggedText) : QVariant();
    case Qt::DecorationRole:
        return ImageAt(i);
    case PathRole:
        return PathAt(i);
    case TaggedRole:
        return IsTagged(i);
    default:
        return {};
    }
}

Qt::ItemFlags ThumbnailModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void ThumbnailModel::SetColumns(int columns)
{
    beginResetModel();
    FColumns = qMax(1, columns);
    endResetModel();
}

QModelIndex ThumbnailModel::CellOf(int entry) const
{
    return entry < 0 ? QModelIndex() : index(entry / FColumns, entry % FColumns);
}

ThumbnailModel::Entry ThumbnailModel::At(int i) const
{
    return { PathAt(i), ImageAt(i) };
}

QImage ThumbnailModel::ImageAt(int i) const
{
    const Stored& entry = FEntries.at(static_cast<size_t>(i));
    if (entry.Jpeg.isEmpty())
        return {};
    if (const QImage* decoded = FDecoded.object(entry.Path))
        return *decoded;
    QImage decoded = DecodeJpeg(entry.Jpeg);
    decoded.setDevicePixelRatio(entry.PixelRatio);
    Remember(entry.Path, decoded);
    return decoded;
}

int ThumbnailModel::IndexOf(const QString& path) const
{
    return FIndex.value(path, -1);
}

void ThumbnailModel::Remember(const QString& path, const QImage& image) const
{
    if (image.isNull())
        FDecoded.remove(path);
    else
        FDecoded.insert(path, new QImage(image), Kilobytes(image));
}

QByteArray ThumbnailModel::Compress(const QImage& image)
{
    return image.isNull() ? QByteArray() : EncodeJpeg(image, CompressedQuality);
}

void ThumbnailModel::SetTaggedText(const QString& text)
{
    if (text == FTaggedText)
        return;
    FTaggedText = text;
    EntriesChanged(0, Count() - 1);
}

void ThumbnailModel::Append(const QString& path, const QImage& image, QByteArray jpeg, bool tagged)
{
    if (jpeg.isEmpty())
        jpeg = Compress(image);
    const int i = Count();
    // A new row begins with the first entry of it; the first row is always there.
    const bool newRow = i > 0 && i % FColumns == 0;
    if (newRow)
        beginInsertRows({}, i / FColumns, i / FColumns);
    FEntries.push_back({ path, std::move(jpeg), float(image.devicePixelRatio()), tagged });
    FIndex.insert(path, i);
    Remember(path, image);
    if (newRow)
        endInsertRows();
    else
        EntriesChanged(i, i);
}

void ThumbnailModel::SetImage(int i, const QImage& image, QByteArray jpeg, bool tagged)
{
    if (i < 0 || i >= Count())
        return;
    if (jpeg.isEmpty())
        jpeg = Compress(image);
    Stored& entry = FEntries[static_cast<size_t>(i)];
    entry.Jpeg = std::move(jpeg);
    entry.PixelRatio = float(image.devicePixelRatio());
    entry.Tagged = tagged;
    Remember(entry.Path, image);
    EntriesChanged(i, i);
}

void ThumbnailModel::SetPath(int i, const QString& path)
{
    if (i < 0 || i >= Count())
        return;
    Stored& entry = FEntries[static_cast<size_t>(i)];
    FDecoded.remove(entry.Path);
    FIndex.remove(entry.Path);
    entry.Path = path;
    FIndex.insert(path, i);
    EntriesChanged(i, i);
}

void ThumbnailModel::InsertSorted(QStringList paths)
{
    paths.removeIf([this](const QString& path) { return FIndex.contains(path); });
    paths.removeDuplicates();
    if (paths.isEmpty())
        return;
    SortPaths(paths);
    beginResetModel();
    // One merge of two lists in order: a burst of new files costs one pass over the folder.
    std::vector<Stored> merged;
    merged.reserve(FEntries.size() + size_t(paths.size()));
    auto next = paths.cbegin();
    for (Stored& entry : FEntries) {
        for (; next != paths.cend() && CompareAsUserReadsIgnoringCase(*next, entry.Path) < 0; ++next)
            merged.push_back({ *next, {} });
        merged.push_back(std::move(entry));
    }
    for (; next != paths.cend(); ++next)
        merged.push_back({ *next, {} });
    FEntries = std::move(merged);
    Reindex();
    endResetModel();
}

void ThumbnailModel::Remove(const QSet<QString>& paths)
{
    if (paths.isEmpty())
        return;
    beginResetModel();
    std::erase_if(FEntries, [&](const Stored& entry) { return paths.contains(entry.Path); });
    for (const QString& path : paths)
        FDecoded.remove(path);
    Reindex();
    endResetModel();
}

void ThumbnailModel::Clear()
{
    beginResetModel();
    FEntries.clear();
    FIndex.clear();
    FDecoded.clear();
    endResetModel();
}

void ThumbnailModel::SortPaths(QStringList& paths)
{
    // Stable, so that paths the collation deems equal keep the order of the folder listing.
    std::stable_sort(paths.begin(), paths.end(),
        [](const QString& a, const QString& b) { return CompareAsUserReadsIgnoringCase(a, b) < 0; });
}

void ThumbnailModel::Reindex()
{
    FIndex.clear();
    FIndex.reserve(Count());
    for (int i = 0; i < Count(); ++i)
        FIndex.insert(FEntries[static_cast<size_t>(i)].Path, i);
}

void ThumbnailModel::EntriesChanged(int first, int last)
{
    if (first > last)
        return;
    // Whole rows: the changed cells of a range of entries span them anyway.
    const int top = first / FColumns;
    const int bottom = qMin(last / FColumns, Rows() - 1);
    if (top <= bottom)
        emit dataChanged(index(top, 0), index(bottom, FColumns - 1));
}

QString FileNameOfPath(const QString& path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

} // namespace tarvix
