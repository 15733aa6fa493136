#include "engine/jpeg_header.h"
#include "platform/locked_file.h"
#include "support/exif_builder.h"
#include "support/jpeg_fixtures.h"
#include "support/qt_printers.h"
#include "support/temp_folder.h"
#include "ui/jpeg_decoder.h"
#include "ui/thumbnail_maker.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThreadPool>
#include <QtConcurrent>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <turbojpeg.h>

using namespace tarvix;

namespace {

constexpr ThumbnailCell Cell { 110, 130 };
constexpr ThumbnailOptions High { true, true };
constexpr ThumbnailOptions Low { false, true };

const QColor Red(230, 40, 40);
const QColor Blue(40, 40, 230);
const QColor Green(40, 200, 40);

enum class Kind { Sampled444, Sampled420, Progressive, Gray, Cmyk };

// A picture whose left half is `left` and right half `right`, so that a turn or a mirror shows.
QByteArray TwoColourJpeg(int width, int height, QColor left, QColor right, Kind kind = Kind::Sampled444)
{
    const bool cmyk = kind == Kind::Cmyk;
    const int channels = cmyk ? 4 : 3;
    std::vector<unsigned char> pixels(size_t(width) * height * channels);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const QColor c = x < width / 2 ? left : right;
            unsigned char* p = &pixels[(size_t(y) * width + x) * channels];
            // As CMYK stored the way Adobe does (inverted), R G B 255 is that colour.
            p[0] = uchar(c.red()), p[1] = uchar(c.green()), p[2] = uchar(c.blue());
            if (cmyk)
                p[3] = 255;
        }
    const int sampling = kind == Kind::Gray ? TJSAMP_GRAY : kind == Kind::Sampled444 ? TJSAMP_444 : TJSAMP_420;
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int result = tjCompress2(handle, pixels.data(), width, 0, height, cmyk ? TJPF_CMYK : TJPF_RGB, &out, &size,
        sampling, 95, kind == Kind::Progressive ? TJFLAG_PROGRESSIVE : 0);
    QByteArray jpeg = result == 0 ? QByteArray(reinterpret_cast<const char*>(out), qsizetype(size)) : QByteArray();
    tjFree(out);
    tjDestroy(handle);
    return jpeg;
}

// The picture with an EXIF block: orientation 6, which must not be applied, and `thumbnail` as
// its embedded thumbnail unless that is empty.
QByteArray WithExif(const QByteArray& jpeg, const QByteArray& thumbnail)
{
    TiffLayout layout;
    layout.Ifd0 = { TiffEntry::Ascii(0x010F, "Maker"), TiffEntry::Short(0x0112, 6) };
    layout.Ifd1 = { TiffEntry::Short(0x0103, 6) };
    const QByteArray tiff
        = thumbnail.isEmpty() ? BuildTiff(layout, false) : TiffWithThumbnail(layout, thumbnail, false);
    return InsertSegments(jpeg, ExifSegment(tiff), true);
}

// The frame header rewritten to claim another size.
QByteArray ClaimingSize(QByteArray jpeg, int width, int height)
{
    const qint64 at = ReadJpegHead(jpeg).FrameOffset;
    if (at < 0)
        return {};
    jpeg[at + 5] = char(height >> 8), jpeg[at + 6] = char(height);
    jpeg[at + 7] = char(width >> 8), jpeg[at + 8] = char(width);
    return jpeg;
}

// The first scan rewritten to hold only the first component: the scans of a sequential
// picture then come one after the other.
QByteArray WithSingleComponentScan(const QByteArray& jpeg)
{
    const qsizetype at = jpeg.indexOf("\xFF\xDA", ReadJpegHead(jpeg).FrameOffset);
    if (at < 0)
        return {};
    const int length = (uchar(jpeg[at + 2]) << 8) | uchar(jpeg[at + 3]);
    const QByteArray scan = QByteArray("\xFF\xDA\x00\x08\x01", 5) + jpeg.mid(at + 5, 2) + QByteArray("\x00\x3F\x00", 3);
    return jpeg.first(at) + scan + jpeg.mid(at + 2 + length);
}

QString Write(const TempFolder& folder, const QString& name, const QByteArray& bytes)
{
    const QString path = folder.File(name);
    WriteBytes(path, bytes);
    return path;
}

