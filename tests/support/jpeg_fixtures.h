#pragma once

#include "engine/transform.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace tarvix {

// JPEG pictures made on the spot with TurboJPEG: any size, sampling (TJSAMP_*) and
// progressive or not. The content is a deterministic pattern with fine detail, so that a
// wrong turn or a lost block shows in the decoded pixels.
QByteArray MakeJpeg(int width, int height, int subsampling, bool progressive = false, int quality = 90);

// Decoded pixels (RGB, 3 bytes each) with the picture's size; empty when it does not decode.
struct Pixels {
    int Width = 0;
    int Height = 0;
    std::vector<unsigned char> Rgb;
};
Pixels DecodeJpeg(const QByteArray& jpeg);

// The segment chain with `segments` placed right after SOI (or after the JFIF APP0 when
// afterApp0 is true).
QByteArray InsertSegments(const QByteArray& jpeg, const QByteArray& segments, bool afterApp0 = false);

// Whole segments: FF marker, big-endian length, payload.
QByteArray Segment(unsigned char marker, const QByteArray& payload);
QByteArray ExifSegment(const QByteArray& tiff); // APP1 "Exif\0\0" + TIFF block
QByteArray XmpSegment(const QByteArray& packet); // APP1 with the XMP namespace header
QByteArray XmpPacketWithOrientation(int value, bool asAttribute = true);

// jpegtran -copy all -trim with the transform of `code` (1 to 5): the reference result.
QByteArray Jpegtran(const QString& input, int code, bool progressive = false);
inline QByteArray Jpegtran(const QString& input, TransformCode code, bool progressive = false)
{
    return Jpegtran(input, LibraryCode(code), progressive);
}

QByteArray ReadBytes(const QString& path);
void WriteBytes(const QString& path, const QByteArray& bytes);

} // namespace tarvix
