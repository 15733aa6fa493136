#include "engine/exif_format.h"
#include "engine/exif_reader.h"
#include "support/exif_builder.h"
#include "support/qt_printers.h"

#include <QtEndian>
#include <gtest/gtest.h>

using namespace tarvix;

namespace {

constexpr quint16 Byte = 1, Ascii = 2, Short = 3, Long = 4, Rational = 5, SRational = 10;
constexpr quint32 FNumber = 0x829D, ShutterSpeed = 0x9201, MaxAperture = 0x9205, FocalLength = 0x920A;
constexpr quint32 ExposureBias = 0x9204, ExposureTime = 0x829A, SubjectDistance = 0x9206, Other = 0x1234;

template <typename T> QByteArray Host(std::initializer_list<T> numbers)
{
    QByteArray bytes(qsizetype(numbers.size() * sizeof(T)), '\0');
    char* out = bytes.data();
    for (T number : numbers) {
        qToUnaligned(number, out);
        out += sizeof(T);
    }
    return bytes;
}

QByteArray Rat(quint32 numerator, quint32 denominator)
{
    return Host<quint32>({ numerator, denominator });
}
QByteArray SRat(qint32 numerator, qint32 denominator)
{
    return Host<qint32>({ numerator, denominator });
}

QString Format(const QByteArray& value, quint16 type, quint32 id, const QLocale& locale)
{
    return FormatExifValue(value, type, id, quint32(value.size()), locale);
}

const QLocale C = QLocale::c();
const QLocale German(QLocale::German, QLocale::Germany);

struct Case {
    Case(const char* what, quint16 type, quint32 id, const QByteArray& value, const QString& c,
        const QString& german = QString())
        : what(what)
        , type(type)
        , id(id)
        , value(value)
        , c(c)
        , german(german)
    {
    }
    const char* what;
    quint16 type;
    quint32 id;
    QByteArray value;
    QString c;
    QString german; // null: as in the C locale
};

void ExpectCases(const QList<Case>& cases)
{
    for (const Case& k : cases) {
        EXPECT_EQ(Format(k.value, k.type, k.id, C), k.c) << k.what;
        EXPECT_EQ(Format(k.value, k.type, k.id, German), k.german.isNull() ? k.c : k.german) << k.what << " (de_DE)";
    }
}

} // namespace

TEST(ExifFormat, TagSpecificRationals)
{
    ExpectCases({
        { "F-number 28/10", Rational, FNumber, Rat(28, 10), "2.8", "2,8" },
        { "F-number 56/10", Rational, FNumber, Rat(56, 10), "5.6", "5,6" },
        { "F-number 4/1", Rational, FNumber, Rat(4, 1), "4.0", "4,0" },
        { "F-number 12345/1, no group separator", Rational, FNumber, Rat(12345, 1), "12345.0", "12345,0" },
        { "max aperture 3/1", Rational, MaxAperture, Rat(3, 1), "2.83", "2,83" },
        { "max aperture 0/1", Rational, MaxAperture, Rat(0, 1), "1.00", "1,00" },
        { "shutter 7/1", SRational, ShutterSpeed, SRat(7, 1), "0.0078", "0,0078" },
        { "shutter 69/10", SRational, ShutterSpeed, SRat(69, 10), "0.0084", "0,0084" },
        { "shutter 0/1", SRational, ShutterSpeed, SRat(0, 1), "1.0000", "1,0000" },
        { "shutter -1/1", SRational, ShutterSpeed, SRat(-1, 1), "2.0000", "2,0000" },
        { "focal length 58/10", Rational, FocalLength, Rat(58, 10), "5.8", "5,8" },
        { "focal length 50/1", Rational, FocalLength, Rat(50, 1), "50" },
        { "focal length 12345/1", Rational, FocalLength, Rat(12345, 1), "12345" },
        // The tag's rule belongs to its type only.
        { "shutter as RATIONAL", Rational, ShutterSpeed, Rat(7, 2), "3 1/2" },
        { "F-number as SRATIONAL", SRational, FNumber, SRat(28, 10), "2.8", "2,8" },
    });
}

