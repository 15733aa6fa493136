#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QCache>
#include <QHash>
#include <QImage>
#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

namespace tarvix {

// The thumbnails of the folder shown, and the grid's table of them: entry i lives in column
// i mod columns, row i div columns, and this is the only place that knows it. Cells past the
// last entry are empty but selectable; there is always at least one row.
//
// The entries keep their thumbnails compressed (JPEG, full colour resolution): a folder of
// 50,000 photos holds about 6 KB a picture instead of 70. Only those painted lately are kept
// decoded, in a small cache. A path finds its entry exactly (names differ in letter case on
// Linux) and at once.
//
// Filled in sorted order and not kept sorted: a refreshed or renamed entry keeps its cell.
class ThumbnailModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // What a cell holds besides its name and tool tip: the entry's full path.
    static constexpr int PathRole = Qt::UserRole;
    // Whether the camera tagged the picture as turned (orientation 3, 6 or 8): the ones
    // "Automatic" would turn upright.
    static constexpr int TaggedRole = Qt::UserRole + 1;

    // One entry as the window's commands see it: the picture decoded (null when there is none).
    struct Entry {
        QString Path;
        QImage Image;
    };

    explicit ThumbnailModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // Display and AccessibleText: the file's name; ToolTip: its path, as text, and the tagged
    // text for a tagged picture, which is its AccessibleDescription too; Decoration: the
    // thumbnail as a QImage at the pixel ratio it was made for; PathRole; TaggedRole.
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // --- the table
    void SetColumns(int columns);
    int Columns() const { return FColumns; }
    int Rows() const;
    // The entry of a cell; it may lie past the last entry (an empty cell).
    int EntryAt(int column, int row) const { return column + row * FColumns; }
    QModelIndex CellOf(int entry) const;

    // --- the entries
    int Count() const { return static_cast<int>(FEntries.size()); }
    bool IsEmpty() const { return FEntries.empty(); }
    Entry At(int i) const;
    const QString& PathAt(int i) const { return FEntries.at(static_cast<size_t>(i)).Path; }
    bool HasImage(int i) const { return !FEntries.at(static_cast<size_t>(i)).Jpeg.isEmpty(); }
    // The decoded thumbnail, from the cache or decoded now; null when there is none.
    QImage ImageAt(int i) const;
    // The entry whose path is exactly `path`; -1 when none.
    int IndexOf(const QString& path) const;

    // Adds an entry after the last; `jpeg` is `image` compressed by Compress, where the
    // caller made it already (on a worker), otherwise it is made here. `tagged`: see
    // TaggedRole.
    void Append(const QString& path, const QImage& image, QByteArray jpeg = {}, bool tagged = false);
    void SetImage(int i, const QImage& image, QByteArray jpeg = {}, bool tagged = false);
    bool IsTagged(int i) const { return FEntries.at(static_cast<size_t>(i)).Tagged; }
    // What a tagged picture's tool tip and accessible description say, in the user's language.
    void SetTaggedText(const QString& text);
    void SetPath(int i, const QString& path);
    // New entries without a picture yet, each before the first entry that sorts after it (as
    // SortPaths sorts), as one reset of the table. Paths it has already are left out.
    void InsertSorted(QStringList paths);
    // The entries of these paths, the others moving up to close the gaps.
    void Remove(const QSet<QString>& paths);
    void Clear();
    // The grid's order of paths, as the user reads them: the locale's collation, letter case
    // aside. A load sorts its list before it adds the entries, so that its first screen of
    // thumbnails is final at once.
    static void SortPaths(QStringList& paths);

    // A thumbnail as the entries keep it. Safe on any thread.
    static QByteArray Compress(const QImage& image);

private:
    struct Stored {
        QString Path;
        QByteArray Jpeg; // empty: no picture (unreadable, or gone at a refresh)
        float PixelRatio = 1; // of the image compressed, which JPEG does not keep
        bool Tagged = false;
    };

    void EntriesChanged(int first, int last);
    void Reindex();
    void Remember(const QString& path, const QImage& image) const;

    std::vector<Stored> FEntries;
    QHash<QString, int> FIndex;
    mutable QCache<QString, QImage> FDecoded; // by path, cost in kilobytes
    int FColumns = 5;
    QString FTaggedText;
};

// The part of a path after its last '/': what a cell shows under its thumbnail.
QString FileNameOfPath(const QString& path);

} // namespace tarvix