::testing::AssertionResult HasColour(const QImage& image, int x, int y, QColor expected, int tolerance = 40)
{
    const QColor c = image.pixelColor(x, y);
    if (std::abs(c.red() - expected.red()) <= tolerance && std::abs(c.green() - expected.green()) <= tolerance
        && std::abs(c.blue() - expected.blue()) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel " << x << "," << y << " is " << c.name().toStdString()
                                         << ", expected about " << expected.name().toStdString();
}

} // namespace

TEST(ThumbnailMaker, SizeFollowsTheCellRules)
{
    struct Case {
        QSize Picture;
        bool Enlarge;
        QSize Expected;
    } const cases[] = {
        { { 4000, 3000 }, true, { 100, 70 } }, // 3000 * 94 / 4000, the flatter landscape height
        { { 3000, 4000 }, true, { 75, 100 } }, { { 1000, 1000 }, true, { 100, 100 } }, // square counts as portrait
        { { 40, 30 }, true, { 100, 70 } }, // enlarged
        { { 100, 120 }, false, { 100, 120 } }, // fits with 10 to spare: its own size
        { { 101, 50 }, false, { 100, 46 } }, // 101 + 10 > 110: scaled, 50 * 94 / 101
        { { 90, 121 }, false, { 74, 100 } }, // 121 + 10 > 130
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Picture.width() << "x" << c.Picture.height() << " enlarge " << c.Enlarge);
        const QSize size
            = ThumbnailScales(c.Picture, Cell, c.Enlarge) ? ThumbnailTargetSize(c.Picture, Cell) : c.Picture;
        EXPECT_EQ(size, c.Expected);
    }
    EXPECT_TRUE(ThumbnailTargetSize({ 0, 0 }, Cell).isEmpty());
    EXPECT_TRUE(ThumbnailTargetSize({ 10, 0 }, Cell).isEmpty());

    // The decode covers the thumbnail at the smallest scale, never above the picture's own size.
    EXPECT_EQ(CoveringDecodeSize({ 4000, 3000 }, { 140, 105 }), QSize(500, 375));
    EXPECT_EQ(CoveringDecodeSize({ 800, 600 }, { 100, 75 }), QSize(100, 75)); // exactly 1/8
    EXPECT_EQ(CoveringDecodeSize({ 1000, 1000 }, { 140, 140 }), QSize(250, 250)); // 1/8 falls short
    EXPECT_EQ(CoveringDecodeSize({ 40, 30 }, { 100, 70 }), QSize(40, 30));
}

TEST(ThumbnailMaker, DecodesToTheExactSizeWithThePixelsAsStored)
{
    TempFolder folder;
    for (const Kind kind : { Kind::Sampled444, Kind::Sampled420, Kind::Progressive, Kind::Gray, Kind::Cmyk }) {
        SCOPED_TRACE(testing::Message() << "kind " << int(kind));
        // Orientation 6 in the file: applying it would put red on top instead of on the left.
        const QString landscape = Write(folder, "l.jpg", WithExif(TwoColourJpeg(1600, 1200, Red, Blue, kind), {}));
        const QString portrait = Write(folder, "p.jpg", WithExif(TwoColourJpeg(600, 800, Red, Blue, kind), {}));
        // Grey keeps the luma of the colours, 35 levels apart.
        const bool gray = kind == Kind::Gray;
        const QColor left = gray ? QColor(97, 97, 97) : Red;
        const QColor right = gray ? QColor(62, 62, 62) : Blue;
        const int tolerance = gray ? 12 : 40;
        for (const ThumbnailOptions options : { High, Low }) { // without an embedded thumbnail Low decodes too
            const Thumbnail l = MakeThumbnailImage(landscape, Cell, options);
            ASSERT_EQ(l.Result, Thumbnail::Outcome::Made);
            ASSERT_EQ(l.Image.size(), QSize(100, 70));
            EXPECT_TRUE(HasColour(l.Image, 10, 5, left, tolerance));
            EXPECT_TRUE(HasColour(l.Image, 10, 64, left, tolerance));
            EXPECT_TRUE(HasColour(l.Image, 90, 5, right, tolerance));

            const Thumbnail p = MakeThumbnailImage(portrait, Cell, options);
            ASSERT_EQ(p.Result, Thumbnail::Outcome::Made);
            ASSERT_EQ(p.Image.size(), QSize(75, 100));
            EXPECT_TRUE(HasColour(p.Image, 5, 50, left, tolerance));
            EXPECT_TRUE(HasColour(p.Image, 70, 50, right, tolerance));
        }
    }

    // A picture that fits the cell keeps its size, from either quality and despite its thumbnail.
    const QString small
        = Write(folder, "s.jpg", WithExif(TwoColourJpeg(90, 60, Red, Blue), TwoColourJpeg(90, 60, Green, Green)));
    for (const bool high : { true, false }) {
        const Thumbnail t = MakeThumbnailImage(small, Cell, { high, false });
        ASSERT_EQ(t.Result, Thumbnail::Outcome::Made);
        EXPECT_EQ(t.Image.size(), QSize(90, 60));
        EXPECT_TRUE(HasColour(t.Image, 5, 30, Red));
    }
    // Enlarged, and one so flat that its thumbnail would have no rows.
    EXPECT_EQ(MakeThumbnailImage(small, Cell, High).Image.size(), QSize(100, 62));
    const QString flat = Write(folder, "f.jpg", TwoColourJpeg(2000, 8, Red, Blue));
    EXPECT_EQ(MakeThumbnailImage(flat, Cell, High).Image.size(), QSize(100, 1));
}

