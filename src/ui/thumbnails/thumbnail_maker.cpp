#include "ui/thumbnails/thumbnail_maker.h"

#include "base/byte_source.h"
#include "base/orientation_reader.h"
#include "engine/exif_thumbnail.h"
#include "engine/jpeg_header.h"
#include "platform/locked_file.h"
#include "platform/log_categories.h"
#include "platform/read_file.h"
#include "ui/thumbnails/jpeg_decoder.h"

#include <QFile>
#include <cerrno>
#include <cstdint>
#include <exception>
#include <sys/stat.h>

namespace tarvix {

namespace {

// Cameras put the EXIF block, embedded thumbnail and all, into the first 64 KiB; the frame
// header follows it.
constexpr size_t HeadSize = 65536;
// A worker keeps the buffer of the last file read up to this size; a bigger one goes back.
constexpr qsizetype KeptBufferSize = 32 << 20;

// The product of two 32-bit integers as 32-bit arithmetic gives it, wrapping where it would
// overflow (the conversion back is modular since C++20).
int32_t Times32(int32_t a, int32_t b)
{
    return int32_t(uint32_t(a) * uint32_t(b));
}

// The path leads to nothing, links followed; any other failure (a folder on the way that may
// not be searched) is a file we cannot read.
bool NothingAt(const QString& path)
{
    struct stat st { };
    return ::stat(QFile::encodeName(path).constData(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

Thumbnail Unreadable()
{
    return { Thumbnail::Outcome::Unreadable, {} };
}

// The embedded thumbnail at `size`, or a null image when there is none that decodes.
QImage FromEmbeddedThumbnail(const QByteArray& exifTiff, QSize size)
{
    if (exifTiff.isEmpty())
        return {};
    const std::optional<QByteArrayView> embedded = EmbeddedThumbnail(exifTiff);
    return embedded ? DecodeScaledJpeg(*embedded, size) : QImage();
}

Thumbnail Make(const QString& path, ThumbnailCell cell, ThumbnailOptions options, ThumbnailDecode& decode)
{
    const UniqueFd fd = OpenRegularFile(path);
    if (!fd.Valid())
        return NothingAt(path) ? Thumbnail() : Unreadable();
    // The head first: a file that is no picture, or one too big to decode, is turned away
    // before the whole of it is read.
    FileByteSource head(fd.Get(), HeadSize);
    if (head.Size() > uint64_t(MaxPictureFileSize))
        return Unreadable();
    const JpegHead jpegHead = ReadJpegHead(head);
    if (!jpegHead.Frame)
        return Unreadable();
    const QSize picture(jpegHead.Frame->Width, jpegHead.Frame->Height);
    const bool scales = ThumbnailScales(picture, cell, options.EnlargeSmall);
    const QSize size = DeviceThumbnailSize(picture, cell, options);
    const auto tiff = reinterpret_cast<const unsigned char*>(jpegHead.ExifTiff.constData());
    const quint16 orientation = OrientationOfTiff(tiff, size_t(jpegHead.ExifTiff.size()));
    decode.Picture = picture;
    decode.Orientation = orientation;
    const auto made = [&](Thumbnail thumbnail) {
        thumbnail.Orientation = orientation;
        thumbnail.Image.setDevicePixelRatio(ThumbnailPixelRatio(options));
        return thumbnail;
    };

    // A picture that fits the cell is shown as it is, so its embedded thumbnail is of no use.
    if (!options.HighQuality && scales) {
        QImage embedded = FromEmbeddedThumbnail(jpegHead.ExifTiff, size);
        if (!embedded.isNull()) {
            decode = { picture, std::move(embedded), true, orientation };
            return made(ThumbnailOfDecoded(decode.Decoded, size));
        }
    }
    // One buffer per worker, kept from file to file: a fresh one per photo would be a fresh
    // mapping of several megabytes from the system each time.
    thread_local QByteArray bytes;
    const bool read = ReadWholeFile(fd.Get(), MaxPictureFileSize, bytes);
    if (read)
        decode = { picture, DecodeScaledJpeg(bytes, size), false, orientation };
    if (read && decode.Decoded.isNull())
        qCWarning(ThumbnailsLog, "no thumbnail of %s: it did not decode", qUtf8Printable(path));
    if (bytes.capacity() > KeptBufferSize)
        bytes = QByteArray();
    return read ? made(ThumbnailOfDecoded(decode.Decoded, size)) : Unreadable();
}

} // namespace

QSize ThumbnailTargetSize(QSize picture, ThumbnailCell cell)
{
    const int32_t w = picture.width();
    const int32_t h = picture.height();
    if (w <= 0 || h <= 0)
        return {};
    if (w > h)
        return { cell.Width - 10, Times32(h, cell.Width - 16) / w };
    const int32_t rows = cell.Height - 30;
    return { Times32(w, rows) / h, rows };
}

bool ThumbnailScales(QSize picture, ThumbnailCell cell, bool enlargeSmall)
{
    return enlargeSmall || picture.width() + 10 > cell.Width || picture.height() + 10 > cell.Height;
}

QSize ThumbnailSize(QSize picture, ThumbnailCell cell, bool enlargeSmall)
{
    // A picture so flat (or a cell so small) that its thumbnail would have no rows keeps one.
    return ThumbnailScales(picture, cell, enlargeSmall) ? ThumbnailTargetSize(picture, cell).expandedTo(QSize(1, 1))
                                                        : picture;
}

qreal ThumbnailPixelRatio(const ThumbnailOptions& options)
{
    return options.PixelRatio >= 1 && options.PixelRatio <= 8 ? options.PixelRatio : 1.0;
}

QSize DeviceThumbnailSize(QSize picture, ThumbnailCell cell, const ThumbnailOptions& options)
{
    const QSize size = ThumbnailSize(picture, cell, options.EnlargeSmall);
    const qreal ratio = ThumbnailPixelRatio(options);
    return ratio == 1.0 ? size
                        : QSize(qRound(size.width() * ratio), qRound(size.height() * ratio)).expandedTo({ 1, 1 });
}

Thumbnail ThumbnailOfDecoded(const QImage& decoded, QSize size)
{
    if (decoded.isNull())
        return Unreadable();
    QImage image
        = decoded.size() == size ? decoded : decoded.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (image.isNull())
        return Unreadable();
    return { Thumbnail::Outcome::Made, std::move(image) };
}

Thumbnail MakeThumbnailKeepingDecode(
    const QString& path, ThumbnailCell cell, ThumbnailOptions options, ThumbnailDecode& decode)
{
    decode = {};
    try {
        return Make(path, cell, options, decode);
    } catch (const std::exception&) {
        decode = {};
        return Unreadable();
    }
}

Thumbnail MakeThumbnailImage(const QString& path, ThumbnailCell cell, ThumbnailOptions options)
{
    ThumbnailDecode decode;
    return MakeThumbnailKeepingDecode(path, cell, options, decode);
}

} // namespace tarvix
