#include "engine/jpeg_stream.h"

#include "base/jpeg_format.h"
#include "engine/jpeg_header.h"

#include <cstring>

namespace tarvix {

namespace {

// From the first byte after a scan header: the offset of the marker that ends the
// entropy-coded data (stuffed zeros, restart markers and fill bytes belong to the data).
qsizetype SkipEntropyCodedData(QByteArrayView d, qsizetype at)
{
    while (at + 1 < d.size()) {
        // Markers are rare in the compressed data; memchr jumps to the next candidate fast.
        const void* ff = std::memchr(d.data() + at, 0xFF, size_t(d.size() - at - 1));
        if (!ff)
            return -1;
        at = static_cast<const char*>(ff) - d.data();
        const uchar next = uchar(d[at + 1]);
        if (next == 0x00 || JpegMarker::IsRestart(next))
            at += 2;
        else if (next == 0xFF)
            ++at;
        else
            return at;
    }
    return -1;
}

} // namespace

JpegStreamLayout ScanJpegStream(QByteArrayView d)
{
    JpegStreamLayout layout;
    if (d.size() < 4 || uchar(d[0]) != 0xFF || uchar(d[1]) != JpegMarker::Soi)
        return layout;
    qsizetype at = 2;
    while (at + 1 < d.size()) {
        if (uchar(d[at]) != 0xFF) { // stray bytes before a marker: the library skips them too
            ++at;
            continue;
        }
        const uchar marker = uchar(d[at + 1]);
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == JpegMarker::Eoi) {
            layout.Complete = true;
            layout.End = at + 2;
            return layout;
        }
        if (JpegMarker::IsStandalone(marker)) {
            at += 2;
            continue;
        }
        if (at + 4 > d.size())
            return layout;
        const qsizetype length = (uchar(d[at + 2]) << 8) | uchar(d[at + 3]);
        if (length < 2 || at + 2 + length > d.size())
            return layout;
        if (IsFrameMarker(marker))
            if (const auto frame = ParseFrameHeader(marker, d.sliced(at + 4, length - 2))) {
                layout.Progressive = frame->Progressive();
                layout.Width = quint16(frame->Width);
                layout.Height = quint16(frame->Height);
            }
        at += 2 + length;
        if (marker == JpegMarker::Sos) {
            at = SkipEntropyCodedData(d, at);
            if (at < 0)
                return layout;
        }
    }
    return layout;
}

} // namespace tarvix
