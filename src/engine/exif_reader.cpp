#include "engine/exif_reader.h"

#include "base/exif_block.h"
#include "base/file_access.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <bit>

namespace tarvix {

namespace {

// A block from a JPEG segment is under 64 KiB, so its own entries can never come near these;
// they only stop hostile blocks whose entries all point at the same large value.
constexpr qsizetype MaxItems = 4096;
constexpr qint64 MaxValueBytes = 1 << 20;
// A whole APP1 segment, so that a camera file takes one read.
constexpr size_t HeadSize = 72 * 1024;

class PropertyWalker {
public:
    PropertyWalker(QByteArrayView tiff, bool bigEndian)
        : FTiff(tiff)
        , FSwap(bigEndian != (std::endian::native == std::endian::big))
        , FBig(bigEndian)
    {
    }

    quint32 U16(qint64 at) const
    {
        const uchar* p = reinterpret_cast<const uchar*>(FTiff.data()) + at;
        return FBig ? qFromBigEndian<quint16>(p) : qFromLittleEndian<quint16>(p);
    }
    quint32 U32(qint64 at) const
    {
        const uchar* p = reinterpret_cast<const uchar*>(FTiff.data()) + at;
        return FBig ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p);
    }
    bool Fits(qint64 at, qint64 size) const { return at >= 0 && size >= 0 && at + size <= FTiff.size(); }

    // Reports the entries of the IFD at `offset` that fit in the block, and hands back the
    // first pointer of each kind. False once the item or byte bound is reached.
    bool ReadIfd(quint32 offset, quint32* exifIfd = nullptr, quint32* gpsIfd = nullptr);

    QList<PropertyItem> Items;

private:
    QByteArray Value(qint64 at, qint64 length, int unit) const;

    QByteArrayView FTiff;
    bool FSwap;
    bool FBig;
    QList<quint32> FVisited;
    qint64 FValueBytes = 0;
};

QByteArray PropertyWalker::Value(qint64 at, qint64 length, int unit) const
{
    QByteArray value = FTiff.sliced(at, length).toByteArray();
    if (FSwap && unit > 1)
        for (qsizetype i = 0; i + unit <= value.size(); i += unit)
            std::reverse(value.begin() + i, value.begin() + i + unit);
    return value;
}

bool PropertyWalker::ReadIfd(quint32 offset, quint32* exifIfd, quint32* gpsIfd)
{
    // An IFD already read (a pointer back to IFD0, or both pointers alike) is not read again.
    if (offset == 0 || FVisited.contains(offset) || !Fits(offset, 2))
        return true;
    FVisited.append(offset);
    const qint64 first = qint64(offset) + 2;
    const qint64 count = std::min<qint64>(U16(offset), (FTiff.size() - first) / 12);
    for (qint64 i = 0; i < count; ++i) {
        const qint64 entry = first + 12 * i;
        const quint16 tag = quint16(U16(entry));
        const quint16 type = quint16(U16(entry + 2));
        const qint64 field = entry + 8;
        if (tag == ExifTag::ExifIfd && exifIfd && !*exifIfd)
            *exifIfd = U32(field);
        if (tag == ExifTag::GpsIfd && gpsIfd && !*gpsIfd)
            *gpsIfd = U32(field);

        const TiffTypeLayout layout = LayoutOfTiffType(type);
        const qint64 length = qint64(U32(entry + 4)) * layout.Size; // at most 2^35: no overflow
        if (layout.Size == 0 || length > FTiff.size())
            continue;
        const qint64 at = length <= 4 ? field : qint64(U32(field));
        if (!Fits(at, length))
            continue;
        if (Items.size() >= MaxItems || FValueBytes + length > MaxValueBytes)
            return false;
        FValueBytes += length;
        Items.append({ tag, quint32(length), type, Value(at, length, layout.Unit) });
    }
    return true;
}

} // namespace

QList<PropertyItem> ParsePropertyItems(QByteArrayView tiff)
{
    if (tiff.size() < 8 || (!tiff.startsWith("II") && !tiff.startsWith("MM")))
        return {};
    PropertyWalker walker(tiff, tiff[0] == 'M');
    if (walker.U16(2) != 42)
        return {};
    quint32 exifIfd = 0;
    quint32 gpsIfd = 0;
    if (walker.ReadIfd(walker.U32(4), &exifIfd, &gpsIfd) && walker.ReadIfd(exifIfd))
        walker.ReadIfd(gpsIfd);
    return walker.Items;
}

QList<PropertyItem> ReadFilePropertyItems(const QString& path)
{
    const UniqueFd fd = OpenRegularFile(QFile::encodeName(path).constData());
    if (!fd.Valid())
        return {};
    FileByteSource file(fd.Get(), HeadSize);
    size_t size = 0;
    const unsigned char* tiff = FindExifTiff(file, size);
    return tiff ? ParsePropertyItems(QByteArrayView(tiff, qsizetype(size))) : QList<PropertyItem>();
}

} // namespace tarvix
