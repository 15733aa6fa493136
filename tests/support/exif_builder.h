#pragma once

#include <QByteArray>
#include <QList>
#include <cstdint>

namespace tarvix {

// Builds the TIFF block of an EXIF segment in either byte order, so tests can make any
// arrangement of IFD0, the EXIF and GPS sub-IFDs and IFD1 (the thumbnail's IFD).
struct TiffEntry {
    uint16_t Tag = 0;
    uint16_t Type = 3; // TIFF type: 1 BYTE, 2 ASCII, 3 SHORT, 4 LONG, 5 RATIONAL, 7 UNDEFINED, ...
    QList<uint32_t> Numbers; // for SHORT, LONG, SLONG; RATIONALs as numerator, denominator pairs
    QByteArray Bytes; // for BYTE, ASCII, UNDEFINED
    int32_t CountOverride = -1; // a count other than the natural one, for malformed entries

    static TiffEntry Short(uint16_t tag, uint32_t value) { return { tag, 3, { value }, {}, -1 }; }
    static TiffEntry Long(uint16_t tag, uint32_t value) { return { tag, 4, { value }, {}, -1 }; }
    static TiffEntry Ascii(uint16_t tag, const QByteArray& text) { return { tag, 2, {}, text + '\0', -1 }; }
    static TiffEntry Rational(uint16_t tag, uint32_t num, uint32_t den) { return { tag, 5, { num, den }, {}, -1 }; }
};

struct TiffLayout {
    QList<TiffEntry> Ifd0;
    QList<TiffEntry> Exif; // written when not empty, with its pointer 0x8769 in IFD0
    QList<TiffEntry> Gps; // written when not empty, with its pointer 0x8825 in IFD0
    QList<TiffEntry> Ifd1; // chained after IFD0 when not empty
};

QByteArray BuildTiff(const TiffLayout& layout, bool bigEndian);

// The usual camera layout of a JPEG thumbnail: `layout` with JPEGInterchangeFormat (0x0201, a
// LONG) and JPEGInterchangeFormatLength (0x0202, a LONG or, with shortLength, a SHORT) appended
// to IFD1, and the thumbnail's bytes as the last thing in the block.
QByteArray TiffWithThumbnail(TiffLayout layout, const QByteArray& thumbnail, bool bigEndian, bool shortLength = false);

// The usual camera case: orientation in IFD0 (and optionally in IFD1), a few other tags.
QByteArray CameraTiff(int orientation, bool bigEndian, int ifd1Orientation = 0);

// The values of every SHORT orientation entry with a count of 1 in a file made by these
// builders, in file order, found by their byte pattern (IFD1's included).
QList<int> OrientationEntries(const QByteArray& file, bool bigEndian);

} // namespace tarvix
