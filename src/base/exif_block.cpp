#include "base/exif_block.h"

#include <cstring>
#include <vector>

namespace tarvix {

namespace {

class Walk {
public:
    Walk(const TiffView& tiff, TiffWalk kind, const std::function<void(const IfdEntry&)>& visit)
        : FTiff(tiff)
        , FKind(kind)
        , FVisit(visit)
    {
    }

    void Run()
    {
        uint32_t exifIfd = 0;
        uint32_t gpsIfd = 0;
        const uint32_t ifd0 = FTiff.U32(4);
        Ifd(ifd0, 0, &exifIfd, &gpsIfd);
        Ifd(exifIfd, 1);
        Ifd(gpsIfd, 1);
        if (FKind == TiffWalk::Rewriting)
            for (size_t i = 0; i < FPending.size(); ++i)
                Ifd(FPending[i].Offset, FPending[i].Depth);
    }

private:
    struct Pending {
        uint32_t Offset;
        int Depth;
    };

    void Ifd(uint32_t offset, int depth, uint32_t* exifIfd = nullptr, uint32_t* gpsIfd = nullptr)
    {
        if (offset == 0 || depth > WalkBound::IfdDepth || !FTiff.Fits(offset, 2) || Visited(offset))
            return;
        FVisited.push_back(offset);
        const uint64_t first = uint64_t(offset) + 2;
        uint64_t count = FTiff.U16(offset);
        if (count > (FTiff.Size() - first) / 12)
            count = (FTiff.Size() - first) / 12;
        for (uint64_t i = 0; i < count; ++i) {
            IfdEntry entry;
            const uint64_t at = first + 12 * i;
            entry.Tag = uint16_t(FTiff.U16(at));
            entry.Type = uint16_t(FTiff.U16(at + 2));
            entry.Count = FTiff.U32(at + 4);
            entry.FieldAt = at + 8;
            const TiffTypeLayout layout = LayoutOfTiffType(entry.Type);
            entry.ElementSize = layout.Size;
            entry.Unit = layout.Unit;
            entry.Length = uint64_t(entry.Count) * uint64_t(entry.ElementSize); // at most 2^35
            entry.ValueAt = entry.Length <= 4 ? entry.FieldAt : FTiff.U32(entry.FieldAt);
            entry.ValueFits = entry.ElementSize > 0 && FTiff.Fits(entry.ValueAt, entry.Length);
            if (entry.Tag == ExifTag::ExifIfd && exifIfd && !*exifIfd)
                *exifIfd = FTiff.U32(entry.FieldAt);
            if (entry.Tag == ExifTag::GpsIfd && gpsIfd && !*gpsIfd)
                *gpsIfd = FTiff.U32(entry.FieldAt);
            if (FKind == TiffWalk::Rewriting && entry.Tag == ExifTag::ExifIfd)
                FPending.push_back({ FTiff.U32(entry.FieldAt), depth + 1 });
            FVisit(entry);
        }
        if (FKind == TiffWalk::Rewriting) {
            const uint64_t nextAt = first + 12 * count;
            const uint32_t next = FTiff.Fits(nextAt, 4) ? FTiff.U32(nextAt) : 0;
            if (next > 0 && next < WalkBound::NextIfdOffset)
                FPending.push_back({ next, depth + 1 });
        }
    }

    bool Visited(uint32_t offset) const
    {
        for (const uint32_t v : FVisited)
            if (v == offset)
                return true;
        return false;
    }

    const TiffView& FTiff;
    TiffWalk FKind;
    const std::function<void(const IfdEntry&)>& FVisit;
    std::vector<uint32_t> FVisited;
    std::vector<Pending> FPending;
};

} // namespace

bool IsExifBlock(const unsigned char* payload, size_t size)
{
    return size >= ExifHeaderSize + 8 && std::memcmp(payload, "Exif\0\0", ExifHeaderSize) == 0
        && TiffView(payload + ExifHeaderSize, size - ExifHeaderSize).Valid();
}

bool FindExifBlock(JpegSegmentWalker& walker, ByteSource& source, JpegSegment& block)
{
    while (walker.Next(block)) {
        if (block.Marker != JpegMarker::App1 || block.DataSize < ExifHeaderSize + 8)
            continue;
        const unsigned char* head = source.Bytes(block.DataAt, ExifHeaderSize + 8);
        if (head && IsExifBlock(head, ExifHeaderSize + 8))
            return true;
    }
    return false;
}

TiffView::TiffView(const unsigned char* data, size_t size)
    : FData(data)
    , FSize(size)
{
    if (size < 8)
        return;
    if (data[0] == 'I' && data[1] == 'I')
        FBig = false;
    else if (data[0] == 'M' && data[1] == 'M')
        FBig = true;
    else
        return;
    FValid = U16(2) == 42;
}

uint32_t TiffView::U16(uint64_t at) const
{
    if (!Fits(at, 2))
        return 0;
    const unsigned char* p = FData + at;
    return FBig ? uint32_t(p[0]) << 8 | p[1] : uint32_t(p[1]) << 8 | p[0];
}

uint32_t TiffView::U32(uint64_t at) const
{
    if (!Fits(at, 4))
        return 0;
    return FBig ? U16(at) << 16 | U16(at + 2) : U16(at + 2) << 16 | U16(at);
}

void ForEachTiffEntry(const TiffView& tiff, TiffWalk walk, const std::function<void(const IfdEntry&)>& visit)
{
    if (tiff.Valid())
        Walk(tiff, walk, visit).Run();
}

const unsigned char* FindExifTiff(ByteSource& jpeg, size_t& size)
{
    JpegSegmentWalker walker(jpeg);
    JpegSegment block;
    if (!FindExifBlock(walker, jpeg, block))
        return nullptr;
    const unsigned char* payload = jpeg.Bytes(block.DataAt, block.DataSize);
    if (!payload)
        return nullptr; // the file ends inside the block
    size = block.DataSize - ExifHeaderSize;
    return payload + ExifHeaderSize;
}

} // namespace tarvix
