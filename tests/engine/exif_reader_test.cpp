#include "base/orientation_reader.h"
#include "engine/exif_reader.h"
#include "support/exif_builder.h"

#include <QtEndian>
#include <gtest/gtest.h>

using namespace tarvix;

namespace {

QList<quint32> Ids(const QList<PropertyItem>& items)
{
    QList<quint32> ids;
    for (const PropertyItem& item : items)
        ids.append(item.id);
    return ids;
}

const PropertyItem* Find(const QList<PropertyItem>& items, quint32 id)
{
    for (const PropertyItem& item : items)
        if (item.id == id)
            return &item;
    return nullptr;
}

// A DOUBLE in the file's byte order, which the builder takes as raw bytes.
TiffEntry Double(quint16 tag, double value, bool bigEndian)
{
    QByteArray bytes(8, '\0');
    bigEndian ? qToBigEndian(value, bytes.data()) : qToLittleEndian(value, bytes.data());
    return { tag, 12, {}, bytes, 1 };
}

quint16 Orientation(const QByteArray& tiff)
{
    return OrientationOfTiff(reinterpret_cast<const unsigned char*>(tiff.constData()), size_t(tiff.size()));
}

} // namespace

TEST(ExifReader, ValuesComeInHostOrderFromBothByteOrders)
{
    QList<PropertyItem> parsed[2];
    for (const bool big : { false, true }) {
        TiffLayout t;
        t.Ifd0 = { TiffEntry::Ascii(0x010F, "Maker"), TiffEntry::Short(0x0112, 6), TiffEntry::Long(0x0100, 0x01020304),
            TiffEntry { 0x0101, 3, { 0x1234, 0xABCD, 7 }, {}, -1 }, TiffEntry::Rational(0x011A, 300, 1),
            TiffEntry { 0x9204, 10, { uint32_t(-2), 3 }, {}, -1 }, Double(0x9999, 1.5, big),
            TiffEntry { 0x9000, 7, {}, "0231", -1 } };
        parsed[big] = ParsePropertyItems(BuildTiff(t, big));
    }
    const QList<PropertyItem>& items = parsed[1];
    ASSERT_EQ(items.size(), 8);
    for (int i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(items[i].id);
        EXPECT_EQ(items[i].id, parsed[0][i].id);
        EXPECT_EQ(items[i].type, parsed[0][i].type);
        EXPECT_EQ(items[i].length, parsed[0][i].length);
        EXPECT_EQ(items[i].value, parsed[0][i].value);
        EXPECT_EQ(items[i].length, quint32(items[i].value.size()));
    }
    auto value = [&](quint32 id) { return Find(items, id)->value; };
    EXPECT_EQ(value(0x010F), QByteArray("Maker", 6));
    EXPECT_EQ(qFromUnaligned<quint32>(value(0x0100).constData()), 0x01020304u);
    const QByteArray shorts = value(0x0101);
    ASSERT_EQ(shorts.size(), 6);
    EXPECT_EQ(qFromUnaligned<quint16>(shorts.constData() + 2), 0xABCD);
    EXPECT_EQ(qFromUnaligned<quint16>(shorts.constData() + 4), 7);
    EXPECT_EQ(qFromUnaligned<quint32>(value(0x011A).constData()), 300u); // numerator first
    EXPECT_EQ(qFromUnaligned<quint32>(value(0x011A).constData() + 4), 1u);
    EXPECT_EQ(qFromUnaligned<qint32>(value(0x9204).constData()), -2);
    EXPECT_EQ(qFromUnaligned<double>(value(0x9999).constData()), 1.5);
    EXPECT_EQ(value(0x9000), QByteArray("0231"));
}

TEST(ExifReader, OrderIsIfd0ThenExifThenGpsAndIfd1IsNotReported)
{
    for (const bool big : { false, true }) {
        TiffLayout t;
        t.Ifd0 = { TiffEntry::Ascii(0x010F, "Maker"), TiffEntry::Short(0x0112, 8) };
        t.Exif = { TiffEntry::Rational(0x829A, 1, 250) };
        t.Gps = { TiffEntry { 0x0000, 1, {}, QByteArray("\2\3\0\0", 4), -1 } };
        t.Ifd1 = { TiffEntry::Short(0x0112, 3), TiffEntry::Long(0x0201, 0), TiffEntry::Long(0x0202, 0) };
        const QList<PropertyItem> items = ParsePropertyItems(BuildTiff(t, big));
        EXPECT_EQ(Ids(items), QList<quint32>({ 0x010F, 0x0112, 0x8769, 0x8825, 0x829A, 0x0000 }));
        EXPECT_EQ(Orientation(BuildTiff(t, big)), 8);
    }
    EXPECT_EQ(Orientation(CameraTiff(0, true, 6)), 0);
}

TEST(OrientationReader, TheLastOrientationWinsWhateverItsType)
{
    TiffLayout t;
    t.Ifd0 = { TiffEntry::Short(0x0112, 6) };
    t.Exif = { TiffEntry::Short(0x0112, 3) };
    EXPECT_EQ(Orientation(BuildTiff(t, true)), 3);

    for (const bool big : { false, true }) {
        t.Exif = { TiffEntry::Long(0x0112, 5) };
        EXPECT_EQ(Orientation(BuildTiff(t, big)), 5);
        t.Exif = { TiffEntry { 0x0112, 1, {}, QByteArray("\7", 1), -1 } };
        EXPECT_EQ(Orientation(BuildTiff(t, big)), 7);
        t.Exif = { TiffEntry::Short(0x0112, 0x1234) };
        EXPECT_EQ(Orientation(BuildTiff(t, big)), 0x1234);
    }
    EXPECT_EQ(Orientation({}), 0);
    TiffEntry empty = TiffEntry::Short(0x0112, 6);
    empty.CountOverride = 0;
    t.Exif = { empty }; // the last entry has no value at all
    EXPECT_EQ(Orientation(BuildTiff(t, false)), 0);
}

TEST(ExifReader, EntriesSharingOneLargeValueCannotExhaustMemory)
{
    // 5000 entries that all point at the same 60 000-byte value: 300 MB if each were copied.
    const int entries = 5000;
    const qsizetype valueAt = 8 + 2 + 12 * entries + 4;
    QByteArray tiff("II\x2A\0\x08\0\0\0", 8);
    tiff.resize(valueAt + 60000, 'v');
    qToLittleEndian<quint16>(entries, tiff.data() + 8);
    for (int i = 0; i < entries; ++i) {
        char* entry = tiff.data() + 10 + 12 * i;
        qToLittleEndian<quint16>(0x9000 + i, entry);
        qToLittleEndian<quint16>(7, entry + 2);
        qToLittleEndian<quint32>(60000, entry + 4);
        qToLittleEndian<quint32>(quint32(valueAt), entry + 8);
    }
    qToLittleEndian<quint32>(0, tiff.data() + valueAt - 4);
    const QList<PropertyItem> items = ParsePropertyItems(tiff);
    qint64 total = 0;
    for (const PropertyItem& item : items)
        total += item.value.size();
    EXPECT_GT(items.size(), 0);
    EXPECT_LE(total, 1 << 20);
}
