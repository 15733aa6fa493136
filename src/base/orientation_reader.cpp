#include "base/orientation_reader.h"

#include "base/exif_block.h"
#include "base/file_access.h"

namespace tarvix {

namespace {
// Camera files keep their EXIF block within this, so one read usually does.
constexpr size_t HeadSize = 16 * 1024;

// The first 16-bit word of the value as the host holds it (each unit in host order, the host
// being little-endian): for a LONG or a RATIONAL the low half of its first number.
uint16_t FirstWord(const TiffView& tiff, const IfdEntry& entry)
{
    const unsigned char* p = tiff.Data() + entry.ValueAt;
    if (entry.Length == 0)
        return 0;
    if (entry.Length == 1)
        return p[0];
    switch (entry.Unit) {
    case 1:
        return uint16_t(p[0] | p[1] << 8);
    case 2:
        return uint16_t(tiff.U16(entry.ValueAt));
    case 4:
        return uint16_t(tiff.U32(entry.ValueAt));
    default: // 8: the low half of the last two of its eight bytes in big-endian order
        return uint16_t(tiff.BigEndian() ? tiff.U16(entry.ValueAt + 6) : tiff.U16(entry.ValueAt));
    }
}
} // namespace

uint16_t OrientationOfTiff(const unsigned char* data, size_t size)
{
    const TiffView tiff(data, size);
    uint16_t value = 0;
    ForEachTiffEntry(tiff, TiffWalk::Reading, [&](const IfdEntry& entry) {
        if (entry.Tag == ExifTag::Orientation && entry.ValueFits)
            value = FirstWord(tiff, entry);
    });
    return value;
}

uint16_t OrientationOfJpeg(ByteSource& jpeg)
{
    size_t size = 0;
    const unsigned char* tiff = FindExifTiff(jpeg, size);
    return tiff ? OrientationOfTiff(tiff, size) : 0;
}

uint16_t ReadFileOrientation(const char* path)
{
    const UniqueFd fd = OpenRegularFile(path);
    if (!fd.Valid())
        return 0;
    FileByteSource file(fd.Get(), HeadSize);
    return OrientationOfJpeg(file);
}

} // namespace tarvix
