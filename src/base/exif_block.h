#pragma once

#include "base/byte_source.h"
#include "base/jpeg_format.h"
#include "base/jpeg_segments.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace tarvix {

// The EXIF block of a file is the first APP1 segment that begins with "Exif\0\0" followed by
// a TIFF header ("II" or "MM" and 42). An APP1 that starts like EXIF but holds no TIFF header
// (some programs leave an empty one in front of the real block) is passed over like an XMP
// packet: it has no properties anyone could read, and the reading, the rewrite and the
// thumbnail turn must all settle on the same block.
bool IsExifBlock(const unsigned char* payload, size_t size);

// Walks to the EXIF block; false when the walk ends before one.
bool FindExifBlock(JpegSegmentWalker& walker, ByteSource& source, JpegSegment& block);

// The TIFF block inside the EXIF block of a JPEG, and its size; nullptr when there is none or
// the source ends inside it. Valid until the source's next read.
const unsigned char* FindExifTiff(ByteSource& jpeg, size_t& size);

// Bounds-checked reads of a TIFF block in its byte order.
class TiffView {
public:
    TiffView(const unsigned char* data, size_t size); // Valid() only with a TIFF header
    bool Valid() const { return FValid; }
    bool BigEndian() const { return FBig; }
    size_t Size() const { return FSize; }
    const unsigned char* Data() const { return FData; }
    bool Fits(uint64_t at, uint64_t length) const { return at <= FSize && length <= FSize - at; }
    // 0 when the bytes lie outside the block.
    uint32_t U16(uint64_t at) const;
    uint32_t U32(uint64_t at) const;

private:
    const unsigned char* FData;
    size_t FSize;
    bool FBig = false;
    bool FValid = false;
};

// One IFD entry as it lies in the block.
struct IfdEntry {
    uint64_t FieldAt = 0; // the 4-byte value-or-offset field
    uint16_t Tag = 0;
    uint16_t Type = 0;
    uint32_t Count = 0;
    int ElementSize = 0; // bytes per element; 0 for a type nobody here knows
    int Unit = 1; // the part of an element that follows the byte order (4 for each half of a RATIONAL)
    uint64_t Length = 0; // Count * ElementSize
    uint64_t ValueAt = 0; // the field itself when the value fits in it, else the offset it holds
    bool ValueFits = false; // a known type whose value lies inside the block
};

// Which IFDs a walk visits.
enum class TiffWalk {
    // What the orientation is read from: IFD0, then the EXIF and GPS IFDs that IFD0 points
    // to, each once, in that order.
    Reading,
    // Every IFD an orientation value could be read from by anyone: those of Reading, every
    // EXIF sub-IFD pointed to from a walked IFD, and the chain after each (IFD1, the
    // thumbnail's). Loops and endless chains end the walk of that branch.
    Rewriting,
};

// Calls `visit` for each entry of the walked IFDs that lies inside the block; an IFD whose
// entry count runs past the block yields the entries that fit.
void ForEachTiffEntry(const TiffView& tiff, TiffWalk walk, const std::function<void(const IfdEntry&)>& visit);

} // namespace tarvix
