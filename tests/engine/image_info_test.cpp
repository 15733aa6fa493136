#include "engine/exif_reader.h"
#include "engine/image_info.h"
#include "support/exif_builder.h"
#include "support/jpeg_fixtures.h"
#include "support/test_data.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <turbojpeg.h>

using namespace tarvix;

namespace {

class ImageInfoTest : public ::testing::Test {
protected:
    QString Write(const QByteArray& bytes, const QString& name = "image.jpg")
    {
        const QString path = FDir.filePath(name);
        WriteBytes(path, bytes);
        return path;
    }
    QTemporaryDir FDir;
};

} // namespace

TEST_F(ImageInfoTest, EveryOrientationInBothByteOrders)
{
    const QByteArray jpeg = MakeJpeg(48, 32, TJSAMP_420);
    for (const bool big : { false, true }) {
        SCOPED_TRACE(big ? "big-endian" : "little-endian");
        for (int orientation = 0; orientation <= 9; ++orientation) {
            SCOPED_TRACE(orientation);
            // IFD1 carries another value: the picture's own must win.
            const QString path = Write(InsertSegments(jpeg, ExifSegment(CameraTiff(orientation, big, 1)), true));
            EXPECT_EQ(ReadExifOrientation(path), orientation);
            const ImageInfo info = OpenImageInfo(path);
            EXPECT_TRUE(info.IsImage);
            EXPECT_EQ(info.Width, 48);
            EXPECT_EQ(info.Height, 32);
        }
    }
    EXPECT_EQ(ReadExifOrientation(Write(jpeg)), 0); // no EXIF at all
}

TEST_F(ImageInfoTest, SamplePhotographs)
{
    const QString folder = TestDataFolder("exif-orientation-examples");
    if (folder.isEmpty())
        return;
    for (const QString kind : { "Landscape", "Portrait" })
        for (int n = 0; n <= 8; ++n) {
            const QString path = QString("%1/%2_%3.jpg").arg(folder, kind).arg(n);
            SCOPED_TRACE(path.toStdString());
            EXPECT_EQ(ReadExifOrientation(path), n);
            const ImageInfo info = OpenImageInfo(path);
            const bool wide = (kind == "Landscape") == (n <= 4);
            EXPECT_EQ(info.Width, wide ? 1800 : 1200);
            EXPECT_EQ(info.Height, wide ? 1200 : 1800);
            EXPECT_EQ(info.Frame.McuHeight(), 16);
            EXPECT_FALSE(info.ExifTiff.isEmpty());
        }
}

TEST_F(ImageInfoTest, SegmentsFarIntoTheFileAreFound)
{
    const QByteArray jpeg = MakeJpeg(40, 24, TJSAMP_422);
    const QByteArray big = Segment(0xE2, QByteArray(65000, 'i'));
    // XMP first, then 130 000 bytes of colour profile, then EXIF: all beyond the first read.
    const QString path = Write(InsertSegments(
        jpeg, XmpSegment(XmpPacketWithOrientation(3)) + big + big + ExifSegment(CameraTiff(6, true)), true));
    EXPECT_EQ(ReadExifOrientation(path), 6);
    const ImageInfo info = OpenImageInfo(path);
    EXPECT_EQ(info.Width, 40);
    EXPECT_EQ(info.Frame.McuHeight(), 8);

    // An EXIF segment behind the frame header (before the scan) counts as well.
    const qsizetype sof = jpeg.indexOf("\xFF\xC0");
    const qsizetype afterSof = sof + 2 + ((uchar(jpeg[sof + 2]) << 8) | uchar(jpeg[sof + 3]));
    const QByteArray late = jpeg.left(afterSof) + ExifSegment(CameraTiff(8, false)) + jpeg.mid(afterSof);
    EXPECT_EQ(ReadExifOrientation(Write(late)), 8);
    EXPECT_EQ(OrientationOfImage(ParseImageInfo(late)), 8);
}

// Broken and foreign content is in the replay corpus; these are the files that are no file.
TEST_F(ImageInfoTest, WhatIsNoFileIsNoImage)
{
    auto expectNoImage = [](const QString& path) {
        const ImageInfo info = OpenImageInfo(path);
        EXPECT_FALSE(info.IsImage);
        EXPECT_EQ(info.Width, 0);
        EXPECT_EQ(info.Height, 0);
        EXPECT_EQ(ReadExifOrientation(path), 0);
        EXPECT_FALSE(HasEightRowMcu(path));
    };
    expectNoImage(FDir.filePath("missing.jpg"));
    ASSERT_TRUE(QDir(FDir.path()).mkdir("folder.jpg"));
    expectNoImage(FDir.filePath("folder.jpg"));
    // A FIFO named like a photo must not block the scan of a folder.
    const QString fifo = FDir.filePath("fifo.jpg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    expectNoImage(fifo);
}
