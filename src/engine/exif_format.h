#pragma once

#include "engine/exif_reader.h"

#include <QByteArray>
#include <QLocale>
#include <QString>

namespace tarvix {

// The text of one EXIF property as the EXIF viewer shows it. The rule follows the TIFF type
// and, for the F-number, the maximum aperture, the focal length and the shutter speed, the
// tag; only the first element of the value is shown. `value` holds the elements in host
// byte order, as ParsePropertyItems delivers them; no byte beyond `length` or beyond the
// array itself is read, and a value too short for one element gives "N/A", as does a type
// without a rule. A rational with denominator 0 is written as stored ("0/0", "-5/0").
// Numbers carry the decimal separator of `locale` and no other locale-specific character.
QString FormatExifValue(
    const QByteArray& value, quint16 type, quint32 id, quint32 length, const QLocale& locale = QLocale());
QString FormatExifValue(const PropertyItem& item, const QLocale& locale = QLocale());

// An unsigned rational as a reduced mixed fraction: "1/125", "3 1/2", "72"; 0/d gives the
// empty text, n/0 the fraction as stored.
QString FormatFraction(quint64 numerator, quint64 denominator);

// A common divisor of a and b by Euclid's steps; 1 when a is 0 (there is no step to take).
quint64 GreatestCommonDivisor(quint64 a, quint64 b);

// A number rounded to 15 significant digits without trailing zeros ("5.8", "50",
// "-0.666666666666667"); below 0.0001 in magnitude, or with more than 15 integer digits, in
// scientific form ("5E-5", "1.5E-5", "1E15").
QString FormatGeneralNumber(double value, const QLocale& locale = QLocale());

} // namespace tarvix
