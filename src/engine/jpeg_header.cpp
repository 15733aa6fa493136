#include "engine/jpeg_header.h"

#include "engine/byte_window.h"
#include "platform/read_file.h"

#include <QtEndian>
#include <algorithm>

namespace {

constexpr int MaxComponents = 10; // what the JPEG library accepts
// Bounds for hostile input: no real file has this many segments in front of its first scan,
// or this many stray and fill bytes before one marker.
constexpr int MaxSegments = 4096;
constexpr int MaxStrayBytes = 65536;

constexpr quint8 Soi = 0xD8;
constexpr quint8 Eoi = 0xD9;
constexpr quint8 Sos = 0xDA;
constexpr quint8 App1 = 0xE1;
constexpr quint8 Tem = 0x01;

const QByteArrayView ExifHeader("Exif\0\0", 6);

// The code of the next marker, with `pos` moved past it; -1 when none lies within reach.
// Like the JPEG library, skips stray bytes, fill bytes (runs of 0xFF) and stuffed FF 00 pairs.
int NextMarker(ByteWindow& source, qint64& pos, qint64& markerAt)
{
    for (int budget = MaxStrayBytes; budget > 0; --budget) {
        const int c = source.ByteAt(pos++);
        if (c < 0)
            return -1;
        if (c != 0xFF)
            continue;
        const int code = source.ByteAt(pos);
        if (code < 0)
            return -1;
        if (code == 0xFF)
            continue; // fill byte: the next FF may start the marker
        ++pos;
        if (code == 0)
            continue;
        markerAt = pos - 2;
        return code;
    }
    return -1;
}

bool IsStandalone(int code)
{
    return code == Tem || (code >= 0xD0 && code <= 0xD7); // TEM and the restart markers
}

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

JpegHead ReadJpegHead(ByteWindow& source)
{
    JpegHead head;
    if (source.Read(0, 2) != QByteArrayView("\xFF\xD8", 2))
        return head;
    qint64 pos = 2;
    for (int segment = 0; segment < MaxSegments; ++segment) {
        qint64 markerAt = 0;
        const int code = NextMarker(source, pos, markerAt);
        if (code < 0 || code == Soi || code == Eoi || code == Sos)
            break;
        if (IsStandalone(code))
            continue;

        const QByteArrayView lengthField = source.Read(pos, 2);
        if (lengthField.size() < 2)
            break;
        const qint64 length = qFromBigEndian<quint16>(lengthField.data());
        if (length < 2)
            break;
        const qint64 dataAt = pos + 2;
        const qint64 dataSize = length - 2;

        if (IsFrameMarker(code) && head.FrameOffset < 0) {
            head.FrameOffset = markerAt;
            const QByteArrayView data = source.Read(dataAt, dataSize);
            if (data.size() < dataSize)
                break;
            head.Frame = ParseFrameHeader(quint8(code), data);
            if (!head.Frame)
                break;
        } else if (code == App1 && head.ExifTiff.isEmpty() && dataSize >= ExifHeader.size()
            && source.Read(dataAt, ExifHeader.size()) == ExifHeader) {
            const QByteArrayView data = source.Read(dataAt, dataSize);
            if (data.size() < dataSize)
                break;
            head.ExifTiff = data.sliced(ExifHeader.size()).toByteArray();
        }
        if (head.Frame && !head.ExifTiff.isEmpty())
            break;
        pos = dataAt + dataSize;
    }
    return head;
}

JpegHead ReadJpegHead(QByteArrayView bytes)
{
    MemoryByteStore store(QByteArray::fromRawData(bytes.data(), bytes.size())); // only read: never copied
    ByteWindow window(store, store.Size());
    return ReadJpegHead(window);
}

bool HasEightRowMcu(const QString& fileName)
{
    // The classic probe: the first FF C0 00 11 (a baseline frame header with three
    // components) within the first 32 768 bytes decides, even when it belongs to an EXIF
    // thumbnail in front of the picture. The transform also tests the picture's own block
    // size, so a thumbnail sampled differently cannot hide a crop.
    constexpr qint64 Window = 32768;
    const UniqueFd fd = OpenRegularFile(fileName);
    if (!fd.Valid())
        return false;
    FileByteStore file(fd.Get());
    QByteArray window(Window, '\0');
    if (!file.Read(0, window.data(), std::min(file.Size(), Window)))
        return false;
    const qsizetype at = window.indexOf(QByteArrayView("\xFF\xC0\x00\x11", 4));
    // The sampling factors of the first component lie 11 bytes after the FF.
    return at >= 0 && at + 11 < Window && quint8(window[at + 11]) == 0x21;
}
