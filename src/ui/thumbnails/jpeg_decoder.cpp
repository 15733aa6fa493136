#include "ui/thumbnails/jpeg_decoder.h"

#include "base/byte_source.h"
#include "base/jpeg_segments.h"
#include "engine/jpeg_header.h"
#include "platform/log_categories.h"
#include "ui/thumbnails/turbojpeg_handle.h"

#include <QtEndian>
#include <algorithm>
#include <exception>
#include <memory>
#include <mutex>

namespace tarvix {

namespace {

// A 12 MP photo decodes at 1/8 to under 0.2 megapixels; only a thumbnail of a forged or
// gigapixel frame needs more than this.
constexpr qint64 MaxDecodedPixels = qint64(1) << 24;
// A frame whose coefficients the library keeps whole (BuffersWholePicture) takes about 200 MB
// of them at this size (4:2:0), whatever the output size.
constexpr qint64 MaxBufferedPixels = qint64(1) << 26;

// The library's scan limit stops a file whose thousands of scans would each run over the
// whole picture. FASTDCT only changes the 8x8 transform of a 1/1 decode, where it gained
// about 3 % on a 12 MP photo (within the noise); the scaled decodes of thumbnails do not use it.
constexpr int DecodeFlags = TJFLAG_LIMITSCANS;

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
// The fourth byte is 0xFF, as Format_RGB32 wants it (BGRX leaves it undefined).
constexpr int RgbPixelFormat = TJPF_BGRA;
#else
constexpr int RgbPixelFormat = TJPF_ARGB;
#endif

// What a CMYK pixel of the last row holds until the library writes it: one exact near-black,
// so unlikely in a decoded picture that finding it counts as not written. RGB pixels need no
// such guess: the library writes them opaque.
constexpr quint32 CmykUnwritten = 0x04030201;

// Whether the library keeps every coefficient of the picture before the first row comes out:
// for a progressive frame, and for a sequential one whose first scan does not hold every
// component (the library then reads the scans one after the other into a whole-picture
// buffer, zeroed up front). Where the first scan's header does not plainly follow the last
// segment, the answer is the cautious one.
bool BuffersWholePicture(QByteArrayView jpeg, const JpegFrameHeader& frame)
{
    if (frame.Progressive())
        return true;
    if (frame.Components.size() == 1)
        return false;
    MemoryByteSource source(jpeg.data(), size_t(jpeg.size()));
    JpegSegmentWalker walker(source);
    JpegSegment segment;
    uint64_t at = 2;
    while (walker.Next(segment))
        at = segment.DataAt + segment.DataSize;
    for (int fill = 0; fill < WalkBound::StrayBytes && source.ByteAt(at) == 0xFF && source.ByteAt(at + 1) == 0xFF;
         ++fill)
        ++at;
    // FF DA, the length, then the number of components in the scan.
    const unsigned char* scan = source.Bytes(at, 5);
    return !scan || scan[0] != 0xFF || scan[1] != JpegMarker::Sos || scan[4] != frame.Components.size();
}

// Adobe's CMYK, as the library hands it over: each channel stored inverted, so that the
// colour is the product of a channel and the black.
void CmykToRgb(QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        uchar* pixel = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x, pixel += 4) {
            const int k = pixel[3];
            const QRgb rgb = qRgb(pixel[0] * k / 255, pixel[1] * k / 255, pixel[2] * k / 255);
            qToUnaligned(rgb, pixel);
        }
    }
}

QImage Decode(QByteArrayView jpeg, QSize cover)
{
    const JpegHead head = ReadJpegHead(jpeg);
    if (!head.Frame)
        return {};
    const JpegFrameHeader& frame = *head.Frame;
    const QSize picture(frame.Width, frame.Height);
    const QSize size = CoveringDecodeSize(picture, cover);
    const bool buffered = BuffersWholePicture(jpeg, frame);
    if (size.isEmpty() || qint64(size.width()) * size.height() > MaxDecodedPixels
        || (buffered && qint64(frame.Width) * frame.Height > MaxBufferedPixels))
        return {};
    // Such a picture holds tens of megabytes of coefficients while it decodes; one at a time
    // keeps a folder load's memory bounded, and they are rare enough that it costs nothing.
    static std::mutex bufferedDecodes;
    std::unique_lock<std::mutex> oneAtATime(bufferedDecodes, std::defer_lock);
    if (buffered)
        oneAtATime.lock();
    const bool cmyk = frame.Components.size() == 4;

    const tjhandle handle = ThreadTurboJpegHandle<tjInitDecompress>();
    if (!handle)
        return {};
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    // The library picks the largest factor whose result fits the size it is given, which is
    // the one the size came from, and writes the rows from the top. So the last row, filled
    // first with what it never writes, shows whether the whole picture came out: the error
    // code cannot, since once the library has warned it reports a fatal error as a warning
    // too (a picture cut short before its first scan would come out blank). A frame of its
    // own that differs from ours shows the same way.
    quint32* const lastRow = reinterpret_cast<quint32*>(image.scanLine(size.height() - 1));
    const quint32 unwritten = cmyk ? CmykUnwritten : 0;
    std::fill_n(lastRow, size.width(), unwritten);
    const int result = tjDecompress2(handle, reinterpret_cast<const unsigned char*>(jpeg.data()),
        static_cast<unsigned long>(jpeg.size()), image.bits(), size.width(), int(image.bytesPerLine()), size.height(),
        cmyk ? TJPF_CMYK : RgbPixelFormat, DecodeFlags);
    // A warning, such as for data that ends early, leaves the rest of the picture grey.
    if ((result != 0 && tjGetErrorCode(handle) != TJERR_WARNING)
        || std::find(lastRow, lastRow + size.width(), unwritten) != lastRow + size.width()) {
        qCWarning(ThumbnailsLog, "a picture did not decode: %s", result != 0 ? tjGetErrorStr2(handle) : "cut short");
        return {};
    }
    if (cmyk)
        CmykToRgb(image);
    return image;
}

} // namespace

QSize CoveringDecodeSize(QSize picture, QSize cover)
{
    if (picture.isEmpty())
        return {};
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    QSize best = picture;
    for (int i = 0; factors && i < count; ++i) {
        const tjscalingfactor f = factors[i];
        if (f.num > f.denom)
            continue;
        const QSize scaled(TJSCALED(picture.width(), f), TJSCALED(picture.height(), f));
        if (scaled.width() >= cover.width() && scaled.height() >= cover.height()
            && qint64(scaled.width()) * scaled.height() < qint64(best.width()) * best.height())
            best = scaled;
    }
    return best;
}

QImage DecodeScaledJpeg(QByteArrayView jpeg, QSize cover)
{
    try {
        return Decode(jpeg, cover);
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace tarvix
