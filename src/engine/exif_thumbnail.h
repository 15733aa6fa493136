#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace tarvix {

// Both functions take the TIFF block of an EXIF segment: the bytes after "Exif\0\0" ("II" or
// "MM", 42, the offset of IFD0). Neither trusts a single offset or count in it.

// The block with its embedded JPEG thumbnail turned or mirrored like the picture, without
// re-encoding (code 1 turns 90 degrees clockwise, 2 by 180 degrees, 3 counter-clockwise,
// 4 flips top and bottom, 5 left and right; edge blocks that cannot move are trimmed, every
// marker is kept, a progressive thumbnail stays progressive). The thumbnail is the one IFD1
// points at through JPEGInterchangeFormat (0x0201) and JPEGInterchangeFormatLength (0x0202),
// and it must be the last thing in the block, as cameras write it: only then can it change
// size without moving anything else. Everything before it is kept byte for byte, except the
// length entry's value, which takes the new length in the entry's own type.
//
// Nothing (std::nullopt) when that cannot be done safely: a broken header, no IFD1 or no
// such entries, a thumbnail that lies outside the block, does not reach its end, overlaps
// any IFD or property value, is no complete JPEG stream, or that the library refuses or
// only turns with a warning; an IFD reached twice; a new length its entry cannot hold; a
// code outside 1 to 5.
std::optional<QByteArray> TurnEmbeddedThumbnail(QByteArrayView tiff, int code);

// The bytes of the embedded thumbnail, a view into `tiff`: what IFD1's JPEGInterchangeFormat
// and JPEGInterchangeFormatLength point at, found as TurnEmbeddedThumbnail finds them, but
// wherever in the block the thumbnail lies. Nothing for a broken header, no IFD1, entries
// that are not single SHORT or LONG values, an IFD reached twice, a length of zero or bytes
// outside the block. Whether the bytes are a JPEG stream is for the decoder to find out.
std::optional<QByteArrayView> EmbeddedThumbnail(QByteArrayView tiff);

// Writes `width` and `height` into PixelXDimension (0xA002) and PixelYDimension (0xA003)
// of the EXIF sub-IFD, in place: only entries of type SHORT or LONG with a count of 1 are
// written, each in its own type and the block's byte order; a SHORT value is left-justified
// with the field's two spare bytes set to zero. An entry of another type or count, a value
// its entry cannot hold, a missing entry or sub-IFD are left as they are. The block's length
// never changes.
void SetPixelDimensions(QByteArray& tiff, int width, int height);

} // namespace tarvix
