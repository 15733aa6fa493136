#pragma once

#include <QImage>
#include <QString>
#include <vector>

namespace tarvix {

// The thumbnails of the folder shown, one entry per file, in the order of the grid's cells.
// Sorted once after a load and not kept sorted: a refreshed or renamed entry keeps its cell.
class ThumbnailStore {
public:
    struct Entry {
        QString Path;
        QImage Image; // null after a refresh found the file gone or unreadable
    };

    int Count() const { return static_cast<int>(FEntries.size()); }
    bool IsEmpty() const { return FEntries.empty(); }
    const Entry& At(int i) const { return FEntries.at(static_cast<size_t>(i)); }
    Entry& At(int i) { return FEntries.at(static_cast<size_t>(i)); }
    // The entry at i, or null when i lies outside the store (an empty cell).
    const Entry* Find(int i) const;

    void Append(const QString& path, QImage image);
    void Clear() { FEntries.clear(); }
    void RemoveAt(int i) { FEntries.erase(FEntries.begin() + i); }

    // By path, as the user reads paths: the locale's collation, letter case aside.
    void Sort();
    // The entry whose path is exactly `path`; -1 when none. Linux names are case-sensitive:
    // IMG_1.jpg and img_1.jpg are two files, and each must find its own cell.
    int IndexOf(const QString& path) const;

private:
    std::vector<Entry> FEntries;
};

// The part of a path after its last '/': what a cell shows under its thumbnail.
QString FileNameOfPath(const QString& path);

} // namespace tarvix
