#pragma once

#include <cstddef>
#include <cstdint>

// The numbers of the JPEG and EXIF formats that every reader and writer here shares, and the
// bounds that stop hostile files: one place, so that no two readers can disagree on them.

namespace tarvix {

namespace JpegMarker {
constexpr uint8_t Soi = 0xD8; // start of image
constexpr uint8_t Eoi = 0xD9; // end of image
constexpr uint8_t Sos = 0xDA; // start of scan: the compressed data follows
constexpr uint8_t App1 = 0xE1; // EXIF and XMP
constexpr uint8_t Tem = 0x01;
constexpr uint8_t Com = 0xFE;
inline bool IsRestart(int code)
{
    return code >= 0xD0 && code <= 0xD7;
}
// Markers without a length field: TEM and the restart markers.
inline bool IsStandalone(int code)
{
    return code == Tem || IsRestart(code);
}
// APPn and COM: what the transform copies from the original and puts in front of its tables.
inline bool IsMetadata(int code)
{
    return (code >= 0xE0 && code <= 0xEF) || code == Com;
}
} // namespace JpegMarker

namespace ExifTag {
constexpr uint16_t Orientation = 0x0112;
constexpr uint16_t ExifIfd = 0x8769; // pointer to the EXIF sub-IFD
constexpr uint16_t GpsIfd = 0x8825; // pointer to the GPS IFD
constexpr uint16_t InteropIfd = 0xA005; // pointer to the interoperability IFD, in the EXIF IFD
constexpr uint16_t ThumbnailOffset = 0x0201; // JPEGInterchangeFormat, in IFD1
constexpr uint16_t ThumbnailLength = 0x0202; // JPEGInterchangeFormatLength, in IFD1
constexpr uint16_t PixelXDimension = 0xA002;
constexpr uint16_t PixelYDimension = 0xA003;
constexpr uint16_t FNumber = 0x829D;
constexpr uint16_t ShutterSpeed = 0x9201; // APEX
constexpr uint16_t MaxAperture = 0x9205; // APEX
constexpr uint16_t FocalLength = 0x920A;
} // namespace ExifTag

namespace TiffType {
constexpr uint16_t Byte = 1;
constexpr uint16_t Ascii = 2;
constexpr uint16_t Short = 3;
constexpr uint16_t Long = 4;
constexpr uint16_t Rational = 5;
constexpr uint16_t SRational = 10;
} // namespace TiffType

// The bytes of one element of a TIFF type, and the part of it that follows the byte order
// (4 for each half of a RATIONAL); Size 0 for a type nobody here knows.
struct TiffTypeLayout {
    int Size = 0;
    int Unit = 1;
};
constexpr TiffTypeLayout LayoutOfTiffType(uint16_t type)
{
    switch (type) {
    case 1: // BYTE
    case 2: // ASCII
    case 6: // SBYTE
    case 7: // UNDEFINED
        return { 1, 1 };
    case 3: // SHORT
    case 8: // SSHORT
        return { 2, 2 };
    case 4: // LONG
    case 9: // SLONG
    case 11: // FLOAT
    case 13: // IFD
        return { 4, 4 };
    case 5: // RATIONAL
    case 10: // SRATIONAL
        return { 8, 4 };
    case 12: // DOUBLE
        return { 8, 8 };
    default:
        return {};
    }
}

// "Exif\0\0" in front of the TIFF block.
constexpr size_t ExifHeaderSize = 6;
// A segment's length field counts itself: a segment holds at most this many bytes after its marker.
constexpr size_t MaxSegmentLength = 0xFFFF;

namespace WalkBound {
// No real file has this many segments in front of its first scan, or this many stray and
// fill bytes before one marker.
constexpr int Segments = 4096;
constexpr int StrayBytes = 65536;
// A chain without end, or pointers nested deeper than any camera writes, is a broken block.
constexpr int IfdDepth = 16;
// Offsets of a next IFD at or beyond this end the chain, as they always have.
constexpr uint32_t NextIfdOffset = 0xFFFF;
} // namespace WalkBound

} // namespace tarvix
