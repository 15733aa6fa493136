#include "base/jpeg_segments.h"

namespace tarvix {

JpegSegmentWalker::JpegSegmentWalker(ByteSource& source)
    : FSource(source)
{
    const unsigned char* soi = source.Bytes(0, 2);
    FDone = !soi || soi[0] != 0xFF || soi[1] != JpegMarker::Soi;
}

int JpegSegmentWalker::NextMarker(uint64_t& markerAt)
{
    for (int budget = WalkBound::StrayBytes; budget > 0; --budget) {
        const int c = FSource.ByteAt(FPosition++);
        if (c < 0)
            return -1;
        if (c != 0xFF)
            continue;
        const int code = FSource.ByteAt(FPosition);
        if (code < 0)
            return -1;
        if (code == 0xFF)
            continue; // fill byte: the next FF may start the marker
        ++FPosition;
        if (code == 0)
            continue;
        markerAt = FPosition - 2;
        return code;
    }
    return -1;
}

bool JpegSegmentWalker::Next(JpegSegment& segment)
{
    while (!FDone && FSegments++ < WalkBound::Segments) {
        uint64_t markerAt = 0;
        const int code = NextMarker(markerAt);
        if (code < 0 || code == JpegMarker::Soi || code == JpegMarker::Eoi || code == JpegMarker::Sos)
            break;
        if (JpegMarker::IsStandalone(code))
            continue;
        const unsigned char* length = FSource.Bytes(FPosition, 2);
        if (!length || (length[0] << 8 | length[1]) < 2)
            break;
        segment.Marker = uint8_t(code);
        segment.MarkerAt = markerAt;
        segment.DataAt = FPosition + 2;
        segment.DataSize = size_t(length[0] << 8 | length[1]) - 2;
        FPosition = segment.DataAt + segment.DataSize;
        return true;
    }
    FDone = true;
    return false;
}

} // namespace tarvix