TEST(ThumbnailMaker, LowQualityTakesTheEmbeddedThumbnailWhenItDecodes)
{
    TempFolder folder;
    const QByteArray picture = TwoColourJpeg(1600, 1200, Red, Blue);
    const QByteArray thumbnail = TwoColourJpeg(160, 120, Green, Green);
    const QByteArray file = WithExif(picture, thumbnail);
    const QString path = Write(folder, "t.jpg", file);

    const Thumbnail low = MakeThumbnailImage(path, Cell, Low);
    ASSERT_EQ(low.Result, Thumbnail::Outcome::Made);
    EXPECT_EQ(low.Image.size(), QSize(100, 70)); // the size comes from the picture
    EXPECT_TRUE(HasColour(low.Image, 10, 35, Green));
    EXPECT_TRUE(HasColour(low.Image, 90, 35, Green));
    EXPECT_TRUE(HasColour(MakeThumbnailImage(path, Cell, High).Image, 10, 35, Red));

    // The head is enough: a picture whose compressed data is mostly gone still has its thumbnail.
    const QString cut = Write(folder, "cut.jpg", file.first(ReadJpegHead(file).FrameOffset + 2000));
    EXPECT_TRUE(HasColour(MakeThumbnailImage(cut, Cell, Low).Image, 10, 35, Green));

    // A thumbnail that is no JPEG, or runs past its block, leaves the picture to be decoded.
    const QByteArray tiff = TiffWithThumbnail(
        { { TiffEntry::Short(0x0112, 1) }, {}, {}, { TiffEntry::Short(0x0103, 6) } }, thumbnail, true);
    const QByteArray broken[] = {
        WithExif(picture, QByteArray(thumbnail.size(), 'x')),
        InsertSegments(picture, ExifSegment(tiff.first(tiff.size() - 1)), true),
    };
    for (const QByteArray& file : broken) {
        const Thumbnail t = MakeThumbnailImage(Write(folder, "b.jpg", file), Cell, Low);
        ASSERT_EQ(t.Result, Thumbnail::Outcome::Made);
        EXPECT_EQ(t.Image.size(), QSize(100, 70));
        EXPECT_TRUE(HasColour(t.Image, 10, 35, Red));
    }
}

