#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

namespace tarvix {

class ByteSource;

struct JpegComponent {
    quint8 Id = 0;
    quint8 H = 1; // horizontal sampling factor, 1..4
    quint8 V = 1; // vertical sampling factor, 1..4
    quint8 QuantTable = 0;
};

// The frame header (SOFn) of a JPEG: what is known of the picture before any pixel is decoded.
// Our own reader, because TurboJPEG's header call refuses some valid files (a 4:1:1 picture
// turned by a quarter, whose luma is sampled 1x4).
struct JpegFrameHeader {
    quint8 Marker = 0; // 0xC0..0xCF except 0xC4 (DHT), 0xC8 (JPG) and 0xCC (DAC)
    int Precision = 0; // bits per sample
    int Width = 0;
    int Height = 0;
    QList<JpegComponent> Components;

    bool Progressive() const { return Marker == 0xC2 || Marker == 0xC6 || Marker == 0xCA || Marker == 0xCE; }
    bool Arithmetic() const { return Marker >= 0xC9; }
    // The block that a lossless transform moves as a whole; partial blocks at the right and
    // bottom edges cannot move and are trimmed. A single component is not interleaved, so its
    // block is always 8x8 whatever its sampling factors say.
    int McuWidth() const;
    int McuHeight() const;
};

bool IsFrameMarker(int code);

// The frame header from the data of an SOFn segment (after its length field); nothing when the
// data is not a frame header the JPEG library would accept: no components, more than it
// handles, a sampling factor outside 1..4, a zero width or height (a height defined later by a
// DNL marker is not supported), or a length that does not fit the component count.
std::optional<JpegFrameHeader> ParseFrameHeader(quint8 marker, QByteArrayView payload);

// What the segments in front of the compressed data tell.
struct JpegHead {
    std::optional<JpegFrameHeader> Frame;
    // Where the first frame marker lies (its 0xFF), also when its header is broken; -1 when the
    // walk met none.
    qint64 FrameOffset = -1;
    QByteArray ExifTiff; // the TIFF block of the EXIF block (IsExifBlock), empty without one
};

// Walks the segments from SOI to the first scan (JpegSegmentWalker). It stops early once it has
// both the frame header and the EXIF block, and at the first inconsistency, keeping what it
// found so far. It only reads marker headers and the two segments it keeps.
JpegHead ReadJpegHead(ByteSource& source);
JpegHead ReadJpegHead(QByteArrayView bytes);

// Whether the MCUs are 8 rows high for the classic crop test: the first FF C0 00 11 (a
// baseline frame header with three components) in the file's first 32 768 bytes has its
// first component sampled 2x1 (byte 0x21). The first such header may be an EXIF thumbnail's.
// Any failure gives false, which is the cautious answer (the height is then tested against 16).
bool HasEightRowMcu(const QString& fileName);
bool HasEightRowMcu(QByteArrayView jpeg); // the same test on a file's bytes

} // namespace tarvix
