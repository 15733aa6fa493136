#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace tarvix {

// The grid's cell: C wide, R = C + 20 high.
struct ThumbnailCell {
    int Width = 0;
    int Height = 0;
};

struct ThumbnailOptions {
    bool HighQuality = true; // decode the picture; otherwise its embedded EXIF thumbnail
    bool EnlargeSmall = true; // scale pictures that would fit the cell as they are
};

// The size a picture of `picture` pixels is scaled to: a landscape picture (wider than tall)
// C - 10 wide and h * (C - 16) / w high, any other R - 30 high and w * (R - 30) / h wide, in
// 32-bit integers with truncating divisions. An empty picture gives an empty size.
QSize ThumbnailTargetSize(QSize picture, ThumbnailCell cell);

// Whether the picture is scaled to ThumbnailTargetSize: always with `enlargeSmall`, otherwise
// only when it does not fit the cell with 10 pixels to spare (w + 10 > C or h + 10 > R).
bool ThumbnailScales(QSize picture, ThumbnailCell cell, bool enlargeSmall);

struct Thumbnail {
    enum class Outcome {
        Missing, // no file at the path: no thumbnail and no warning
        Unreadable, // not a picture the decoder can read: the warning, no thumbnail
        Made,
    };
    Outcome Result = Outcome::Missing;
    QImage Image; // Made only: the final size, never scaled again when painted
};

// The thumbnail of one JPEG file for the cell, with the pixels as stored (the EXIF orientation
// is not applied). Safe to call from any thread at once; never throws.
//
// The size is ThumbnailTargetSize when ThumbnailScales, at least 1 x 1, otherwise the
// picture's own, both from the frame header. Low quality reads only the file's head when the
// embedded thumbnail decodes, and decodes the picture when it does not. A file that ends early
// is Made, its missing part grey; one whose decode would take unreasonable memory (see
// DecodeScaledJpeg) or larger than MaxPictureFileSize is Unreadable.
Thumbnail MakeThumbnailImage(const QString& path, ThumbnailCell cell, ThumbnailOptions options);

} // namespace tarvix
