#include "engine/exif_reader.h"
#include "engine/exif_tags.h"
#include "support/exif_builder.h"
#include "support/jpeg_fixtures.h"
#include "support/qt_printers.h"
#include "support/temp_folder.h"

#include <QtEndian>
#include <gtest/gtest.h>
#include <turbojpeg.h>

using namespace tarvix;

namespace {

constexpr quint16 Byte = 1, Ascii = 2, Short = 3, Long = 4, Rational = 5, Undefined = 7;

PropertyItem Item(quint32 id, quint16 type, const QByteArray& value)
{
    return { id, quint32(value.size()), type, value };
}

PropertyItem ShortItem(quint32 id, quint16 number)
{
    QByteArray value(2, '\0');
    qToUnaligned(number, value.data());
    return Item(id, Short, value);
}

PropertyItem RationalItem(quint32 id, quint32 numerator, quint32 denominator)
{
    QByteArray value(8, '\0');
    qToUnaligned(numerator, value.data());
    qToUnaligned(denominator, value.data() + 4);
    return Item(id, Rational, value);
}

QString Value(const PropertyItem& item)
{
    return ExifTagValue(item, QLocale::c());
}

} // namespace

TEST(ExifTags, EveryTagOfTheViewerHasItsLabelAndNoOtherTagHasOne)
{
    const quint32 shown[] = { 0x0100, 0x0101, 0x0107, 0x010F, 0x0110, 0x0112, 0x011A, 0x011B, 0x0128, 0x0132, 0x829A,
        0x829D, 0x8822, 0x8827, 0x9003, 0x9004, 0x9102, 0x9201, 0x9202, 0x9203, 0x9204, 0x9205, 0x9206, 0x9207, 0x9208,
        0x9209, 0x920A, 0xA402, 0xA403, 0xA405, 0xA406, 0xA407, 0xA408, 0xA409, 0xA40A, 0xA40C };
    for (quint32 id : shown)
        EXPECT_FALSE(ExifTagLabel(id).isEmpty()) << std::hex << id;
    for (quint32 id : { 0u, 0x0102u, 0x0201u, 0x8769u, 0x927Cu, 0xA40Bu, 0xA40Du, 0x10112u })
        EXPECT_TRUE(ExifTagLabel(id).isEmpty()) << std::hex << id;
    EXPECT_EQ(ExifTagLabel(0x8822), "Exposure program");
    EXPECT_EQ(ExifTagLabel(0x9003), "Original date/time (when the original image data was generated)");
    EXPECT_EQ(ExifTagLabel(0xA40C), "Distance to the subject");
}

TEST(ExifTags, EnumerationsNameKnownValuesAndWriteOthersByTheirType)
{
    EXPECT_EQ(Value(ShortItem(0x0112, 3)), "Bottom/right-hand side (Rotate 180)");
    EXPECT_EQ(Value(ShortItem(0x0112, 4)), "Bottom/left-hand side(Mirror vertical)");
    EXPECT_EQ(Value(ShortItem(0x0112, 0)), "0");
    EXPECT_EQ(Value(ShortItem(0x9207, 255)), "Other");
    EXPECT_EQ(Value(ShortItem(0x9208, 255)), "Other light source");
    EXPECT_EQ(Value(ShortItem(0x9208, 4)), "Flash");
    EXPECT_EQ(Value(ShortItem(0x9208, 16)), "16");
    EXPECT_EQ(Value(ShortItem(0x9209, 0x5F)), "Flash fired, auto mode, return light detected, red-eye reduction mode");
    EXPECT_EQ(Value(ShortItem(0x9209, 80)), "80"); // not taken apart bit by bit
    EXPECT_EQ(Value(ShortItem(0xA403, 2)), "2");
    EXPECT_EQ(Value(ShortItem(0xA408, 2)), "Hard");
    EXPECT_EQ(Value(ShortItem(0xA40A, 1)), "Soft");
    EXPECT_EQ(Value(ShortItem(0xA409, 1)), "Low");
    EXPECT_EQ(Value(ShortItem(0xA40C, 1)), "Macro");
    EXPECT_EQ(Value(ShortItem(0x0128, 2)), "inches");
    EXPECT_EQ(Value(ShortItem(0x8822, 3)), "Aperture priority");

    // Whatever the type, the first 16-bit value names it; an unknown one falls back to the type.
    EXPECT_EQ(Value(Item(0x0112, Long, QByteArray("\x06\0\0\0", 4))), "Right-hand side/top (Rotate 90 CW)");
    EXPECT_EQ(Value(Item(0x0112, Byte, QByteArray("\x08", 1))), "Left-hand side/bottom (Rotate 90 CCW)");
    EXPECT_EQ(Value(Item(0x0112, Long, QByteArray("\0\0\x01\0", 4))), "65536");
    EXPECT_EQ(Value(Item(0x0112, Short, QByteArray())), "N/A");
    // The length bounds the read even where the bytes go on.
    EXPECT_EQ(Value({ 0x0112, 1, Short, QByteArray("\x03\x01", 2) }), "Bottom/right-hand side (Rotate 180)");
}

