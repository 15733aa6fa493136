#include "engine/exif_thumbnail.h"
#include "support/exif_builder.h"
#include "support/jpeg_fixtures.h"
#include "support/qt_printers.h"
#include "support/temp_folder.h"

#include <QStandardPaths>
#include <QtEndian>
#include <gtest/gtest.h>
#include <turbojpeg.h>

using namespace tarvix;

namespace {

// A reader of the blocks the builders make, independent of the code under test. Anything
// outside the block reads as -1 so a broken result fails the comparison instead of the test.
class Block {
public:
    Block(const QByteArray& tiff, bool big)
        : FTiff(tiff)
        , FBig(big)
    {
    }
    qint64 Read(qint64 at, int size) const
    {
        if (at < 0 || at + size > FTiff.size())
            return -1;
        const uchar* p = reinterpret_cast<const uchar*>(FTiff.constData()) + at;
        if (size == 2)
            return FBig ? qFromBigEndian<quint16>(p) : qFromLittleEndian<quint16>(p);
        return FBig ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p);
    }
    qint64 Ifd0() const { return Read(4, 4); }
    qint64 NextField(qint64 ifd) const { return ifd + 2 + 12 * Read(ifd, 2); }
    qint64 Ifd1() const { return Read(NextField(Ifd0()), 4); }
    // The value field of the first entry with `tag`, or -1.
    qint64 Field(qint64 ifd, quint16 tag) const
    {
        for (qint64 i = 0, count = Read(ifd, 2); i < count; ++i)
            if (Read(ifd + 2 + 12 * i, 2) == tag)
                return ifd + 2 + 12 * i + 8;
        return -1;
    }
    qint64 Value(qint64 ifd, quint16 tag, int size = 4) const { return Read(Field(ifd, tag), size); }

private:
    const QByteArray& FTiff;
    bool FBig;
};

void Put32(QByteArray& tiff, qint64 at, quint32 value, bool big)
{
    ASSERT_TRUE(at >= 0 && at + 4 <= tiff.size());
    uchar* p = reinterpret_cast<uchar*>(tiff.data()) + at;
    big ? qToBigEndian(value, p) : qToLittleEndian(value, p);
}

TiffLayout CameraLayout()
{
    TiffLayout t;
    t.Ifd0 = { TiffEntry::Ascii(0x010F, "Maker"), TiffEntry::Short(0x0112, 6), TiffEntry::Rational(0x011A, 72, 1) };
    t.Exif = { TiffEntry::Rational(0x829A, 1, 250), TiffEntry::Long(0xA002, 4000), TiffEntry::Long(0xA003, 3000) };
    t.Gps = { TiffEntry::Rational(0x0002, 51, 1) };
    t.Ifd1 = { TiffEntry::Short(0x0103, 6), TiffEntry::Rational(0x011A, 72, 1) };
    return t;
}

bool HaveJpegtran()
{
    return !QStandardPaths::findExecutable("jpegtran").isEmpty();
}

} // namespace

TEST(ExifThumbnail, TurnsTheThumbnailExactlyAsJpegtranDoes)
{
    if (!HaveJpegtran())
        GTEST_SKIP() << "jpegtran (libjpeg-turbo-progs) is not installed";
    TempFolder folder;
    const QString source = folder.File("thumbnail.jpg");
    // 120 rows are not a whole number of 16-row blocks: the trim shows.
    for (const bool progressive : { false, true }) {
        const QByteArray thumbnail = MakeJpeg(160, 120, TJSAMP_420, progressive);
        WriteBytes(source, thumbnail);
        QByteArray expected[6];
        for (int code = 1; code <= 5; ++code) {
            expected[code] = Jpegtran(source, code, progressive);
            ASSERT_FALSE(expected[code].isEmpty());
        }
        for (const bool big : { false, true })
            for (const bool shortLength : { false, true })
                for (int code = 1; code <= 5; ++code) {
                    SCOPED_TRACE(testing::Message() << (big ? "MM" : "II") << (shortLength ? " SHORT" : " LONG")
                                                    << (progressive ? " progressive" : "") << " code " << code);
                    const QByteArray tiff = TiffWithThumbnail(CameraLayout(), thumbnail, big, shortLength);
                    const std::optional<QByteArray> turned = TurnEmbeddedThumbnail(tiff, code);
                    ASSERT_TRUE(turned);

                    const Block before(tiff, big);
                    const Block after(*turned, big);
                    const qint64 offset = before.Value(before.Ifd1(), 0x0201);
                    ASSERT_EQ(after.Value(after.Ifd1(), 0x0201), offset);
                    const qint64 length = after.Value(after.Ifd1(), 0x0202, shortLength ? 2 : 4);
                    ASSERT_EQ(offset + length, turned->size());
                    EXPECT_EQ(turned->sliced(offset), expected[code]);

                    // Only the length's value field may differ before the thumbnail, and a
                    // SHORT's spare bytes stay zero.
                    QByteArray head = turned->first(offset);
                    const qint64 field = after.Field(after.Ifd1(), 0x0202);
                    ASSERT_EQ(field, before.Field(before.Ifd1(), 0x0202));
                    if (shortLength) {
                        EXPECT_EQ(head.sliced(field + 2, 2), QByteArray(2, '\0'));
                    }
                    head.replace(field, 4, tiff.sliced(field, 4));
                    EXPECT_EQ(head, tiff.first(offset));
                }
    }
}

