#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace tarvix {

// The grid's cell: C wide, R = C + 20 high.
struct ThumbnailCell {
    int Width = 0;
    int Height = 0;
    bool operator==(const ThumbnailCell&) const = default;
};

struct ThumbnailOptions {
    bool HighQuality = true; // decode the picture; otherwise its embedded EXIF thumbnail
    bool EnlargeSmall = true; // scale pictures that would fit the cell as they are
    // Device pixels to a pixel of the cell: on a screen scaled to 200 %, the thumbnail is made
    // twice as wide and high as the cell's rules say, and painted at their size.
    qreal PixelRatio = 1.0;
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
    // The picture's EXIF orientation value, read with its head; 0 without one.
    quint16 Orientation = 0;
};

// The size of a picture's thumbnail: ThumbnailTargetSize, at least 1 x 1, when ThumbnailScales,
// otherwise the picture's own.
QSize ThumbnailSize(QSize picture, ThumbnailCell cell, bool enlargeSmall);
// The options' PixelRatio, or 1 where it is out of reason (it may come from an environment
// variable).
qreal ThumbnailPixelRatio(const ThumbnailOptions& options);
// ThumbnailSize in device pixels, as a make with `options` decodes it.
QSize DeviceThumbnailSize(QSize picture, ThumbnailCell cell, const ThumbnailOptions& options);

// The thumbnail of `size` from an image decoded for it (smooth scaling, none when the sizes
// are equal); Unreadable for a null image.
Thumbnail ThumbnailOfDecoded(const QImage& decoded, QSize size);

// The thumbnail of one JPEG file for the cell, with the pixels as stored (the EXIF orientation
// is not applied). Safe to call from any thread at once; never throws.
//
// The size is ThumbnailTargetSize when ThumbnailScales, at least 1 x 1, otherwise the
// picture's own, both from the frame header. Low quality reads only the file's head when the
// embedded thumbnail decodes, and decodes the picture when it does not. A file that ends early
// is Made, its missing part grey; one whose decode would take unreasonable memory (see
// DecodeScaledJpeg) or larger than MaxPictureFileSize is Unreadable.
Thumbnail MakeThumbnailImage(const QString& path, ThumbnailCell cell, ThumbnailOptions options);

// What MakeThumbnailImage decoded on its way, for a cache to keep: the frame's size and the
// image before its final scaling, which is the picture at CoveringDecodeSize of the thumbnail
// unless it came from the embedded thumbnail. Decoded is null when the make decoded nothing.
struct ThumbnailDecode {
    QSize Picture;
    QImage Decoded;
    bool FromEmbedded = false;
    quint16 Orientation = 0;
};
// MakeThumbnailImage, which also hands over what it decoded.
Thumbnail MakeThumbnailKeepingDecode(
    const QString& path, ThumbnailCell cell, ThumbnailOptions options, ThumbnailDecode& decode);

} // namespace tarvix
