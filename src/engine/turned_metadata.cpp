#include "engine/turned_metadata.h"

#include "base/exif_block.h"
#include "base/jpeg_segments.h"
#include "base/orientation_reader.h"
#include "engine/exif_orientation.h"
#include "engine/exif_thumbnail.h"
#include "engine/jpeg_header.h"

#include <QtEndian>

namespace tarvix {

namespace {

// Where the metadata segments end: the first segment of another kind (the library writes
// its own tables after the markers it copies).
qsizetype MetadataEnd(QByteArrayView picture)
{
    MemoryByteSource source(picture.data(), size_t(picture.size()));
    JpegSegmentWalker walker(source);
    JpegSegment segment;
    qsizetype end = std::min<qsizetype>(2, picture.size());
    while (walker.Next(segment) && JpegMarker::IsMetadata(segment.Marker))
        end = qsizetype(segment.DataAt + segment.DataSize);
    return end;
}

void UpdateExifBlock(QByteArray& head, TransformCode code, int width, int height)
{
    MemoryByteSource source(head.constData(), size_t(head.size()));
    JpegSegmentWalker walker(source);
    JpegSegment block;
    if (!FindExifBlock(walker, source, block) || block.DataAt + block.DataSize > quint64(head.size()))
        return;
    const qsizetype tiffAt = qsizetype(block.DataAt + ExifHeaderSize);
    const qsizetype tiffSize = qsizetype(block.DataSize - ExifHeaderSize);
    QByteArray tiff = head.mid(tiffAt, tiffSize);
    // The library already sets these where it finds them in the block it copies; written here
    // too, they follow the one EXIF block every reader here settles on.
    SetPixelDimensions(tiff, width, height);
    if (std::optional<QByteArray> turned = TurnEmbeddedThumbnail(tiff, LibraryCode(code)))
        if (2 + qsizetype(ExifHeaderSize) + turned->size() <= qsizetype(MaxSegmentLength))
            tiff = std::move(*turned);
    head.replace(tiffAt, tiffSize, tiff);
    qToBigEndian<quint16>(quint16(2 + ExifHeaderSize + tiff.size()), head.data() + block.DataAt - 2);
}

} // namespace

std::optional<TurnedHead> UpdateTurnedMetadata(QByteArrayView picture, TransformCode code, quint16 orientation)
{
    TurnedHead result;
    result.HeadSize = MetadataEnd(picture);
    result.Head = picture.first(result.HeadSize).toByteArray();
    ResetExifOrientation(result.Head, orientation);
    const JpegHead frame = ReadJpegHead(picture);
    if (frame.Frame)
        UpdateExifBlock(result.Head, code, frame.Frame->Width, frame.Frame->Height);
    if (orientation != 0) {
        MemoryByteSource check(result.Head.constData(), size_t(result.Head.size()));
        if (OrientationOfJpeg(check) != orientation)
            return std::nullopt;
    }
    return result;
}

} // namespace tarvix
