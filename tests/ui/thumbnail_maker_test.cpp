#include "engine/jpeg_header.h"
#include "platform/locked_file.h"
#include "support/exif_builder.h"
#include "support/jpeg_fixtures.h"
#include "support/temp_folder.h"
#include "ui/thumbnails/jpeg_decoder.h"
#include "ui/thumbnails/thumbnail_maker.h"

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
const QColor Red(230, 40, 40), Blue(40, 40, 230), Green(40, 200, 40), Grey(128, 128, 128);

enum class Kind { Sampled444, Sampled420, Progressive, Gray, Cmyk };

// Left half `left`, right half `right`: a turn or a mirror shows.
QByteArray TwoColourJpeg(int width, int height, QColor left, QColor right, Kind kind = Kind::Sampled444)
{
    const int channels = kind == Kind::Cmyk ? 4 : 3;
    std::vector<unsigned char> pixels(size_t(width) * height * channels, 255); // CMYK as Adobe stores it: K 255
    for (size_t i = 0; i < pixels.size() / channels; ++i) {
        const QColor c = int(i % width) < width / 2 ? left : right;
        pixels[i * channels] = uchar(c.red()), pixels[i * channels + 1] = uchar(c.green());
        pixels[i * channels + 2] = uchar(c.blue());
    }
    const int sampling = kind == Kind::Gray ? TJSAMP_GRAY : kind == Kind::Sampled444 ? TJSAMP_444 : TJSAMP_420;
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const bool ok = tjCompress2(handle, pixels.data(), width, 0, height, channels == 4 ? TJPF_CMYK : TJPF_RGB, &out,
                        &size, sampling, 95, kind == Kind::Progressive ? TJFLAG_PROGRESSIVE : 0)
        == 0;
    QByteArray jpeg = ok ? QByteArray(reinterpret_cast<const char*>(out), qsizetype(size)) : QByteArray();
    tjFree(out);
    tjDestroy(handle);
    return jpeg;
}

// With an EXIF block of orientation 6, which must not be applied, and `thumbnail` unless empty.
QByteArray WithExif(const QByteArray& jpeg, const QByteArray& thumbnail)
{
    const TiffLayout layout { { TiffEntry::Short(0x0112, 6) }, {}, {}, { TiffEntry::Short(0x0103, 6) } };
    return InsertSegments(jpeg,
        ExifSegment(thumbnail.isEmpty() ? BuildTiff(layout, false) : TiffWithThumbnail(layout, thumbnail, false)),
        true);
}

QByteArray ClaimingSize(QByteArray jpeg, int width, int height)
{
    const qint64 at = ReadJpegHead(jpeg).FrameOffset;
    jpeg[at + 5] = char(height >> 8), jpeg[at + 6] = char(height), jpeg[at + 7] = char(width >> 8);
    jpeg[at + 8] = char(width);
    return jpeg;
}

// The first scan holds only the first component: the scans of a sequential picture then come one by one.
QByteArray WithSingleComponentScan(const QByteArray& jpeg)
{
    const qsizetype at = jpeg.indexOf("\xFF\xDA", ReadJpegHead(jpeg).FrameOffset);
    const QByteArray scan = QByteArray("\xFF\xDA\x00\x08\x01", 5) + jpeg.mid(at + 5, 2) + QByteArray("\x00\x3F\x00", 3);
    return jpeg.first(at) + scan + jpeg.mid(at + 2 + ((uchar(jpeg[at + 2]) << 8) | uchar(jpeg[at + 3])));
}

QString Write(const TempFolder& folder, const QString& name, const QByteArray& bytes)
{
    WriteBytes(folder.File(name), bytes);
    return folder.File(name);
}

bool Near(const QImage& image, int x, int y, QColor expected, int tolerance = 40)
{
    const QColor c = image.pixelColor(x, y);
    return std::abs(c.red() - expected.red()) <= tolerance && std::abs(c.green() - expected.green()) <= tolerance
        && std::abs(c.blue() - expected.blue()) <= tolerance;
}

} // namespace

