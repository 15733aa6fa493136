#pragma once

#include "engine/transform.h"

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace tarvix {

// The segments in front of a turned picture's compressed data, brought in line with its
// pixels before anything is written: the orientation value in every EXIF entry and in XMP,
// PixelXDimension and PixelYDimension, and the embedded thumbnail turned the same way (where
// it is a JPEG at the end of the EXIF block and the segment stays within its 64 KiB).
struct TurnedHead {
    QByteArray Head; // replaces the picture's first HeadSize bytes
    qsizetype HeadSize = 0;
};

// `picture` is the library's output for `code`; `orientation` the value the tags must say
// afterwards, 0 to leave them alone. Nothing when the tags would not read back as
// `orientation` afterwards (a block so broken that writing it would leave pixels and tag at
// odds): the picture must then not be written.
std::optional<TurnedHead> UpdateTurnedMetadata(QByteArrayView picture, TransformCode code, quint16 orientation);

} // namespace tarvix
