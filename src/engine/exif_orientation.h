#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace tarvix {

// Writes `value` into every EXIF orientation entry that a reader of the picture could find
// (IFD0, the EXIF and GPS IFDs, the thumbnail's IFD1 and the chain after it), each in its
// own type so that it reads back as `value`, and into the XMP tiff:Orientation value. Only
// the EXIF block (see IsExifBlock) and XMP packets are touched, the length never changes,
// and nothing is reported: a broken structure just ends the rewrite. A value of 0 does
// nothing.
void ResetExifOrientation(QByteArray& jpeg, quint16 value);

// The same for a file on its own, outside a transform: read whole under the transform's lock
// and replaced in one step when anything changed; never written in place. A value of 0 does
// not open the file, and a file another run holds, or one that cannot be read or written,
// is left as it is without a word.
void ResetExifOrientation(const QString& fileName, quint16 value);

} // namespace tarvix