TEST(ExifThumbnail, KeepsBytesAfterTheThumbnailsEndWithinItsLength)
{
    const QByteArray thumbnail = MakeJpeg(48, 32, TJSAMP_444);
    const QByteArray padding(7, '\0');
    const QByteArray tiff = TiffWithThumbnail(CameraLayout(), thumbnail + padding, true);
    const std::optional<QByteArray> turned = TurnEmbeddedThumbnail(tiff, 1);
    ASSERT_TRUE(turned);
    const Block after(*turned, true);
    const qint64 offset = after.Value(after.Ifd1(), 0x0201);
    EXPECT_EQ(offset + after.Value(after.Ifd1(), 0x0202), turned->size());
    EXPECT_TRUE(turned->endsWith(QByteArray("\xFF\xD9", 2) + padding));
    const Pixels pixels = DecodeJpeg(turned->sliced(offset));
    EXPECT_EQ(pixels.Width, 32);
    EXPECT_EQ(pixels.Height, 48);

    // Zero bytes after the thumbnail's length, which no entry points at, are the padding some
    // writers add to keep the block at an even length: they stay at the block's end.
    const QByteArray padded = TiffWithThumbnail(CameraLayout(), thumbnail, true) + QByteArray(1, '\0');
    const std::optional<QByteArray> turnedPadded = TurnEmbeddedThumbnail(padded, 1);
    ASSERT_TRUE(turnedPadded);
    const Block paddedAfter(*turnedPadded, true);
    EXPECT_EQ(paddedAfter.Value(paddedAfter.Ifd1(), 0x0201) + paddedAfter.Value(paddedAfter.Ifd1(), 0x0202) + 1,
        turnedPadded->size());
    EXPECT_TRUE(turnedPadded->endsWith(QByteArray("\xFF\xD9\0", 3)));
}

