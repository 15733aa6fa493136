#include "engine/exif_format.h"

#include "base/jpeg_format.h"

#include <QStringDecoder>
#include <QtEndian>
#include <algorithm>
#include <cmath>

namespace tarvix {

namespace {

const QString NotAvailable = QStringLiteral("N/A");

// The bytes that really are there: `length` may claim more than the array holds, and the
// array may hold more than `length` covers.
qsizetype UsableBytes(const QByteArray& value, quint32 length)
{
    return std::min<qint64>(value.size(), length);
}

template <typename T> bool ReadFirst(const QByteArray& value, qsizetype usable, qsizetype offset, T* out)
{
    if (usable < offset + qsizetype(sizeof(T)))
        return false;
    *out = qFromUnaligned<T>(value.constData() + offset);
    return true;
}

// Only the decimal separator follows the locale: digits, minus sign and exponent stay
// ASCII, so a value reads the same in every language apart from its separator.
QString Localised(QString text, const QLocale& locale)
{
    return text.replace(QLatin1Char('.'), locale.decimalPoint());
}

QString FixedDecimals(double value, int decimals, const QLocale& locale)
{
    if (!std::isfinite(value))
        return NotAvailable;
    return Localised(QString::number(value, 'f', decimals), locale);
}

QString AsciiText(const QByteArray& value, qsizetype usable)
{
    const QByteArrayView bytes(value.constData(), usable);
    const qsizetype nul = bytes.indexOf('\0');
    const QByteArrayView text = nul < 0 ? bytes : bytes.first(nul);
    // Cameras write plain ASCII, phones and editors often UTF-8; what is neither is most
    // likely an old 8-bit code page, of which Latin-1 at least keeps every byte visible.
    // Stateless, so that a sequence cut off at the end counts as invalid, not as pending.
    QStringDecoder utf8(
        QStringConverter::Utf8, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    const QString decoded = utf8.decode(text);
    if (!utf8.hasError())
        return decoded;
    return QString::fromLatin1(text);
}

// The rational exactly as the file holds it. A zero denominator is real data, not a fault:
// cameras write 0/0 for an unknown subject distance or an unset bias, and one such row must
// not cost the user all the others.
template <typename T> QString AsStored(T numerator, T denominator)
{
    return QString::number(numerator) + QLatin1Char('/') + QString::number(denominator);
}

QString FormatRational(quint32 id, quint32 numerator, quint32 denominator, const QLocale& locale)
{
    if (denominator == 0)
        return AsStored(numerator, denominator);
    const double quotient = double(numerator) / double(denominator);
    switch (id) {
    case ExifTag::FNumber:
        return FixedDecimals(quotient, 1, locale);
    case ExifTag::MaxAperture:
        // APEX: the aperture value Av stands for the F-number sqrt(2)^Av.
        return FixedDecimals(std::pow(std::sqrt(2.0), quotient), 2, locale);
    case ExifTag::FocalLength:
        return FormatGeneralNumber(quotient, locale);
    default:
        return FormatFraction(numerator, denominator);
    }
}

QString FormatSignedRational(quint32 id, qint32 numerator, qint32 denominator, const QLocale& locale)
{
    if (denominator == 0)
        return AsStored(numerator, denominator);
    const double quotient = double(numerator) / double(denominator);
    if (id == ExifTag::ShutterSpeed) // APEX: the shutter-speed value Tv stands for 2^-Tv seconds.
        return FixedDecimals(std::exp2(-quotient), 4, locale);
    return FormatGeneralNumber(quotient, locale);
}

} // namespace

quint64 GreatestCommonDivisor(quint64 a, quint64 b)
{
    // Each step takes b modulo a, which has no answer for a == 0; 1 still divides both.
    while (a != 0) {
        if (b % a == 0)
            return a;
        const quint64 rest = a % b; // b % a != 0, so b != 0
        a = b;
        b = rest;
    }
    return 1;
}

QString FormatFraction(quint64 numerator, quint64 denominator)
{
    if (denominator == 0)
        return AsStored(numerator, denominator);
    const quint64 divisor = GreatestCommonDivisor(numerator, denominator);
    const quint64 reducedNumerator = numerator / divisor;
    const quint64 reducedDenominator = denominator / divisor;
    const quint64 whole = reducedNumerator / reducedDenominator;
    const quint64 rest = reducedNumerator % reducedDenominator;
    QString text;
    if (whole != 0)
        text += QString::number(whole) + QLatin1Char(' ');
    if (rest != 0)
        text += QString::number(rest) + QLatin1Char('/') + QString::number(reducedDenominator);
    return text.trimmed();
}

QString FormatGeneralNumber(double value, const QLocale& locale)
{
    if (!std::isfinite(value))
        return NotAvailable;
    if (value == 0)
        return QStringLiteral("0"); // also for -0.0, as from 0/-5
    // "d.dddddddddddddde±XX": the rounding to 15 significant digits, with the exponent it
    // leads to (9.9999999999999999 becomes 1e1).
    const QString scientific = QString::number(std::fabs(value), 'e', 14);
    const qsizetype e = scientific.indexOf(QLatin1Char('e'));
    const int exponent = scientific.mid(e + 1).toInt();
    QString digits = scientific.left(e).remove(QLatin1Char('.'));
    while (digits.size() > 1 && digits.endsWith(QLatin1Char('0')))
        digits.chop(1);

    QString text = value < 0 ? QStringLiteral("-") : QString();
    if (exponent < -4 || exponent >= 15) {
        text += digits.front();
        if (digits.size() > 1)
            text += locale.decimalPoint() + digits.mid(1);
        text += QLatin1Char('E') + QString::number(exponent);
    } else if (exponent < 0) {
        text += QLatin1Char('0') + locale.decimalPoint() + QString(-exponent - 1, QLatin1Char('0')) + digits;
    } else {
        const qsizetype integerDigits = exponent + 1;
        if (digits.size() <= integerDigits)
            text += digits + QString(integerDigits - digits.size(), QLatin1Char('0'));
        else
            text += digits.left(integerDigits) + locale.decimalPoint() + digits.mid(integerDigits);
    }
    return text;
}

QString FormatExifValue(const QByteArray& value, quint16 type, quint32 id, quint32 length, const QLocale& locale)
{
    const qsizetype usable = UsableBytes(value, length);
    switch (type) {
    case TiffType::Byte: {
        quint8 number = 0;
        return ReadFirst(value, usable, 0, &number) ? QString::number(number) : NotAvailable;
    }
    case TiffType::Ascii:
        return AsciiText(value, usable);
    case TiffType::Short: {
        quint16 number = 0;
        return ReadFirst(value, usable, 0, &number) ? QString::number(number) : NotAvailable;
    }
    case TiffType::Long: {
        quint32 number = 0;
        return ReadFirst(value, usable, 0, &number) ? QString::number(number) : NotAvailable;
    }
    case TiffType::Rational: {
        quint32 numerator = 0;
        quint32 denominator = 0;
        if (!ReadFirst(value, usable, 0, &numerator) || !ReadFirst(value, usable, 4, &denominator))
            return NotAvailable;
        return FormatRational(id, numerator, denominator, locale);
    }
    case TiffType::SRational: {
        qint32 numerator = 0;
        qint32 denominator = 0;
        if (!ReadFirst(value, usable, 0, &numerator) || !ReadFirst(value, usable, 4, &denominator))
            return NotAvailable;
        return FormatSignedRational(id, numerator, denominator, locale);
    }
    default:
        return NotAvailable;
    }
}

QString FormatExifValue(const PropertyItem& item, const QLocale& locale)
{
    return FormatExifValue(item.value, item.type, item.id, item.length, locale);
}

} // namespace tarvix