TEST(ExifTags, RowsKeepTheItemsOrderAndLeaveOutTagsOutsideTheTable)
{
    const QList<PropertyItem> items = {
        RationalItem(0x829D, 28, 10),
        Item(0x927C, Undefined, "maker note"),
        Item(0x010F, Ascii, QByteArray("Maker\0junk", 10)),
        RationalItem(0x011A, 0, 1), // a zero: a row with an empty value
        RationalItem(0x9206, 0, 0), // unknown distance: the fraction as stored
        Item(0x0132, Undefined, "2024"), // an odd type is shown by its type
        ShortItem(0x0112, 6),
    };
    const QList<ExifRow> rows = ExifRows(items, QLocale::c());
    ASSERT_EQ(rows.size(), 6);
    EXPECT_EQ(rows[0].Label, "F-number");
    EXPECT_EQ(rows[0].Value, "2.8");
    EXPECT_EQ(rows[1].Label, "Digicam manufacturer");
    EXPECT_EQ(rows[1].Value, "Maker");
    EXPECT_EQ(rows[2].Label, "X-Resolution");
    EXPECT_EQ(rows[2].Value, "");
    EXPECT_EQ(rows[3].Value, "0/0");
    EXPECT_EQ(rows[4].Value, "N/A");
    EXPECT_EQ(rows[5].Label, "Orientation of the camera");
    EXPECT_EQ(ExifRows(items, QLocale(QLocale::German, QLocale::Germany))[0].Value, "2,8");

    // Only a thumbnail's or a maker note's items: nothing to show.
    EXPECT_TRUE(ExifRows({ Item(0x927C, Undefined, "x"), { 0x0201, 4, Long, QByteArray(4, '\0') } }).isEmpty());
}

TEST(ExifFileProperties, AreReadFromTheFilesExifBlockAndNeverFromElsewhere)
{
    TempFolder folder;
    const QByteArray jpeg = MakeJpeg(32, 24, TJSAMP_420);
    TiffLayout layout;
    layout.Ifd0 = { TiffEntry::Ascii(0x010F, "Camera"), TiffEntry::Short(0x0112, 8) };
    layout.Exif = { TiffEntry::Rational(0x829A, 1, 125) };
    layout.Ifd1 = { TiffEntry::Short(0x0112, 1) };
    const QString photo = folder.File("photo.jpg");
    WriteBytes(photo, InsertSegments(jpeg, ExifSegment(BuildTiff(layout, true))));
    const QList<ExifRow> rows = ExifRows(ReadFilePropertyItems(photo), QLocale::c());
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].Value, "Camera");
    EXPECT_EQ(rows[1].Value, "Left-hand side/bottom (Rotate 90 CCW)");
    EXPECT_EQ(rows[2].Value, "1/125");

    const QString plain = folder.File("plain.jpg");
    WriteBytes(plain, jpeg);
    EXPECT_TRUE(ReadFilePropertyItems(plain).isEmpty());
    EXPECT_TRUE(ReadFilePropertyItems(folder.Path()).isEmpty());
    EXPECT_TRUE(ReadFilePropertyItems(folder.File("missing.jpg")).isEmpty());
    const QString cut = folder.File("cut.jpg");
    WriteBytes(cut, InsertSegments(jpeg, ExifSegment(BuildTiff(layout, false))).left(40));
    EXPECT_TRUE(ReadFilePropertyItems(cut).isEmpty());
}

TEST(ExifFileProperties, AHostileBlockGivesWhatCanBeRead)
{
    // IFD0 claims 500 entries; its EXIF pointer and its next-IFD link lead back to itself; one
    // entry's value lies far beyond the block.
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    const auto u16 = [&](quint16 v) { tiff.append(char(v)).append(char(v >> 8)); };
    const auto u32 = [&](quint32 v) { u16(quint16(v)), u16(quint16(v >> 16)); };
    u16(500);
    u16(0x010F), u16(Ascii), u32(4), tiff.append("Abc\0", 4);
    u16(0x0110), u16(Ascii), u32(1000), u32(20);
    u16(0x8769), u16(Long), u32(1), u32(8);
    u16(0x0112), u16(Short), u32(1), u32(3);
    u32(8);
    TempFolder folder;
    const QString photo = folder.File("hostile.jpg");
    WriteBytes(photo, InsertSegments(MakeJpeg(16, 16, TJSAMP_444), ExifSegment(tiff)));
    const QList<ExifRow> rows = ExifRows(ReadFilePropertyItems(photo), QLocale::c());
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].Value, "Abc");
    EXPECT_EQ(rows[1].Value, "Bottom/right-hand side (Rotate 180)");
}
