#pragma once

#include <QByteArrayView>
#include <QString>
#include <memory>

namespace tarvix {

// Turns or mirrors the JPEG file at `path` in place without re-encoding it: code 1 turns it
// 90 degrees clockwise, 2 by 180 degrees, 3 counter-clockwise, 4 flips top and bottom,
// 5 left and right. Edge blocks that cannot move with the picture are trimmed. Every
// marker segment is kept, a progressive file stays progressive, and bytes after the
// picture's end (appended videos, camera trailers) are kept after the new end.
// Returns 0 on success and non-zero on failure, when the file is left exactly as it was.
int JpegLosslessTransform(const QString& path, int code);

// A stream the library made, in its own buffer.
class LibraryStream {
public:
    QByteArrayView Bytes() const { return { reinterpret_cast<const char*>(FBuffer.get()), FSize }; }
    bool IsEmpty() const { return FSize == 0; }

private:
    friend LibraryStream LosslessLibraryTransform(QByteArrayView, int, bool, bool);
    std::shared_ptr<unsigned char> FBuffer; // freed by the library
    qsizetype FSize = 0;
};

// The library's lossless transform of `input` with `code` (1 to 5): edge blocks trimmed,
// every marker copied, progressive output for a progressive input. `input` must be a
// complete stream (ScanJpegStream), or the library pads what is missing with grey. A
// warning from the library fails only with `warningsFail`. Empty on failure.
LibraryStream LosslessLibraryTransform(QByteArrayView input, int code, bool progressive, bool warningsFail);

// The same transform of a picture in memory.
class TransformedJpeg {
public:
    // The new stream up to and including its EOI; the trailer of the input follows it.
    QByteArrayView Picture() const { return FPicture.Bytes(); }
    QByteArrayView Trailer() const { return FTrailer; }

private:
    friend int TransformJpegBytes(QByteArrayView input, int code, TransformedJpeg& result);
    LibraryStream FPicture;
    QByteArrayView FTrailer; // a view into the input
};

// 0 on success, when `result` holds the turned picture; non-zero when the input is no
// complete JPEG stream, too large, or the library fails.
int TransformJpegBytes(QByteArrayView input, int code, TransformedJpeg& result);

} // namespace tarvix