TEST(ExifFormat, GeneralRationals)
{
    ExpectCases({
        { "bias -2/3", SRational, ExposureBias, SRat(-2, 3), "-0.666666666666667", "-0,666666666666667" },
        { "bias 0/1", SRational, ExposureBias, SRat(0, 1), "0" },
        { "bias 0/-5", SRational, ExposureBias, SRat(0, -5), "0" },
        { "exposure 1/125", Rational, ExposureTime, Rat(1, 125), "1/125" },
        { "exposure 15/10", Rational, ExposureTime, Rat(15, 10), "1 1/2" },
        { "exposure 1/1", Rational, ExposureTime, Rat(1, 1), "1" },
        { "5E-5", SRational, Other, SRat(5, 100000), "5E-5" },
        { "1.5E-5", SRational, Other, SRat(15, 1000000), "1.5E-5", "1,5E-5" },
        { "-1.5E-5", SRational, Other, SRat(-15, 1000000), "-1.5E-5", "-1,5E-5" },
        { "0.0001", SRational, Other, SRat(1, 10000), "0.0001", "0,0001" },
        { "smallest focal length", Rational, FocalLength, Rat(1, 0xFFFFFFFF), "2.3283064370808E-10",
            "2,3283064370808E-10" },
    });
}

TEST(ExifFormat, GeneralNumberPattern)
{
    EXPECT_EQ(FormatGeneralNumber(123456789012345.0, C), "123456789012345");
    EXPECT_EQ(FormatGeneralNumber(1e15, C), "1E15");
    EXPECT_EQ(FormatGeneralNumber(-1.25e20, German), "-1,25E20");
    EXPECT_EQ(FormatGeneralNumber(999999999999999.9, C), "1E15"); // rounding moves it into the scientific range
    EXPECT_EQ(FormatGeneralNumber(0.000099999999999999999, C), "0.0001");
    EXPECT_EQ(FormatGeneralNumber(1.0 / 3, C), "0.333333333333333");
}

TEST(ExifFormat, IntegersAndOtherTypes)
{
    ExpectCases({
        { "BYTE 200", Byte, Other, QByteArray("\xC8\x05", 2), "200" },
        { "SHORT first of two", Short, Other, Host<quint16>({ 65535, 100 }), "65535" },
        { "LONG above 2^31", Long, Other, Host<quint32>({ 3000000000u }), "3000000000" },
        { "LONG 12345, no group separator", Long, Other, Host<quint32>({ 12345 }), "12345" },
        { "RATIONAL first of two", Rational, ExposureTime, Rat(1, 60) + Rat(1, 2), "1/60" },
        { "UNDEFINED", 7, Other, QByteArray("0230"), "N/A" },
        { "SLONG", 9, Other, Host<qint32>({ -1 }), "N/A" },
    });
    for (quint16 type : { 0, 6, 8, 11, 12, 13, 255, 65535 })
        EXPECT_EQ(Format(Host<quint32>({ 1, 1 }), type, Other, C), "N/A") << type;
}

TEST(ExifFormat, FractionsAndDivisors)
{
    const struct {
        quint64 n, d;
        const char* text;
    } fractions[] = { { 1, 125, "1/125" }, { 10, 1250, "1/125" }, { 72, 1, "72" }, { 300, 100, "3" }, { 7, 2, "3 1/2" },
        { 28, 10, "2 4/5" }, { 0, 1, "" },
        // Beyond 2^31: the reduction is unsigned throughout.
        { 0xFFFFFFFF, 0xFFFFFFFF, "1" }, { 3000000000u, 1000000000u, "3" }, { 0xFFFFFFFE, 4, "1073741823 1/2" },
        { 0x80000000u, 0xC0000000u, "2/3" },
        // As stored, never a fault.
        { 0, 0, "0/0" }, { 5, 0, "5/0" }, { 0xFFFFFFFF, 0, "4294967295/0" } };
    for (const auto& f : fractions)
        EXPECT_EQ(FormatFraction(f.n, f.d), f.text) << f.n << "/" << f.d;

    const struct {
        quint64 a, b, gcd;
    } divisors[] = { { 6, 4, 2 }, { 1, 125, 1 }, { 125, 1, 1 }, { 5, 0, 5 }, { 0, 5, 1 }, { 0, 0, 1 },
        { 0xFFFFFFFE, 0xFFFFFFFF, 1 }, { 0x80000000u, 0xC0000000u, 0x40000000u } };
    for (const auto& g : divisors)
        EXPECT_EQ(GreatestCommonDivisor(g.a, g.b), g.gcd) << g.a << ", " << g.b;
}

TEST(ExifFormat, ZeroDenominatorShowsTheFractionAsStored)
{
    ExpectCases({
        { "F-number 0/0", Rational, FNumber, Rat(0, 0), "0/0" },
        { "max aperture 5/0", Rational, MaxAperture, Rat(5, 0), "5/0" },
        { "focal length 0/0", Rational, FocalLength, Rat(0, 0), "0/0" },
        { "subject distance 0/0", Rational, SubjectDistance, Rat(0, 0), "0/0" },
        { "shutter 0/0", SRational, ShutterSpeed, SRat(0, 0), "0/0" },
        { "bias -5/0", SRational, ExposureBias, SRat(-5, 0), "-5/0" },
        { "large unsigned /0", Rational, FNumber, Rat(0xFFFFFFFF, 0), "4294967295/0" },
    });
}