TEST(ExifThumbnail, LeavesAloneWhatItCannotTurnSafely)
{
    const QByteArray thumbnail = MakeJpeg(64, 48, TJSAMP_420);
    struct Case {
        const char* Name;
        QByteArray Tiff;
    };
    for (const bool big : { false, true }) {
        const QByteArray good = TiffWithThumbnail(CameraLayout(), thumbnail, big);
        ASSERT_TRUE(TurnEmbeddedThumbnail(good, 1));
        const Block b(good, big);
        const qint64 ifd1 = b.Ifd1();
        const qint64 offset = b.Value(ifd1, 0x0201);
        auto patched = [&](qint64 at, quint32 value) {
            QByteArray tiff = good;
            Put32(tiff, at, value, big);
            return tiff;
        };

        TiffLayout uncompressed = CameraLayout();
        uncompressed.Ifd1 = { TiffEntry::Short(0x0103, 1), TiffEntry::Long(0x0111, 0), TiffEntry::Long(0x0117, 48) };
        TiffLayout noIfd1 = CameraLayout();
        noIfd1.Ifd1.clear();
        TiffLayout shortCountTwo = CameraLayout();
        shortCountTwo.Ifd1 = { TiffEntry { 0x0202, 3, { uint32_t(thumbnail.size()), 0 }, {}, -1 } };
        // Two SHORTs fit in the field: the first of them would be the right offset.
        TiffLayout offsetCountTwo = CameraLayout();
        offsetCountTwo.Ifd1 = { TiffEntry { 0x0201, 3, { 0, 0 }, {}, -1 } };
        QByteArray twoOffsets = TiffWithThumbnail(offsetCountTwo, thumbnail, big);
        Put32(twoOffsets, Block(twoOffsets, big).Field(Block(twoOffsets, big).Ifd1(), 0x0201),
            big ? quint32(twoOffsets.size() - thumbnail.size()) << 16 : quint32(twoOffsets.size() - thumbnail.size()),
            big);
        TiffLayout rationalLength = CameraLayout();
        rationalLength.Ifd1 = { TiffEntry::Rational(0x0202, uint32_t(thumbnail.size()), 1) };
        const qint64 gps = b.Value(b.Ifd0(), 0x8825);

        const Case cases[] = {
            { "data after the thumbnail", good + "more" },
            { "data after zero padding", good + QByteArray(3, '\0') + "x" },
            { "uncompressed thumbnail, no JPEG entries", BuildTiff(uncompressed, big) + QByteArray(48, '\x7F') },
            { "the JPEG entries point at something else",
                TiffWithThumbnail(CameraLayout(), QByteArray(600, 'x'), big) },
            { "no IFD1", BuildTiff(noIfd1, big) + thumbnail },
            { "a length entry with a count of 2 first", TiffWithThumbnail(shortCountTwo, thumbnail, big) },
            { "an offset entry with a count of 2 first", twoOffsets },
            { "a RATIONAL length entry first", TiffWithThumbnail(rationalLength, thumbnail, big) },
            { "offset past the block", patched(b.Field(ifd1, 0x0201), quint32(good.size() + 16)) },
            { "length past the block", patched(b.Field(ifd1, 0x0202), quint32(thumbnail.size() + 1)) },
            { "truncated thumbnail",
                TiffWithThumbnail(CameraLayout(), thumbnail.first(thumbnail.size() * 2 / 3), big) },
            { "scan cut short before an EOI",
                TiffWithThumbnail(CameraLayout(), thumbnail.first(thumbnail.size() * 2 / 3) + "\xFF\xD9", big) },
            { "IFD1 chained back to IFD0", patched(b.NextField(ifd1), quint32(b.Ifd0())) },
            { "IFD0 chained to itself", patched(b.NextField(b.Ifd0()), quint32(b.Ifd0())) },
            { "GPS pointer back to IFD0", patched(b.Field(b.Ifd0(), 0x8825), quint32(b.Ifd0())) },
            { "GPS IFD inside the thumbnail", patched(b.Field(b.Ifd0(), 0x8825), quint32(offset + 2)) },
            { "a value inside the thumbnail", patched(b.Field(b.Ifd0(), 0x010F), quint32(offset)) },
            { "a value reaching into the thumbnail", patched(b.Field(gps, 0x0002), quint32(offset - 4)) },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << (big ? "MM: " : "II: ") << c.Name);
            EXPECT_FALSE(TurnEmbeddedThumbnail(c.Tiff, 1));
        }
        // Offset and length whose sum wraps around to the block's end in 32 bits.
        QByteArray wrapped = patched(b.Field(ifd1, 0x0201), 0xFFFFFFF0);
        Put32(wrapped, b.Field(ifd1, 0x0202), quint32(0x10 + good.size()), big);
        EXPECT_FALSE(TurnEmbeddedThumbnail(wrapped, 2));
        for (const int code : { 0, 6, -1 }) {
            SCOPED_TRACE(code);
            EXPECT_FALSE(TurnEmbeddedThumbnail(good, code));
        }
    }
}

TEST(ExifThumbnail, NeitherFunctionReadsOrWritesOutsideACutOrDamagedBlock)
{
    for (const bool big : { false, true }) {
        const QByteArray good = TiffWithThumbnail(CameraLayout(), MakeJpeg(16, 16, TJSAMP_420), big);
        const qint64 offset = Block(good, big).Value(Block(good, big).Ifd1(), 0x0201);
        for (qsizetype size = 0; size < good.size(); ++size) {
            SCOPED_TRACE(testing::Message() << (big ? "MM" : "II") << " cut at " << size);
            QByteArray cut = good.first(size);
            EXPECT_FALSE(TurnEmbeddedThumbnail(cut, 1));
            SetPixelDimensions(cut, 1, 2);
            EXPECT_EQ(cut.size(), size);
        }
        // Every byte of the structure in turn set to values that make offsets and counts huge or zero.
        for (qsizetype at = 0; at < offset; ++at)
            for (const char value : { '\x00', '\x01', '\x7F', '\xFF' }) {
                SCOPED_TRACE(testing::Message() << (big ? "MM" : "II") << " byte " << at << " = " << int(value));
                QByteArray damaged = good;
                damaged[at] = value;
                if (const std::optional<QByteArray> turned = TurnEmbeddedThumbnail(damaged, 3)) {
                    EXPECT_EQ(turned->first(8), damaged.first(8));
                }
                SetPixelDimensions(damaged, 70000, 9);
                EXPECT_EQ(damaged.size(), good.size());
            }
    }
}

