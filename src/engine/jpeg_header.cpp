#include "engine/jpeg_header.h"

#include "base/exif_block.h"
#include "base/jpeg_segments.h"
#include "platform/read_file.h"

#include <QtEndian>
#include <algorithm>

namespace tarvix {

namespace {

constexpr int MaxComponents = 10; // what the JPEG library accepts

} // namespace

int JpegFrameHeader::McuWidth() const
{
    if (Components.size() <= 1)
        return 8;
    return 8 * std::ranges::max(Components, {}, &JpegComponent::H).H;
}

int JpegFrameHeader::McuHeight() const
{
    if (Components.size() <= 1)
        return 8;
    return 8 * std::ranges::max(Components, {}, &JpegComponent::V).V;
}

bool IsFrameMarker(int code)
{
    return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

std::optional<JpegFrameHeader> ParseFrameHeader(quint8 marker, QByteArrayView payload)
{
    if (!IsFrameMarker(marker) || payload.size() < 6)
        return std::nullopt;
    const auto* p = reinterpret_cast<const uchar*>(payload.data());
    JpegFrameHeader frame;
    frame.Marker = marker;
    frame.Precision = p[0];
    frame.Height = qFromBigEndian<quint16>(p + 1);
    frame.Width = qFromBigEndian<quint16>(p + 3);
    const int count = p[5];
    if (frame.Width == 0 || frame.Height == 0 || count < 1 || count > MaxComponents || payload.size() != 6 + 3 * count)
        return std::nullopt;
    for (int i = 0; i < count; ++i) {
        const uchar* c = p + 6 + 3 * i;
        const JpegComponent component { c[0], quint8(c[1] >> 4), quint8(c[1] & 0x0F), c[2] };
        if (component.H < 1 || component.H > 4 || component.V < 1 || component.V > 4)
            return std::nullopt;
        frame.Components.append(component);
    }
    return frame;
}

JpegHead ReadJpegHead(ByteSource& source)
{
    JpegHead head;
    JpegSegmentWalker walker(source);
    JpegSegment segment;
    while (walker.Next(segment)) {
        if (IsFrameMarker(segment.Marker) && head.FrameOffset < 0) {
            head.FrameOffset = qint64(segment.MarkerAt);
            const unsigned char* data = source.Bytes(segment.DataAt, segment.DataSize);
            if (!data)
                break;
            head.Frame = ParseFrameHeader(
                segment.Marker, QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(segment.DataSize)));
            if (!head.Frame)
                break;
        } else if (segment.Marker == JpegMarker::App1 && head.ExifTiff.isEmpty()) {
            const unsigned char* data = source.Bytes(segment.DataAt, segment.DataSize);
            if (!data)
                break;
            if (IsExifBlock(data, segment.DataSize))
                head.ExifTiff = QByteArray(
                    reinterpret_cast<const char*>(data) + ExifHeaderSize, qsizetype(segment.DataSize - ExifHeaderSize));
        }
        if (head.Frame && !head.ExifTiff.isEmpty())
            break;
    }
    return head;
}

JpegHead ReadJpegHead(QByteArrayView bytes)
{
    MemoryByteSource source(bytes.data(), size_t(bytes.size()));
    return ReadJpegHead(source);
}

namespace {
// The classic probe looks no further than this into the file.
constexpr qint64 EightRowProbeWindow = 32768;
} // namespace

bool HasEightRowMcu(QByteArrayView jpeg)
{
    // The classic probe: the first FF C0 00 11 (a baseline frame header with three
    // components) within the first 32 768 bytes decides, even when it belongs to an EXIF
    // thumbnail in front of the picture. The transform also tests the picture's own block
    // size, so a thumbnail sampled differently cannot hide a crop. The window counts as
    // zero-filled beyond the file's end.
    const QByteArrayView window = jpeg.first(std::min<qint64>(jpeg.size(), EightRowProbeWindow));
    const qsizetype at = window.indexOf(QByteArrayView("\xFF\xC0\x00\x11", 4));
    // The sampling factors of the first component lie 11 bytes after the FF.
    return at >= 0 && at + 11 < window.size() && quint8(window[at + 11]) == 0x21;
}

bool HasEightRowMcu(const QString& fileName)
{
    const UniqueFd fd = OpenRegularFile(fileName);
    if (!fd.Valid())
        return false;
    QByteArray window(EightRowProbeWindow, '\0');
    window.resize(qsizetype(ReadAt(fd.Get(), window.data(), size_t(window.size()), 0)));
    return HasEightRowMcu(QByteArrayView(window));
}

} // namespace tarvix