TEST(ExifFormat, PowersThatOverflowAreNotAvailable)
{
    ExpectCases({
        { "shutter -2^31", SRational, ShutterSpeed, SRat(INT32_MIN, 1), "N/A" },
        { "shutter -1024", SRational, ShutterSpeed, SRat(-1024, 1), "N/A" },
        { "shutter 2^31-1 underflows to 0", SRational, ShutterSpeed, SRat(INT32_MAX, 1), "0.0000", "0,0000" },
        { "max aperture 2^32-1", Rational, MaxAperture, Rat(0xFFFFFFFF, 1), "N/A" },
    });
    EXPECT_TRUE(Format(SRat(-1023, 1), SRational, ShutterSpeed, C).startsWith("8988465674311579538646525953945123"));
}

TEST(ExifFormat, AsciiText)
{
    const QByteArray latin1("M\xFCller", 6);
    ExpectCases({
        { "date with NUL", Ascii, 0x9003, QByteArray("2023:05:01 10:20:30\0", 20), "2023:05:01 10:20:30" },
        { "without NUL", Ascii, Other, QByteArray("Canon"), "Canon" },
        { "early NUL", Ascii, Other, QByteArray("AB\0CD\0", 6), "AB" },
        { "empty", Ascii, Other, QByteArray(), "" },
        { "UTF-8", Ascii, Other, QByteArray("M\xC3\xBCller\0", 8), QString::fromUtf8("Müller") },
        { "invalid UTF-8 is Latin-1", Ascii, Other, latin1, QString::fromLatin1(latin1) },
        { "UTF-8 cut off at the end", Ascii, Other, QByteArray("ab\xC3", 3), QString::fromLatin1("ab\xC3") },
    });
    // `length` bounds the text as much as the NUL does.
    EXPECT_EQ(FormatExifValue(QByteArray("Nikon Z6"), Ascii, Other, 5, C), "Nikon");
    EXPECT_EQ(FormatExifValue(QByteArray("Nikon"), Ascii, Other, 0, C), "");
}

TEST(ExifFormat, TruncatedValuesNeverReadPastTheBytes)
{
    // `length` claims more than the array holds, or less than one element.
    const QByteArray cut = Rat(28, 10).left(6);
    EXPECT_EQ(FormatExifValue(cut, Rational, FNumber, 8, C), "N/A");
    EXPECT_EQ(FormatExifValue(cut, SRational, ShutterSpeed, 8, C), "N/A");
    EXPECT_EQ(FormatExifValue(Rat(28, 10), Rational, FNumber, 4, C), "N/A");
    EXPECT_EQ(FormatExifValue(QByteArray("\x01", 1), Short, Other, 2, C), "N/A");
    EXPECT_EQ(FormatExifValue(QByteArray("\x01\x02\x03", 3), Long, Other, 4, C), "N/A");
    EXPECT_EQ(FormatExifValue(QByteArray(), Byte, Other, 0xFFFFFFFF, C), "N/A");
    EXPECT_EQ(FormatExifValue(QByteArray("Canon"), Ascii, Other, 0xFFFFFFFF, C), "Canon");
    EXPECT_EQ(FormatExifValue(Host<quint16>({ 7 }), Short, Other, 0xFFFFFFFF, C), "7");
}

TEST(ExifFormat, FollowsTheDefaultLocaleAndTheReadersItems)
{
    const QLocale previous;
    QLocale::setDefault(German);
    EXPECT_EQ(FormatExifValue(Rat(28, 10), Rational, FNumber, 8), "2,8");
    QLocale::setDefault(previous);

    // A big-endian file: the reader's host-order items format like any other.
    TiffLayout layout;
    layout.Exif = { TiffEntry::Rational(FNumber, 56, 10), TiffEntry::Rational(ExposureTime, 10, 1250),
        { quint16(ShutterSpeed), SRational, { quint32(-69), 10 }, {}, -1 } };
    QStringList texts;
    for (const PropertyItem& item : ParsePropertyItems(BuildTiff(layout, true)))
        if (item.id != 0x8769)
            texts.append(FormatExifValue(item, C));
    EXPECT_EQ(texts, QStringList({ "5.6", "1/125", "119.4282" }));
}
