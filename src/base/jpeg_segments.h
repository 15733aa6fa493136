#pragma once

#include "base/byte_source.h"
#include "base/jpeg_format.h"

#include <cstddef>
#include <cstdint>

namespace tarvix {

// One marker segment in front of the compressed data.
struct JpegSegment {
    uint8_t Marker = 0;
    uint64_t MarkerAt = 0; // where its 0xFF lies
    uint64_t DataAt = 0; // the first byte after the length field
    size_t DataSize = 0; // the length field less its own two bytes
};

// Walks the segments from SOI up to the first scan the way the JPEG library reads them:
// stray bytes before a marker, fill bytes (runs of 0xFF) and stuffed FF 00 pairs are passed
// over, markers without a length (TEM, RSTn) too. Every reader of the file's head walks
// through here, so that they all agree on which segment is which.
class JpegSegmentWalker {
public:
    explicit JpegSegmentWalker(ByteSource& source);
    // The next segment; false at the scan, the end of image, a second SOI, the end of the
    // data, a broken length or after the bounds for hostile input. Its data is not read.
    bool Next(JpegSegment& segment);

private:
    int NextMarker(uint64_t& markerAt);

    ByteSource& FSource;
    uint64_t FPosition = 2;
    int FSegments = 0;
    bool FDone = false;
};

} // namespace tarvix