TEST(PixelDimensions, WritesShortAndLongEntriesInTheirOwnTypeAndByteOrder)
{
    for (const bool big : { false, true })
        for (const uint16_t type : { 3, 4 }) {
            SCOPED_TRACE(testing::Message() << (big ? "MM" : "II") << " type " << type);
            auto layout = [&](uint32_t width, uint32_t height) {
                TiffLayout t = CameraLayout();
                t.Exif = { TiffEntry::Rational(0x829A, 1, 250), TiffEntry { 0xA002, type, { width }, {}, -1 },
                    TiffEntry { 0xA003, type, { height }, {}, -1 }, TiffEntry::Long(0xA004, 0x01020304) };
                return BuildTiff(t, big);
            };
            QByteArray tiff = layout(4000, 3000);
            SetPixelDimensions(tiff, 2992, 65535);
            EXPECT_EQ(tiff, layout(2992, 65535));
        }
    // A SHORT's spare bytes are set to zero, whatever they held.
    TiffLayout t = CameraLayout();
    t.Exif = { TiffEntry::Short(0xA002, 4000) };
    QByteArray tiff = BuildTiff(t, true);
    const qint64 field = Block(tiff, true).Field(Block(tiff, true).Value(8, 0x8769), 0xA002);
    tiff[field + 2] = '\xAB';
    SetPixelDimensions(tiff, 0x1234, 1);
    EXPECT_EQ(tiff.sliced(field, 4), QByteArray("\x12\x34\0\0", 4));
}

TEST(PixelDimensions, LeavesAloneWhatItCannotWriteInPlace)
{
    struct Case {
        const char* Name;
        QList<TiffEntry> Exif;
        int Width;
        int Height;
    };
    const Case cases[] = {
        { "SHORT cannot hold the value", { TiffEntry::Short(0xA002, 4000), TiffEntry::Short(0xA003, 3000) }, 70000,
            65536 },
        { "negative values", { TiffEntry::Long(0xA002, 4000), TiffEntry::Long(0xA003, 3000) }, -1, -2 },
        { "count of 2", { TiffEntry { 0xA002, 3, { 4000, 1 }, {}, -1 }, TiffEntry { 0xA003, 4, { 3000, 1 }, {}, -1 } },
            10, 20 },
        { "count of 0", { TiffEntry { 0xA002, 4, { 4000 }, {}, 0 } }, 10, 20 },
        { "SSHORT, SLONG, RATIONAL",
            { TiffEntry { 0xA002, 8, { 4000 }, {}, -1 }, TiffEntry { 0xA003, 9, { 3000 }, {}, -1 },
                TiffEntry::Rational(0xA002, 4000, 1) },
            10, 20 },
        { "no dimension entries", { TiffEntry::Rational(0x829A, 1, 250) }, 10, 20 },
    };
    for (const bool big : { false, true })
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << (big ? "MM: " : "II: ") << c.Name);
            TiffLayout t = CameraLayout();
            t.Exif = c.Exif;
            const QByteArray original = BuildTiff(t, big);
            QByteArray tiff = original;
            SetPixelDimensions(tiff, c.Width, c.Height);
            EXPECT_EQ(tiff, original);
        }

    // The entries count only in the EXIF sub-IFD, reached through IFD0.
    for (const bool big : { false, true }) {
        SCOPED_TRACE(big ? "MM" : "II");
        TiffLayout t;
        t.Ifd0 = { TiffEntry::Long(0xA002, 4000), TiffEntry::Long(0xA003, 3000) };
        t.Ifd1 = { TiffEntry::Long(0xA002, 160), TiffEntry::Long(0xA003, 120) };
        const QByteArray noExif = BuildTiff(t, big);
        QByteArray tiff = noExif;
        SetPixelDimensions(tiff, 10, 20);
        EXPECT_EQ(tiff, noExif);

        t.Exif = { TiffEntry::Long(0x829A, 1) };
        QByteArray loop = BuildTiff(t, big);
        Put32(loop, Block(loop, big).Field(8, 0x8769), 8, big);
        tiff = loop;
        SetPixelDimensions(tiff, 10, 20);
        EXPECT_EQ(tiff, loop);
    }
}

TEST(EmbeddedThumbnail, IsTheBytesIfd1PointsAtAndNothingOutsideTheBlock)
{
    const QByteArray thumbnail = MakeJpeg(16, 16, TJSAMP_420);
    for (bool big : { false, true }) {
        const QByteArray tiff = TiffWithThumbnail(CameraLayout(), thumbnail, big);
        const std::optional<QByteArrayView> found = EmbeddedThumbnail(tiff);
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->toByteArray(), thumbnail);
        // A block cut inside the thumbnail: the length would reach past its end.
        EXPECT_FALSE(EmbeddedThumbnail(QByteArrayView(tiff).first(tiff.size() - 10)).has_value());
        EXPECT_FALSE(EmbeddedThumbnail(CameraTiff(1, big)).has_value());
    }
}
