#include "engine/byte_store.h"
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
#include <turbojpeg.h>
#include <unistd.h>

namespace {

QByteArray Patched(const QByteArray& jpeg, quint16 value)
{
    MemoryByteStore store(jpeg);
    PatchExifOrientation(store, value);
    EXPECT_EQ(store.Bytes().size(), jpeg.size());
    return store.Bytes();
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

TEST(ExifOrientation, RewritesIfd0ExifSubIfdAndIfd1InBothByteOrders)
{
    for (const bool big : { false, true }) {
        TiffLayout layout;
        layout.Ifd0 = { TiffEntry::Short(0x0112, 6) };
        layout.Exif = { TiffEntry::Short(0x0112, 6) };
        layout.Gps = { TiffEntry::Short(0x0112, 6) }; // not an orientation the rewrite visits
        layout.Ifd1 = { TiffEntry::Short(0x0112, 6) };
        const QByteArray jpeg = InsertSegments(Picture, ExifSegment(BuildTiff(layout, big)), true);
        const QByteArray out = Patched(jpeg, 3);
        EXPECT_EQ(OrientationEntries(out, big), QList<int>({ 3, 3, 6, 3 })) << "big endian: " << big;
        EXPECT_EQ(DifferingBytes(jpeg, out), 3); // one byte per rewritten entry
    }
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

TEST(ExifOrientation, WorksOnFilesAndLeavesLockedFilesAlone)
{
    TempFolder folder;
    const QString path = folder.File("a.jpg");
    const QByteArray jpeg = InsertSegments(Picture, ExifSegment(CameraTiff(6, true, 6)));
    WriteBytes(path, jpeg);

    ResetExifOrientation(path, 0); // nothing to do
    EXPECT_EQ(ReadBytes(path), jpeg);

    {
        const int holder = ::open(QFile::encodeName(path).constData(), O_RDONLY);
        ASSERT_GE(holder, 0);
        ASSERT_EQ(::flock(holder, LOCK_EX), 0);
        ResetExifOrientation(path, 1);
        EXPECT_EQ(ReadBytes(path), jpeg);
        ::close(holder);
    }

    ResetExifOrientation(path, 1);
    EXPECT_EQ(OrientationEntries(ReadBytes(path), true), QList<int>({ 1, 1 }));
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
