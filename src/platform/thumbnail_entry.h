#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSize>
#include <QString>
#include <cstdint>
#include <optional>
#include <sys/stat.h>

namespace tarvix {

// What a cached thumbnail was made from: the file as the path led to it, and the quality.
// Replacing the file changes the inode; changing it in place changes its change time, which
// nobody can set back, even when the modification time is restored. So a turned picture can
// never meet the thumbnail of its old pixels.
struct ThumbnailKey {
    QString Path; // absolute
    uint64_t Device = 0;
    uint64_t Inode = 0;
    int64_t Size = 0;
    int64_t ModifiedNs = 0;
    int64_t ChangedNs = 0;
    bool HighQuality = true;

    bool operator==(const ThumbnailKey&) const = default;
};

// The key of the file `st` describes (as stat gives it, links followed) under `absolutePath`.
ThumbnailKey ThumbnailKeyOf(const QString& absolutePath, const struct stat& st, bool highQuality);

// One entry of the private thumbnail cache: the key in full, the picture's size, which the
// size rules go by, and the master as a JPEG stream: the picture as the thumbnail's make
// decoded it, scaled down by the decoder's DCT scaling and by nothing else.
struct ThumbnailEntry {
    ThumbnailKey Key;
    QSize Picture;
    QSize Master; // the size of the JPEG stream, never larger than the picture
    uint16_t Orientation = 0; // the picture's EXIF orientation value, 0 without one
    QByteArrayView Jpeg; // into the bytes that were parsed
};

// The bytes of an entry: a fixed little-endian header, the path, the JPEG stream and a
// checksum of all that, so that a damaged or cut entry never passes for a thumbnail.
QByteArray SerializeThumbnailEntry(const ThumbnailEntry& entry);

// The entry held by `bytes`, or nothing when they are not one whole entry of this format
// with sizes that make sense. Never reads outside `bytes`; the result points into them.
std::optional<ThumbnailEntry> ParseThumbnailEntry(QByteArrayView bytes);

} // namespace tarvix
