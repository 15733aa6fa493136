#include "engine/exif_orientation.h"

#include "base/exif_block.h"
#include "base/jpeg_segments.h"
#include "platform/locked_file.h"
#include "platform/safe_write.h"

#include <QList>

namespace tarvix {

namespace {

const QByteArray XmpHeader("http://ns.adobe.com/xap/1.0/\0", 29);

struct Patch {
    qsizetype Position;
    QByteArray Bytes;
};

QByteArray InOrder(quint64 number, int size, bool big)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[big ? size - 1 - i : i] = char((number >> (8 * i)) & 0xFF);
    return bytes;
}

// The value as the entry's first element, so that it reads back as `value` whatever type
// the entry has. A value inside the entry's field fills the field, the rest of it zero; a
// value stored elsewhere keeps its place, and only its first element changes. An entry of
// a type nobody reads, or whose value lies outside the block, gets the classic form in its
// field: the 16-bit value in the block's byte order, then two zero bytes.
void PatchEntry(const TiffView& tiff, const IfdEntry& entry, quint16 value, qsizetype base, QList<Patch>& patches)
{
    const bool big = tiff.BigEndian();
    if (!entry.ValueFits || entry.Length == 0) {
        patches.append({ base + qsizetype(entry.FieldAt), InOrder(value, 2, big) + QByteArray(2, '\0') });
        return;
    }
    QByteArray element;
    if (entry.ElementSize == 1)
        element = entry.Length == 1 ? QByteArray(1, char(value)) : InOrder(value, 2, false);
    else
        element = InOrder(value, entry.Unit, big);
    if (entry.ValueAt == entry.FieldAt)
        element.resize(4, '\0');
    patches.append({ base + qsizetype(entry.ValueAt), element });
}

void PatchTiff(const QByteArray& jpeg, qsizetype tiffAt, qsizetype tiffSize, quint16 value, QList<Patch>& patches)
{
    const TiffView tiff(reinterpret_cast<const unsigned char*>(jpeg.constData()) + tiffAt, size_t(tiffSize));
    ForEachTiffEntry(tiff, TiffWalk::Rewriting, [&](const IfdEntry& entry) {
        if (entry.Tag == ExifTag::Orientation)
            PatchEntry(tiff, entry, value, tiffAt, patches);
    });
}

// Viewers that read XMP before EXIF would otherwise turn the picture a second time. Only a
// single-digit value is replaced, so the segment keeps its length.
void PatchXmp(QByteArrayView p, qsizetype position, quint16 value, QList<Patch>& patches)
{
    if (value > 9)
        return;
    static const QByteArray name("tiff:Orientation");
    for (qsizetype at = p.indexOf(name); at >= 0; at = p.indexOf(name, at + name.size())) {
        qsizetype i = at + name.size();
        auto skipSpace = [&] {
            while (i < p.size() && (p[i] == ' ' || p[i] == '\t' || p[i] == '\r' || p[i] == '\n'))
                ++i;
        };
        char close = 0;
        skipSpace();
        if (i < p.size() && p[i] == '=') { // attribute form: tiff:Orientation="6"
            ++i;
            skipSpace();
            if (i < p.size() && (p[i] == '"' || p[i] == '\''))
                close = p[i++];
        } else if (i < p.size() && p[i] == '>') { // element form: <tiff:Orientation>6</...>
            ++i;
            close = '<';
        }
        if (close && i + 1 < p.size() && p[i] >= '0' && p[i] <= '9' && p[i + 1] == close)
            patches.append({ position + i, QByteArray(1, char('0' + value)) });
    }
}

} // namespace

void ResetExifOrientation(QByteArray& jpeg, quint16 value)
{
    if (value == 0)
        return;
    // Everything is found on the unchanged bytes first: a value written early must not
    // change what a later step of the walk reads.
    QList<Patch> patches;
    MemoryByteSource source(jpeg.constData(), size_t(jpeg.size()));
    JpegSegmentWalker walker(source);
    JpegSegment segment;
    bool exifDone = false;
    while (walker.Next(segment)) {
        if (segment.Marker != JpegMarker::App1)
            continue;
        const unsigned char* data = source.Bytes(segment.DataAt, segment.DataSize);
        if (!data)
            break;
        const QByteArrayView payload(reinterpret_cast<const char*>(data), qsizetype(segment.DataSize));
        if (!exifDone && IsExifBlock(data, segment.DataSize)) {
            exifDone = true;
            PatchTiff(jpeg, qsizetype(segment.DataAt + ExifHeaderSize), qsizetype(segment.DataSize - ExifHeaderSize),
                value, patches);
        } else if (payload.startsWith(XmpHeader)) {
            PatchXmp(payload, qsizetype(segment.DataAt), value, patches);
        }
    }
    for (const Patch& patch : patches)
        if (patch.Position >= 0 && patch.Position + patch.Bytes.size() <= jpeg.size())
            jpeg.replace(patch.Position, patch.Bytes.size(), patch.Bytes);
}

void ResetExifOrientation(const QString& fileName, quint16 value)
{
    if (value == 0)
        return;
    LockedFile file;
    if (file.Open(fileName, MaxPictureFileSize, std::chrono::milliseconds(0)) != LockedFile::Status::Ok)
        return;
    QByteArray bytes = file.Bytes();
    ResetExifOrientation(bytes, value);
    if (bytes == file.Bytes())
        return;
    ReplaceOptions replace;
    replace.Expected = file.Stat();
    ReplaceFileContent(fileName, { QByteArrayView(bytes) }, replace);
}

} // namespace tarvix
