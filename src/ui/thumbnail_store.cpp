#include "ui/thumbnail_store.h"

#include "engine/letter_case.h"

#include <algorithm>

namespace tarvix {

const ThumbnailStore::Entry* ThumbnailStore::Find(int i) const
{
    return i >= 0 && i < Count() ? &FEntries[static_cast<size_t>(i)] : nullptr;
}

void ThumbnailStore::Append(const QString& path, QImage image)
{
    FEntries.push_back({ path, std::move(image) });
}

void ThumbnailStore::Sort()
{
    // Stable, so that paths the collation deems equal keep the order of the folder listing.
    std::stable_sort(FEntries.begin(), FEntries.end(),
        [](const Entry& a, const Entry& b) { return CompareAsUserReadsIgnoringCase(a.Path, b.Path) < 0; });
}

int ThumbnailStore::IndexOf(const QString& path) const
{
    for (int i = 0; i < Count(); ++i)
        if (FEntries[static_cast<size_t>(i)].Path == path)
            return i;
    return -1;
}

QString FileNameOfPath(const QString& path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

} // namespace tarvix
