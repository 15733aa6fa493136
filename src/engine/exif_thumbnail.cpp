#include "engine/exif_thumbnail.h"

#include "base/exif_block.h"
#include "base/jpeg_format.h"
#include "engine/jpeg_lossless.h"
#include "engine/jpeg_stream.h"

#include <QList>
#include <QSet>
#include <QtEndian>
#include <algorithm>
#include <memory>

namespace tarvix {

namespace {

// Cameras write five IFDs at most (IFD0, IFD1, EXIF, GPS, interoperability); the bound only
// stops a forged chain.
constexpr int MaxIfds = 32;
// Many times what 64 KiB of JPEG data holds in practice. A forged frame header in a few bytes
// would otherwise have the library set aside gigabytes for coefficients.
constexpr qint64 MaxThumbnailPixels = qint64(1) << 22;

struct Entry {
    qint64 At = 0; // offset of the 12-byte entry in the block
    quint16 Tag = 0;
    quint16 Type = 0;
    quint32 Count = 0;

    qint64 Field() const { return At + 8; }
};

struct Ifd {
    QList<Entry> Entries; // the entries that lie in the block
    qint64 End = 0; // just past the last of the table's bytes that lie in the block
    bool Whole = false; // every entry and the next-IFD offset lie in the block
    quint32 Next = 0;
};

// The block is read through the shared TiffView (bounds-checked, zero outside the block);
// what only the thumbnail rewrite needs sits on top of it.

// The one value of a SHORT or LONG entry with a count of 1.
std::optional<quint32> SingleValue(const TiffView& t, const Entry& e)
{
    if (e.Count != 1)
        return std::nullopt;
    if (e.Type == TiffType::Short)
        return t.U16(e.Field());
    if (e.Type == TiffType::Long)
        return t.U32(e.Field());
    return std::nullopt;
}

Ifd ReadIfd(const TiffView& t, quint32 offset)
{
    Ifd ifd;
    if (!t.Fits(offset, 2))
        return ifd;
    const qint64 first = qint64(offset) + 2;
    const qint64 declared = t.U16(offset);
    const qint64 count = std::min(declared, (qint64(t.Size()) - first) / 12);
    ifd.Entries.reserve(count);
    for (qint64 i = 0; i < count; ++i) {
        const qint64 at = first + 12 * i;
        ifd.Entries.append({ at, quint16(t.U16(at)), quint16(t.U16(at + 2)), t.U32(at + 4) });
    }
    ifd.End = first + 12 * count;
    ifd.Whole = count == declared && t.Fits(ifd.End, 4);
    if (ifd.Whole) {
        ifd.Next = t.U32(ifd.End);
        ifd.End += 4;
    }
    return ifd;
}

// Just past an entry's value when it lies outside the entry and inside the block; 0 otherwise.
qint64 OutOfLineEnd(const TiffView& t, const Entry& e)
{
    const qint64 length = qint64(e.Count) * LayoutOfTiffType(e.Type).Size; // at most 2^35: no overflow
    if (length <= 4)
        return 0;
    const qint64 at = t.U32(e.Field());
    return t.Fits(at, length) ? at + length : 0;
}

TiffView ViewOf(QByteArrayView tiff)
{
    return TiffView(reinterpret_cast<const unsigned char*>(tiff.data()), size_t(tiff.size()));
}

// Writes `value` into the value field of a SHORT or LONG entry with a count of 1, in the
// block's byte order. A SHORT goes left-justified and its two spare bytes become zero, so the
// field holds nothing but the value (no half of an older one that a lax reader might take up).
// False, with nothing written, for any other entry or a value the type cannot hold.
bool WriteSingleValue(QByteArray& tiff, bool big, const Entry& e, qint64 value)
{
    if (e.Count != 1 || e.Field() < 0 || e.Field() + 4 > tiff.size())
        return false;
    uchar field[4] = {};
    if (e.Type == TiffType::Short && value >= 0 && value <= 0xFFFF)
        big ? qToBigEndian(quint16(value), field) : qToLittleEndian(quint16(value), field);
    else if (e.Type == TiffType::Long && value >= 0 && value <= 0xFFFFFFFF)
        big ? qToBigEndian(quint32(value), field) : qToLittleEndian(quint32(value), field);
    else
        return false;
    std::copy_n(field, 4, tiff.data() + e.Field());
    return true;
}

// What the thumbnail rewrite must know of the block's structure.
struct Survey {
    Ifd Ifd1;
    qint64 StructureEnd = 8; // past every IFD table and every value they point at
};

// Walks IFD0, the chain after it and the sub-IFDs. Nothing when IFD0 or IFD1 is missing or
// cut short, or when an IFD is reached twice (a loop, or two pointers alike: either way a
// block we do not rewrite).
std::optional<Survey> SurveyBlock(const TiffView& t)
{
    struct Pending {
        quint32 Offset;
        int ChainIndex; // place in the chain from IFD0; -1 for a sub-IFD
    };
    Survey survey;
    bool haveIfd1 = false;
    QList<Pending> pending = { { t.U32(4), 0 } };
    QSet<quint32> visited;
    int read = 0;
    while (!pending.isEmpty()) {
        const Pending p = pending.takeLast();
        if (visited.contains(p.Offset) || ++read > MaxIfds)
            return std::nullopt;
        visited.insert(p.Offset);
        Ifd ifd = ReadIfd(t, p.Offset);
        if ((p.ChainIndex == 0 || p.ChainIndex == 1) && !ifd.Whole)
            return std::nullopt;
        survey.StructureEnd = std::max(survey.StructureEnd, ifd.End);
        for (const Entry& e : std::as_const(ifd.Entries)) {
            survey.StructureEnd = std::max(survey.StructureEnd, OutOfLineEnd(t, e));
            if (e.Tag == ExifTag::ExifIfd || e.Tag == ExifTag::GpsIfd || e.Tag == ExifTag::InteropIfd)
                if (const quint32 sub = t.U32(e.Field()))
                    pending.append({ sub, -1 });
        }
        // Only IFD0 and IFD1 must be readable; further links that lead outside the block end the chain.
        if (p.ChainIndex >= 0 && ifd.Next != 0 && (p.ChainIndex == 0 || t.Fits(ifd.Next, 2)))
            pending.append({ ifd.Next, p.ChainIndex + 1 });
        if (p.ChainIndex == 1) {
            survey.Ifd1 = std::move(ifd);
            haveIfd1 = true;
        }
    }
    if (!haveIfd1)
        return std::nullopt;
    return survey;
}

const Entry* FindEntry(const Ifd& ifd, quint16 tag)
{
    const auto it
        = std::find_if(ifd.Entries.cbegin(), ifd.Entries.cend(), [tag](const Entry& e) { return e.Tag == tag; });
    return it == ifd.Entries.cend() ? nullptr : &*it;
}

// Where IFD1 says the thumbnail lies, and the structure around it.
struct ThumbnailPlace {
    Survey Structure;
    Entry LengthEntry;
    quint32 Offset = 0;
    quint32 Length = 0;
};

// The one way both the reading and the rewrite find the thumbnail: single SHORT or LONG
// values of both entries in IFD1, and bytes that lie inside the block.
std::optional<ThumbnailPlace> LocateThumbnail(const TiffView& t)
{
    if (!t.Valid())
        return std::nullopt;
    std::optional<Survey> survey = SurveyBlock(t);
    if (!survey)
        return std::nullopt;
    const Entry* offsetEntry = FindEntry(survey->Ifd1, ExifTag::ThumbnailOffset);
    const Entry* lengthEntry = FindEntry(survey->Ifd1, ExifTag::ThumbnailLength);
    if (!offsetEntry || !lengthEntry)
        return std::nullopt;
    const std::optional<quint32> offset = SingleValue(t, *offsetEntry);
    const std::optional<quint32> length = SingleValue(t, *lengthEntry);
    if (!offset || !length || !t.Fits(*offset, *length))
        return std::nullopt;
    const Entry lengthCopy = *lengthEntry; // the survey moves below, and its entries with it
    return ThumbnailPlace { std::move(*survey), lengthCopy, *offset, *length };
}

} // namespace

std::optional<QByteArrayView> EmbeddedThumbnail(QByteArrayView tiff)
{
    const std::optional<ThumbnailPlace> place = LocateThumbnail(ViewOf(tiff));
    if (!place || place->Length == 0)
        return std::nullopt;
    return tiff.sliced(place->Offset, place->Length);
}

std::optional<QByteArray> TurnEmbeddedThumbnail(QByteArrayView tiff, int code)
{
    if (code < 1 || code > 5)
        return std::nullopt;
    const TiffView t = ViewOf(tiff);
    const std::optional<ThumbnailPlace> place = LocateThumbnail(t);
    if (!place)
        return std::nullopt;
    const quint32 offset = place->Offset;
    const quint32 length = place->Length;
    // Only a thumbnail at the very end can change its size without moving anything after it,
    // and only one clear of every table and value is free to be rewritten. Zero bytes after
    // it (writers that keep the block at an even length) are padding and stay at the end.
    if (offset < place->Structure.StructureEnd)
        return std::nullopt;
    const QByteArrayView padding = tiff.sliced(qint64(offset) + length);
    if (std::any_of(padding.begin(), padding.end(), [](char c) { return c != 0; }))
        return std::nullopt;

    const QByteArrayView thumbnail = tiff.sliced(offset, length);
    const JpegStreamLayout layout = ScanJpegStream(thumbnail);
    // A thumbnail cut short would come back padded with grey.
    if (!layout.Complete || layout.Width == 0 || layout.Height == 0
        || qint64(layout.Width) * layout.Height > MaxThumbnailPixels)
        return std::nullopt;

    // A thumbnail that makes the library warn is left as it was: the warning is the only sign
    // of a scan that stops short of an EOI that is there, and a stale thumbnail is better than
    // one part grey.
    const LibraryStream turnedStream = LosslessLibraryTransform(thumbnail, code, layout.Progressive, true);
    if (turnedStream.IsEmpty())
        return std::nullopt;

    // Bytes after the thumbnail's EOI but within its length stay after the new end, as the
    // picture's trailer does.
    const QByteArrayView turned = turnedStream.Bytes();
    const QByteArrayView trailer = thumbnail.sliced(layout.End);
    QByteArray block;
    block.reserve(qsizetype(offset) + turned.size() + trailer.size() + padding.size());
    block.append(tiff.first(offset)).append(turned).append(trailer).append(padding);
    // A length entry that cannot hold the new length would leave a thumbnail no reader finds whole.
    if (!WriteSingleValue(block, t.BigEndian(), place->LengthEntry, qint64(turned.size()) + trailer.size()))
        return std::nullopt;
    return block;
}

void SetPixelDimensions(QByteArray& tiff, int width, int height)
{
    QList<std::pair<Entry, int>> writes;
    {
        const TiffView t = ViewOf(tiff);
        if (!t.Valid())
            return;
        const quint32 ifd0Offset = t.U32(4);
        const Ifd ifd0 = ReadIfd(t, ifd0Offset);
        const Entry* pointer = FindEntry(ifd0, ExifTag::ExifIfd);
        const quint32 exifOffset = pointer ? t.U32(pointer->Field()) : 0;
        // A pointer back to IFD0 would have us write into the picture's own IFD.
        if (exifOffset == 0 || exifOffset == ifd0Offset)
            return;
        const Ifd exif = ReadIfd(t, exifOffset);
        for (const Entry& e : exif.Entries)
            if (e.Tag == ExifTag::PixelXDimension || e.Tag == ExifTag::PixelYDimension)
                writes.append({ e, e.Tag == ExifTag::PixelXDimension ? width : height });
    }
    // The view is gone before the first write: writing may detach the array from its buffer.
    const bool big = tiff.startsWith("MM");
    for (const auto& [entry, value] : std::as_const(writes))
        WriteSingleValue(tiff, big, entry, value);
}

} // namespace tarvix
