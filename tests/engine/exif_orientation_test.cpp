#include "base/orientation_reader.h"
#include "base/unique_fd.h"
#include "engine/exif_orientation.h"
#include "support/exif_builder.h"
#include "support/jpeg_fixtures.h"
#include "support/qt_printers.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <turbojpeg.h>

using namespace tarvix;

namespace {

QByteArray Patched(const QByteArray& jpeg, quint16 value)
{
    QByteArray out = jpeg;
    ResetExifOrientation(out, value);
    EXPECT_EQ(out.size(), jpeg.size());
    return out;
}

quint16 ReadBack(const QByteArray& jpeg)
{
    MemoryByteSource source(jpeg.constData(), size_t(jpeg.size()));
    return OrientationOfJpeg(source);
}

int DifferingBytes(const QByteArray& a, const QByteArray& b)
{
    int n = 0;
    for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i)
        n += a[i] != b[i];
    return n + int(std::abs(a.size() - b.size()));
}

const QByteArray Picture = MakeJpeg(32, 24, TJSAMP_420);

} // namespace

TEST(ExifOrientation, RewritesIfd0ExifGpsAndIfd1InBothByteOrders)
{
    for (const bool big : { false, true }) {
        SCOPED_TRACE(big ? "big endian" : "little endian");
        TiffLayout layout;
        layout.Ifd0 = { TiffEntry::Short(0x0112, 6) };
        layout.Exif = { TiffEntry::Short(0x0112, 6) };
        // Read as the picture's orientation when it comes last: left unwritten, it would
        // have the picture turned again by every later correction.
        layout.Gps = { TiffEntry::Short(0x0112, 6) };
        layout.Ifd1 = { TiffEntry::Short(0x0112, 6) };
        const QByteArray jpeg = InsertSegments(Picture, ExifSegment(BuildTiff(layout, big)), true);
        const QByteArray out = Patched(jpeg, 3);
        EXPECT_EQ(OrientationEntries(out, big), QList<int>({ 3, 3, 3, 3 }));
        EXPECT_EQ(DifferingBytes(jpeg, out), 4); // one byte per rewritten entry
        EXPECT_EQ(ReadBack(out), 3);
    }
}

TEST(ExifOrientation, EveryEntryOfAKnownTypeReadsBackAsTheNewValue)
{
    struct Case {
        const char* Name;
        TiffEntry Entry;
    };
    TiffEntry shorts { 0x0112, 3, { 6, 6, 6 }, {}, -1 }; // stored outside the field
    TiffEntry bytes { 0x0112, 1, {}, QByteArray("\x06", 1), -1 };
    TiffEntry text = TiffEntry::Ascii(0x0112, "6");
    const Case cases[] = { { "SHORT", TiffEntry::Short(0x0112, 6) }, { "LONG", TiffEntry::Long(0x0112, 6) },
        { "RATIONAL", TiffEntry::Rational(0x0112, 6, 1) }, { "3 SHORTs", shorts }, { "BYTE", bytes },
        { "ASCII", text } };
    for (const bool big : { false, true })
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.Name) + (big ? " big endian" : " little endian"));
            TiffLayout layout;
            layout.Ifd0 = { c.Entry };
            const QByteArray jpeg = InsertSegments(Picture, ExifSegment(BuildTiff(layout, big)));
            for (const quint16 value : { 1, 8 })
                EXPECT_EQ(ReadBack(Patched(jpeg, value)), value);
        }
}

TEST(ExifOrientation, TheEmptyExifHeaderInFrontOfTheRealBlockIsPassedOver)
{
    // Both the reading and the rewrite settle on the block that has a TIFF header.
    const QByteArray jpeg
        = InsertSegments(Picture, Segment(0xE1, QByteArray("Exif\0\0", 6)) + ExifSegment(CameraTiff(6, false, 6)));
    EXPECT_EQ(ReadBack(jpeg), 6);
    const QByteArray out = Patched(jpeg, 1);
    EXPECT_EQ(OrientationEntries(out, false), QList<int>({ 1, 1 }));
    EXPECT_EQ(ReadBack(out), 1);

    // Only the first real block is the EXIF block.
    const QByteArray two
        = InsertSegments(Picture, ExifSegment(CameraTiff(6, false)) + ExifSegment(CameraTiff(8, false)));
    EXPECT_EQ(ReadBack(two), 6);
    EXPECT_EQ(OrientationEntries(Patched(two, 1), false), QList<int>({ 1, 8 }));
}

TEST(ExifOrientation, OverwritesEntriesOfAnyTypeAndCountLeftJustified)
{
    TiffLayout layout;
    TiffEntry odd = TiffEntry::Long(0x0112, 0x00080008);
    odd.CountOverride = 3;
    layout.Ifd0 = { odd };
    const QByteArray jpeg = InsertSegments(Picture, ExifSegment(BuildTiff(layout, true)));
    const QByteArray out = Patched(jpeg, 0x0102);
    const qsizetype field = out.indexOf(QByteArray("\x01\x12\x00\x04\x00\x00\x00\x03", 8)) + 8;
    EXPECT_EQ(out.mid(field, 4), QByteArray("\x01\x02\x00\x00", 4));
}