TEST(ThumbnailMaker, SizeFollowsTheCellRules)
{
    struct Case {
        QSize Picture;
        bool Enlarge;
        QSize Expected;
    } const cases[] = {
        { { 4000, 3000 }, true, { 100, 70 } }, // 3000 * 94 / 4000: landscape comes out flatter
        { { 3000, 4000 }, true, { 75, 100 } }, { { 1000, 1000 }, true, { 100, 100 } },
        { { 40, 30 }, true, { 100, 70 } }, { { 100, 120 }, false, { 100, 120 } }, // fits with 10 to spare: its own size
        { { 101, 50 }, false, { 100, 46 } }, // 101 + 10 > 110
        { { 90, 121 }, false, { 74, 100 } }, // 121 + 10 > 130
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Picture.width() << "x" << c.Picture.height() << " enlarge " << c.Enlarge);
        EXPECT_EQ(
            ThumbnailScales(c.Picture, Cell, c.Enlarge) ? ThumbnailTargetSize(c.Picture, Cell) : c.Picture, c.Expected);
    }
    EXPECT_TRUE(ThumbnailTargetSize({ 10, 0 }, Cell).isEmpty());

    // The decode covers the thumbnail at the smallest scale, never above the picture's own size.
    EXPECT_EQ(CoveringDecodeSize({ 4000, 3000 }, { 140, 105 }), QSize(500, 375));
    EXPECT_EQ(CoveringDecodeSize({ 800, 600 }, { 100, 75 }), QSize(100, 75));
    EXPECT_EQ(CoveringDecodeSize({ 1000, 1000 }, { 140, 140 }), QSize(250, 250)); // 1/8 falls short
    EXPECT_EQ(CoveringDecodeSize({ 40, 30 }, { 100, 70 }), QSize(40, 30));
}

TEST(ThumbnailMaker, DecodesToTheExactSizeWithThePixelsAsStored)
{
    TempFolder folder;
    for (const Kind kind : { Kind::Sampled444, Kind::Sampled420, Kind::Progressive, Kind::Gray, Kind::Cmyk }) {
        SCOPED_TRACE(testing::Message() << "kind " << int(kind));
        // Orientation 6 applied would put red on top; grey keeps the colours' luma, 35 apart.
        const QString path = Write(folder, "l.jpg", WithExif(TwoColourJpeg(1600, 1200, Red, Blue, kind), {}));
        const bool gray = kind == Kind::Gray;
        const QColor left = gray ? QColor(97, 97, 97) : Red, right = gray ? QColor(62, 62, 62) : Blue;
        const int tolerance = gray ? 12 : 40;
        for (const ThumbnailOptions options : { High, Low }) { // without an embedded thumbnail Low decodes too
            const Thumbnail t = MakeThumbnailImage(path, Cell, options);
            ASSERT_EQ(t.Result, Thumbnail::Outcome::Made);
            ASSERT_EQ(t.Image.size(), QSize(100, 70));
            EXPECT_TRUE(Near(t.Image, 10, 5, left, tolerance) && Near(t.Image, 10, 64, left, tolerance));
            EXPECT_TRUE(Near(t.Image, 90, 5, right, tolerance));
        }
    }

    // Fitting the cell: its own size from either quality, its thumbnail unused. Enlarged; and so
    // flat that its thumbnail would have no rows.
    const QString small
        = Write(folder, "s.jpg", WithExif(TwoColourJpeg(90, 60, Red, Blue), TwoColourJpeg(90, 60, Green, Green)));
    for (const bool high : { true, false }) {
        const Thumbnail t = MakeThumbnailImage(small, Cell, { high, false });
        EXPECT_EQ(t.Image.size(), QSize(90, 60));
        EXPECT_TRUE(Near(t.Image, 5, 30, Red));
    }
    EXPECT_EQ(MakeThumbnailImage(small, Cell, High).Image.size(), QSize(100, 62));
    const QString flat = Write(folder, "f.jpg", TwoColourJpeg(2000, 8, Red, Blue));
    EXPECT_EQ(MakeThumbnailImage(flat, Cell, High).Image.size(), QSize(100, 1));
}

