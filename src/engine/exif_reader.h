#pragma once

#include "base/exif_block.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace tarvix {

// One EXIF property: its tag, the byte count of its value, its TIFF type and the value bytes,
// each element in host byte order whatever the file's order (SHORT 2 bytes, LONG and FLOAT 4,
// RATIONAL two 4-byte numbers numerator first, DOUBLE 8; bytes and text as they lie).
struct PropertyItem {
    quint32 id = 0;
    quint32 length = 0;
    quint16 type = 0;
    QByteArray value;
};

// The properties of an EXIF TIFF block ("II" or "MM" header): the entries of IFD0 in file order,
// then those of the EXIF sub-IFD, then those of the GPS IFD; the two pointer entries are
// properties too. IFD1, the embedded thumbnail's IFD, is not reported, so its orientation
// entry never hides the picture's. Entries of an unknown type or whose value lies outside the
// block are left out; a broken header gives no properties.
QList<PropertyItem> ParsePropertyItems(QByteArrayView tiff);

// The properties of the EXIF block of a JPEG file (see IsExifBlock). None when the file cannot
// be opened, is no regular file or has no such block. The file is closed on return.
QList<PropertyItem> ReadFilePropertyItems(const QString& path);

} // namespace tarvix