TEST(ExifOrientation, FindsTheExifSegmentBehindAnXmpSegmentAndRewritesXmpToo)
{
    for (const bool attribute : { true, false }) {
        const QByteArray segments = XmpSegment(XmpPacketWithOrientation(8, attribute))
            + ExifSegment(CameraTiff(8, false)) + XmpSegment(XmpPacketWithOrientation(8, attribute));
        const QByteArray jpeg = InsertSegments(Picture, segments);
        const QByteArray out = Patched(jpeg, 1);
        EXPECT_EQ(OrientationEntries(out, false), QList<int>({ 1 }));
        const QByteArray expected = attribute ? "tiff:Orientation=\"1\"" : "<tiff:Orientation>1</tiff:Orientation>";
        EXPECT_EQ(out.count(expected), 2);
        EXPECT_EQ(DifferingBytes(jpeg, out), 3);
    }
}

TEST(ExifOrientation, SkipsStrayBytesBeforeAMarkerAsTheTransformDoes)
{
    const QByteArray jpeg = InsertSegments(Picture, QByteArray("\x00\x01", 2) + ExifSegment(CameraTiff(6, false)));
    EXPECT_EQ(OrientationEntries(Patched(jpeg, 1), false), QList<int>({ 1 }));
}

TEST(ExifOrientation, LeavesFilesWithoutExifOrWithBrokenStructureUnchanged)
{
    const QByteArray withExif = InsertSegments(Picture, ExifSegment(CameraTiff(6, false)));
    QByteArray notExif = withExif;
    notExif.replace(notExif.indexOf("Exif"), 4, "Exih");
    QByteArray badOrder = withExif;
    badOrder.replace(badOrder.indexOf("II*"), 2, "IM");
    const QList<QByteArray> inputs = {
        Picture, // no APP1 at all
        QByteArray(), // empty
        "not a jpeg at all, just text", notExif, badOrder,
        withExif.left(withExif.indexOf("II*") + 3), // cut inside the TIFF header
    };
    for (const QByteArray& input : inputs)
        EXPECT_EQ(Patched(input, 3), input);
}

TEST(ExifOrientation, StopsAtLoopsAndNeverWritesOutsideTheExifSegment)
{
    // IFD0 whose next-IFD offset points back at itself, and an EXIF pointer to itself.
    TiffLayout layout;
    layout.Ifd0 = { TiffEntry::Short(0x0112, 6), TiffEntry::Long(0x8769, 8) };
    QByteArray tiff = BuildTiff(layout, false);
    tiff.replace(8 + 2 + 2 * 12, 4, QByteArray("\x08\x00\x00\x00", 4));
    const QByteArray looped = InsertSegments(Picture, ExifSegment(tiff));
    EXPECT_EQ(OrientationEntries(Patched(looped, 1), false), QList<int>({ 1 }));

    // An IFD offset that points past the segment, into the compressed picture data: the
    // rewrite must not reach there.
    TiffLayout far;
    far.Ifd0 = { TiffEntry::Short(0x0112, 6), TiffEntry::Long(0x8769, 4000) };
    QByteArray jpeg = InsertSegments(Picture, ExifSegment(BuildTiff(far, false)));
    const QByteArray out = Patched(jpeg, 1);
    EXPECT_EQ(OrientationEntries(out, false), QList<int>({ 1 }));
    EXPECT_EQ(DifferingBytes(jpeg, out), 1);
}

TEST(ExifOrientation, AFileIsRewrittenInOneStepAndALockedOneIsLeftAlone)
{
    TempFolder folder;
    const QString path = folder.File("a.jpg");
    const QByteArray jpeg = InsertSegments(Picture, ExifSegment(CameraTiff(6, true, 6)));
    WriteBytes(path, jpeg);
    struct stat before { };
    ::stat(QFile::encodeName(path).constData(), &before);

    ResetExifOrientation(path, 0); // nothing to do
    {
        const UniqueFd holder(::open(QFile::encodeName(path).constData(), O_RDONLY));
        ASSERT_EQ(::flock(holder.Get(), LOCK_EX), 0);
        ResetExifOrientation(path, 1); // another run holds it
    }
    EXPECT_EQ(ReadBytes(path), jpeg);

    ResetExifOrientation(path, 1);
    EXPECT_EQ(OrientationEntries(ReadBytes(path), true), QList<int>({ 1, 1 }));
    struct stat after { };
    ::stat(QFile::encodeName(path).constData(), &after);
    EXPECT_NE(after.st_ino, before.st_ino); // replaced, not written in place
    ResetExifOrientation(folder.File("missing.jpg"), 1); // no error, nothing created
    EXPECT_EQ(folder.Entries(), QStringList({ "a.jpg" }));
}

TEST(ExifOrientation, MalformedFilesKeepTheirLengthAndAlmostAllTheirBytes)
{
    const QDir corpus(TARVIX_SOURCE_DIR "/tests/corpus");
    const QStringList files = corpus.entryList({ "*.jpg", "*.png" }, QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        const QByteArray input = ReadBytes(corpus.filePath(name));
        // Only orientation values are ever written: a few bytes per entry at most.
        EXPECT_LE(DifferingBytes(input, Patched(input, 3)), 16) << name.toStdString();
    }
}