TEST(ThumbnailMaker, LowQualityTakesTheEmbeddedThumbnailWhenItDecodes)
{
    TempFolder folder;
    const QByteArray picture = TwoColourJpeg(1600, 1200, Red, Blue), thumbnail = TwoColourJpeg(160, 120, Green, Green);
    const QByteArray file = WithExif(picture, thumbnail);
    const Thumbnail low = MakeThumbnailImage(Write(folder, "t.jpg", file), Cell, Low);
    EXPECT_EQ(low.Image.size(), QSize(100, 70)); // the size is the picture's
    EXPECT_TRUE(Near(low.Image, 10, 35, Green) && Near(low.Image, 90, 35, Green));
    EXPECT_TRUE(Near(MakeThumbnailImage(folder.File("t.jpg"), Cell, High).Image, 10, 35, Red));
    // The head is enough: with the picture's data mostly gone the thumbnail still shows.
    const QString cut = Write(folder, "cut.jpg", file.first(ReadJpegHead(file).FrameOffset + 2000));
    EXPECT_TRUE(Near(MakeThumbnailImage(cut, Cell, Low).Image, 10, 35, Green));

    // A thumbnail that is no JPEG, or runs past its block, leaves the picture to be decoded.
    const QByteArray tiff = TiffWithThumbnail({ { TiffEntry::Short(0x0112, 1) }, {}, {}, {} }, thumbnail, true);
    for (const QByteArray& broken : { WithExif(picture, QByteArray(thumbnail.size(), 'x')),
             InsertSegments(picture, ExifSegment(tiff.first(tiff.size() - 1)), true) }) {
        const Thumbnail t = MakeThumbnailImage(Write(folder, "b.jpg", broken), Cell, Low);
        EXPECT_EQ(t.Image.size(), QSize(100, 70));
        EXPECT_TRUE(Near(t.Image, 10, 35, Red));
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
    const QByteArray progressive = TwoColourJpeg(800, 600, Red, Blue, Kind::Progressive);
    const std::pair<QString, QByteArray> refused[] = {
        { "empty", {} },
        { "text", "Just some words, no picture at all.\n" },
        { "cut after the frame header", picture.first(ReadJpegHead(picture).FrameOffset + 19) },
        { "65535 x 65535", ClaimingSize(picture, 65535, 65535) },
        { "progressive 9000 x 9000", ClaimingSize(progressive, 9000, 9000) },
        { "scans one by one, 9000 x 9000", ClaimingSize(WithSingleComponentScan(picture), 9000, 9000) },
    };
    QStringList paths = { folder.File("folder.jpg"), folder.File("pipe.jpg") };
    for (const auto& [name, bytes] : refused)
        paths.append(Write(folder, name + ".jpg", bytes));
    for (const QString& path : paths)
        for (const ThumbnailOptions options : { High, Low })
            EXPECT_EQ(MakeThumbnailImage(path, Cell, options).Result, Thumbnail::Outcome::Unreadable)
                << path.toStdString();

    // What there is of a picture cut short shows, the rest grey; a big claim with little data
    // behind it comes out grey, but soon.
    const Thumbnail cut
        = MakeThumbnailImage(Write(folder, "cut.jpg", picture.first(picture.size() * 6 / 10)), Cell, High);
    EXPECT_TRUE(Near(cut.Image, 10, 5, Red) && Near(cut.Image, 10, 66, Grey, 10));
    QElapsedTimer timer;
    timer.start();
    for (const QByteArray& claim : { ClaimingSize(picture, 9000, 9000), ClaimingSize(picture, 30000, 30000) })
        EXPECT_EQ(MakeThumbnailImage(Write(folder, "claim.jpg", claim), Cell, High).Image.size(), QSize(100, 100));
    EXPECT_LT(timer.elapsed(), 5000);

    // Larger than any picture is read: refused even where its head holds a thumbnail.
    const QString huge = Write(folder, "huge.jpg", WithExif(picture, TwoColourJpeg(160, 120, Green, Green)));
    ASSERT_TRUE(QFile::resize(huge, MaxPictureFileSize + 1));
    EXPECT_EQ(MakeThumbnailImage(huge, Cell, Low).Result, Thumbnail::Outcome::Unreadable);

    // The malformed files kept for the parsers: never missing, never slow.
    const QDir corpus(TARVIX_SOURCE_DIR "/tests/corpus");
    for (const QString& name : corpus.entryList({ "*.jpg" }, QDir::Files))
        for (const ThumbnailOptions options : { High, Low }) {
            timer.start();
            EXPECT_NE(MakeThumbnailImage(corpus.filePath(name), Cell, options).Result, Thumbnail::Outcome::Missing);
            EXPECT_LT(timer.elapsed(), 1000) << name.toStdString();
        }
}

TEST(ThumbnailMaker, ThreadsMakeTheSameImages)
{
    TempFolder folder;
    QList<std::pair<QString, ThumbnailOptions>> jobs;
    const Kind kinds[] = { Kind::Sampled444, Kind::Sampled420, Kind::Progressive, Kind::Gray, Kind::Cmyk };
    for (int i = 0; i < 5; ++i) {
        const QByteArray jpeg = TwoColourJpeg(900 + 97 * i, 700 - 31 * i, Red, Blue, kinds[i]);
        const QString path = Write(folder, QString::number(i), WithExif(jpeg, TwoColourJpeg(160, 120, Green, Blue)));
        jobs << std::pair(path, High) << std::pair(path, Low);
    }
    const auto make = [](const std::pair<QString, ThumbnailOptions>& job) {
        return MakeThumbnailImage(job.first, Cell, job.second).Image;
    };
    QList<QImage> expected;
    for (const auto& job : std::as_const(jobs))
        expected.append(make(job));
    QList<std::pair<QString, ThumbnailOptions>> repeated;
    for (int round = 0; round < 6; ++round)
        repeated.append(jobs);
    QThreadPool pool;
    pool.setMaxThreadCount(4);
    const QList<QImage> images = QtConcurrent::blockingMapped<QList<QImage>>(&pool, repeated, make);
    for (qsizetype i = 0; i < images.size(); ++i) {
        ASSERT_FALSE(images[i].isNull());
        EXPECT_EQ(images[i], expected[i % jobs.size()]) << "job " << i;
    }
}
