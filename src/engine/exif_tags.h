#pragma once

#include "engine/exif_reader.h"

#include <QList>
#include <QLocale>
#include <QString>

namespace tarvix {

// One line of the EXIF viewer: what the property is and its value, in the words a
// photographer reads, the same in every language.
struct ExifRow {
    QString Label;
    QString Value;
};

// The label of one of the 36 tags the viewer shows; empty for every other tag.
QString ExifTagLabel(quint32 id);

// The text of a property the viewer shows. Enumerated tags read the first 16-bit value
// whatever the type (a one-byte value counts as that byte) and name it; a value their table
// does not know, and every other tag, is written by its type (FormatExifValue).
QString ExifTagValue(const PropertyItem& item, const QLocale& locale = QLocale());

// The rows of the items the viewer shows, in the items' order; tags outside the table give
// none.
QList<ExifRow> ExifRows(const QList<PropertyItem>& items, const QLocale& locale = QLocale());

} // namespace tarvix