TEST(ThumbnailMaker, HostileFilesAreRefusedOrShownInPartQuickly)
{
    TempFolder folder;
    const QByteArray picture = TwoColourJpeg(800, 600, Red, Blue);
    EXPECT_EQ(MakeThumbnailImage(folder.File("none.jpg"), Cell, High).Result, Thumbnail::Outcome::Missing);
    ASSERT_EQ(::symlink("none.jpg", QFile::encodeName(folder.File("dangling.jpg")).constData()), 0);
    EXPECT_EQ(MakeThumbnailImage(folder.File("dangling.jpg"), Cell, High).Result, Thumbnail::Outcome::Missing);
    ASSERT_TRUE(QDir(folder.Path()).mkdir("folder.jpg"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.File("pipe.jpg")).constData(), 0600), 0);

    struct Case {
        const char* Name;
        QByteArray Bytes;
    } const refused[] = {
        { "empty", {} },
        { "text", "Just some words, no picture at all.\n" },
        { "cut after the frame header", picture.first(ReadJpegHead(picture).FrameOffset + 19) },
        { "65535 x 65535", ClaimingSize(picture, 65535, 65535) },
        { "progressive 9000 x 9000", ClaimingSize(TwoColourJpeg(800, 600, Red, Blue, Kind::Progressive), 9000, 9000) },
        { "scans one by one, 9000 x 9000", ClaimingSize(WithSingleComponentScan(picture), 9000, 9000) },
    };
    QStringList paths = { folder.File("folder.jpg"), folder.File("pipe.jpg") };
    for (const Case& c : refused)
        paths.append(Write(folder, QString("%1.jpg").arg(c.Name), c.Bytes));
    for (const QString& path : paths)
        for (const ThumbnailOptions options : { High, Low }) {
            SCOPED_TRACE(path.toStdString());
            EXPECT_EQ(MakeThumbnailImage(path, Cell, options).Result, Thumbnail::Outcome::Unreadable);
        }

    // What is there of a picture cut short shows, the rest grey; a big claim with little data
    // behind it comes out grey, but soon.
    const Thumbnail cut
        = MakeThumbnailImage(Write(folder, "cut.jpg", picture.first(picture.size() * 6 / 10)), Cell, High);
    ASSERT_EQ(cut.Result, Thumbnail::Outcome::Made);
    EXPECT_TRUE(HasColour(cut.Image, 10, 5, Red));
    EXPECT_TRUE(HasColour(cut.Image, 10, 66, QColor(128, 128, 128), 10));
    QElapsedTimer timer;
    timer.start();
    for (const QByteArray& claim : { ClaimingSize(picture, 9000, 9000), ClaimingSize(picture, 30000, 30000) }) {
        const Thumbnail t = MakeThumbnailImage(Write(folder, "claim.jpg", claim), Cell, High);
        ASSERT_EQ(t.Result, Thumbnail::Outcome::Made);
        EXPECT_EQ(t.Image.size(), QSize(100, 100));
    }
    EXPECT_LT(timer.elapsed(), 5000);

    // Larger than any picture is read: refused even where its head holds a thumbnail.
    const QString huge = Write(folder, "huge.jpg", WithExif(picture, TwoColourJpeg(160, 120, Green, Green)));
    ASSERT_TRUE(QFile::resize(huge, MaxPictureFileSize + 1));
    EXPECT_EQ(MakeThumbnailImage(huge, Cell, Low).Result, Thumbnail::Outcome::Unreadable);

    // The malformed files kept for the parsers: never missing, never slow.
    const QDir corpus(TARVIX_SOURCE_DIR "/tests/corpus");
    const QStringList files = corpus.entryList({ "*.jpg" }, QDir::Files);
    EXPECT_FALSE(files.isEmpty());
    for (const QString& name : files)
        for (const ThumbnailOptions options : { High, Low }) {
            SCOPED_TRACE(name.toStdString());
            timer.start();
            EXPECT_NE(MakeThumbnailImage(corpus.filePath(name), Cell, options).Result, Thumbnail::Outcome::Missing);
            EXPECT_LT(timer.elapsed(), 1000);
        }
}

TEST(ThumbnailMaker, ThreadsMakeTheSameImages)
{
    TempFolder folder;
    QList<std::pair<QString, ThumbnailOptions>> jobs;
    const Kind kinds[] = { Kind::Sampled444, Kind::Sampled420, Kind::Progressive, Kind::Gray, Kind::Cmyk };
    for (int i = 0; i < 5; ++i) {
        const QByteArray jpeg = TwoColourJpeg(900 + 97 * i, 700 - 31 * i, Red, Blue, kinds[i]);
        const QString path
            = Write(folder, QString("%1.jpg").arg(i), WithExif(jpeg, TwoColourJpeg(160, 120, Green, Blue)));
        jobs.append({ path, High });
        jobs.append({ path, Low });
    }
    QList<QImage> expected;
    for (const auto& [path, options] : std::as_const(jobs))
        expected.append(MakeThumbnailImage(path, Cell, options).Image);

    QList<std::pair<QString, ThumbnailOptions>> repeated;
    for (int round = 0; round < 6; ++round)
        repeated.append(jobs);
    QThreadPool pool;
    pool.setMaxThreadCount(4);
    const QList<QImage> images = QtConcurrent::blockingMapped<QList<QImage>>(
        &pool, repeated, [](const std::pair<QString, ThumbnailOptions>& job) {
            return MakeThumbnailImage(job.first, Cell, job.second).Image;
        });
    ASSERT_EQ(images.size(), repeated.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        ASSERT_FALSE(images[i].isNull());
        EXPECT_EQ(images[i], expected[i % jobs.size()]) << "job " << i;
    }
}
