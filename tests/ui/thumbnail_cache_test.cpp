#include "platform/private_thumbnail_cache.h"
#include "platform/thumbnail_entry.h"
#include "support/jpeg_fixtures.h"
#include "support/temp_folder.h"
#include "support/test_data.h"
#include "ui/thumbnails/cached_thumbnail_maker.h"
#include "ui/thumbnails/jpeg_encoder.h"

#include <QDir>
#include <QFile>
#include <QThread>
#include <QThreadPool>
#include <cmath>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace tarvix;

namespace {

constexpr ThumbnailCell Cell { 110, 130 };
constexpr ThumbnailOptions High { true, true };
const QColor Marker(255, 0, 255); // IsMarker knows it

// Something like a photograph: smooth shading, a hard-edged disc and some fine texture.
QByteArray PhotoLike(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width, v = double(y) / height,
                         texture = 12 * std::sin(x * 0.9) * std::cos(y * .7);
            const bool disc = (u - 0.3) * (u - 0.3) + (v - 0.5) * (v - 0.5) < 0.04;
            image.setPixel(x, y,
                disc ? qRgb(220, 60, 40)
                     : qRgb(int(60 + 120 * u + texture), int(130 + 80 * std::sin(6 * v) + texture), int(40 + 120 * v)));
        }
    return EncodeJpeg(image, 92);
}

double Psnr(const QImage& a, const QImage& b)
{
    double squares = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            for (const int shift : { 0, 8, 16 }) {
                const int d = int((a.pixel(x, y) >> shift) & 0xFF) - int((b.pixel(x, y) >> shift) & 0xFF);
                squares += d * d;
            }
    return a.size() != b.size() || a.isNull() ? 0 : 10 * std::log10(255.0 * 255 * 3 * a.width() * a.height() / squares);
}

// Made from a planted master (PlantMarker) rather than from the file.
bool IsMarker(const Thumbnail& made)
{
    for (int y = 0; y < made.Image.height(); ++y)
        for (int x = 0; x < made.Image.width(); ++x)
            if (const QRgb p = made.Image.pixel(x, y); qRed(p) < 247 || qGreen(p) > 8 || qBlue(p) < 247)
                return false;
    return made.Result == Thumbnail::Outcome::Made;
}

class ThumbnailCache : public ::testing::Test {
protected:
    void TearDown() override { QThreadPool::globalInstance()->waitForDone(); }

    // Old enough by the time it is made (see ChangedRecently) for its thumbnail to be kept.
    QString Picture(const QString& name, const QByteArray& bytes)
    {
        WriteBytes(Pictures.File(name), bytes);
        QThread::msleep(150);
        return Pictures.File(name);
    }
    Thumbnail Make(const QString& path, ThumbnailCell cell = Cell, ThumbnailOptions options = High)
    {
        return MakeCachedThumbnail(*Cache, path, cell, options);
    }
    QString EntryOf(const QString& path) const
    {
        return Cache->Folder() + u'/' + PrivateThumbnailCache::EntryName(path, true);
    }
    std::optional<ThumbnailEntry> Entry(const QString& path, QByteArray& bytes) const
    {
        bytes = ReadBytes(EntryOf(path));
        return ParseThumbnailEntry(bytes);
    }
    // The entry with a flat master of the marker colour and `edit` applied to the rest.
    void PlantMarker(const QString& path, const std::function<void(ThumbnailEntry&)>& edit = {})
    {
        QByteArray bytes;
        std::optional<ThumbnailEntry> entry = Entry(path, bytes);
        ASSERT_TRUE(entry) << "no entry for " << path.toStdString();
        QImage flat(entry->Master, QImage::Format_RGB32);
        flat.fill(Marker);
        const QByteArray jpeg = EncodeJpeg(flat, 95);
        entry->Jpeg = jpeg;
        if (edit)
            edit(*entry);
        WriteBytes(EntryOf(path), SerializeThumbnailEntry(*entry));
    }

    TempFolder Pictures;
    TempFolder Home;
    std::shared_ptr<PrivateThumbnailCache> Cache
        = std::make_shared<PrivateThumbnailCache>(Home.File("cache/tarvix"), 256 * PrivateThumbnailCache::MB);
};

TEST_F(ThumbnailCache, AHitServesEveryCellUpToTheMasterAndALargerCellMakesABiggerOne)
{
    const QString path = Picture("a.jpg", PhotoLike(1600, 1200));
    EXPECT_EQ(Make(path).Image.size(), QSize(100, 70));
    // A private folder and entry, and nothing temporary left beside it.
    struct stat st { };
    ASSERT_EQ(::stat(QFile::encodeName(Cache->Folder()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    ASSERT_EQ(::stat(QFile::encodeName(EntryOf(path)).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u);
    EXPECT_EQ(QDir(Cache->Folder()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    // The master is what the make decoded anyway: 1/8 of the picture.
    QByteArray bytes;
    EXPECT_EQ(Entry(path, bytes)->Master, QSize(200, 150));
    PlantMarker(path);
    EXPECT_TRUE(IsMarker(Make(path)));
    EXPECT_TRUE(IsMarker(Make(path, { 200, 220 })));

    // A cell the make decodes more of for (1/4) decodes the file again; the new master
    // serves both cells, the smaller by averaging 2 x 2 pixels as the decoder would.
    const Thumbnail larger = Make(path, { 300, 320 });
    EXPECT_FALSE(IsMarker(larger));
    EXPECT_EQ(larger.Image.size(), QSize(290, 213));
    EXPECT_EQ(Entry(path, bytes)->Master, QSize(400, 300));
    EXPECT_LT(bytes.size(), 150 * 1024); // 1000 of them fit 256 MB with room to spare
    PlantMarker(path);
    EXPECT_TRUE(IsMarker(Make(path, { 300, 320 })));
    EXPECT_TRUE(IsMarker(Make(path)));
    // 3/8 serves 1/8 (by 3 x 3) but not 1/4.
    EXPECT_FALSE(IsMarker(Make(path, { 500, 520 })));
    EXPECT_EQ(Entry(path, bytes)->Master, QSize(600, 450));
    PlantMarker(path);
    EXPECT_TRUE(IsMarker(Make(path)));
    EXPECT_FALSE(IsMarker(Make(path, { 300, 320 })));
}

TEST_F(ThumbnailCache, ACachedThumbnailLooksLikeADirectMake)
{
    QStringList pictures { Picture("landscape.jpg", PhotoLike(2400, 1800)),
        Picture("portrait.jpg", PhotoLike(1200, 1600)) };
    const QString real = TestDataFolder("exif-orientation-examples");
    if (!real.isEmpty())
        pictures.append(Picture("real.jpg", ReadBytes(real + "/Landscape_1.jpg")));
    // Larger cells and back: masters as large as the thumbnail, and larger ones averaged.
    for (const QString& path : pictures)
        for (const int width : { 110, 151, 230, 379, 460, 230, 110 }) {
            const Thumbnail direct = MakeThumbnailImage(path, { width, width + 20 }, High);
            Make(path, { width, width + 20 });
            EXPECT_GE(Psnr(Make(path, { width, width + 20 }).Image, direct.Image), 40) << path.toStdString() << width;
        }
}

// Each part of the key alone decides: an entry that differs from the file in any is not shown.
TEST_F(ThumbnailCache, AnEntryThatDiffersFromTheFileInAnyPartOfItsKeyIsAMiss)
{
    const QString path = Picture("a.jpg", PhotoLike(800, 600));
    Make(path);
    PlantMarker(path);
    ASSERT_TRUE(IsMarker(Make(path)));
    const std::vector<std::pair<const char*, std::function<void(ThumbnailKey&)>>> changes {
        { "path", [](ThumbnailKey& k) { k.Path += u'x'; } },
        { "device", [](ThumbnailKey& k) { ++k.Device; } },
        { "inode", [](ThumbnailKey& k) { ++k.Inode; } },
        { "size", [](ThumbnailKey& k) { ++k.Size; } },
        { "modified", [](ThumbnailKey& k) { ++k.ModifiedNs; } },
        { "changed", [](ThumbnailKey& k) { ++k.ChangedNs; } },
        { "quality", [](ThumbnailKey& k) { k.HighQuality = false; } },
    };
    for (const auto& [what, change] : changes) {
        const auto& changeKey = change; // a lambda may not capture a structured binding
        PlantMarker(path, [&changeKey](ThumbnailEntry& e) { changeKey(e.Key); });
        const Thumbnail made = Make(path);
        EXPECT_TRUE(made.Result == Thumbnail::Outcome::Made && !IsMarker(made)) << what;
    }
    PlantMarker(path);
    EXPECT_FALSE(IsMarker(Make(path, Cell, { false, true }))); // each quality has an entry of its own
}

TEST_F(ThumbnailCache, AFileChangedBehindTheCachesBackIsMadeAgain)
{
    const QByteArray jpeg = PhotoLike(800, 600);
    const QString inPlace = Picture("in_place.jpg", jpeg), replaced = Picture("replaced.jpg", jpeg);
    Make(inPlace), Make(replaced);
    PlantMarker(inPlace), PlantMarker(replaced);
    struct stat was { };
    ASSERT_EQ(::stat(QFile::encodeName(inPlace).constData(), &was), 0);
    const timespec times[2] = { was.st_atim, was.st_mtim };
    // The same bytes over the file, its modification time set back: only the change time tells.
    QFile file(inPlace);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.write(jpeg) == jpeg.size());
    file.close();
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(inPlace).constData(), times, 0), 0);
    // Another file of the same size and times renamed over it: a new inode.
    const QByteArray other = QFile::encodeName(Pictures.File("new.jpg"));
    WriteBytes(Pictures.File("new.jpg"), jpeg);
    ASSERT_EQ(::utimensat(AT_FDCWD, other.constData(), times, 0), 0);
    ASSERT_EQ(::rename(other.constData(), QFile::encodeName(replaced).constData()), 0);
    for (const QString& path : { inPlace, replaced }) {
        const Thumbnail made = Make(path);
        EXPECT_TRUE(made.Result == Thumbnail::Outcome::Made && !IsMarker(made)) << path.toStdString();
    }
}

TEST_F(ThumbnailCache, ADamagedOrForeignEntryIsAMissAndIsReplaced)
{
    const QString path = Picture("a.jpg", PhotoLike(800, 600));
    Make(path);
    QByteArray whole, now;
    ASSERT_TRUE(Entry(path, whole));
    const QString entry = EntryOf(path);
    const auto flipped = [&whole](qsizetype at) { return whole.left(at) + char(whole[at] ^ 0x10) + whole.mid(at + 1); };
    const std::vector<std::pair<const char*, std::function<void()>>> damages {
        { "empty", [&] { WriteBytes(entry, {}); } },
        { "cut in the header", [&] { WriteBytes(entry, whole.first(40)); } },
        { "cut in the picture", [&] { WriteBytes(entry, whole.first(whole.size() / 2)); } },
        { "a byte short", [&] { WriteBytes(entry, whole.chopped(1)); } },
        { "a byte of the picture changed", [&] { WriteBytes(entry, flipped(whole.size() - 100)); } },
        { "a byte of the key changed", [&] { WriteBytes(entry, flipped(30)); } },
        { "a JPEG", [&] { WriteBytes(entry, PhotoLike(64, 48)); } },
        { "a megabyte of noise", [&] { WriteBytes(entry, QByteArray(1 << 20, '\xA5')); } },
        { "a link to an entry",
            [&] { WriteBytes(Home.File("e"), whole), QFile::remove(entry), QFile::link(Home.File("e"), entry); } },
        { "a pipe", [&] { QFile::remove(entry), ::mkfifo(QFile::encodeName(entry).constData(), 0600); } },
    };
    for (const auto& [what, damage] : damages) {
        damage();
        EXPECT_EQ(Make(path).Image.size(), QSize(100, 70)) << what;
        EXPECT_TRUE(Entry(path, now) && now == whole) << what << ": not replaced";
    }
    // A folder where the entry would go stays; the thumbnail is made all the same.
    QFile::remove(entry);
    ASSERT_TRUE(QDir().mkpath(entry));
    EXPECT_EQ(Make(path).Image.size(), QSize(100, 70));
}

TEST_F(ThumbnailCache, TheSizeLimitDropsTheEntriesUsedLeastRecently)
{
    QStringList paths;
    for (const char* name : { "1.jpg", "2.jpg", "3.jpg", "4.jpg" })
        paths.append(Picture(name, PhotoLike(800, 600)));
    qint64 used = 0;
    for (int i = 0; i < 3; ++i) {
        Make(paths[i]);
        QThreadPool::globalInstance()->waitForDone();
        // Used long ago, in the order 1, 2, 3.
        const timespec old[2] = { { 1000000 + i, 0 }, { 1000000 + i, 0 } };
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(EntryOf(paths[i])).constData(), old, 0), 0);
        struct stat st { };
        ::stat(QFile::encodeName(EntryOf(paths[i])).constData(), &st);
        used += std::max<qint64>(st.st_size, qint64(st.st_blocks) * 512);
    }
    Make(paths[0]); // a hit: now the most recently used
    // Room for three and a half: the fourth entry pushes the least recently used one out.
    Cache->SetLimit(used + used / 6);
    Make(paths[3]);
    Cache->Trim();
    const auto kept = [&](int i) { return QFile::exists(EntryOf(paths[i])); };
    EXPECT_TRUE(kept(0) && !kept(1) && kept(2) && kept(3));

    // A limit of 0 turns the cache off: nothing is read or written.
    PlantMarker(paths[0]);
    Cache->SetLimit(0);
    EXPECT_FALSE(IsMarker(Make(paths[0])));
    Make(paths[1]);
    EXPECT_FALSE(kept(1));
}

TEST_F(ThumbnailCache, AFileChangedJustNowIsNotKeptYetAndAnUnusableCacheCostsNoThumbnail)
{
    WriteBytes(Pictures.File("fresh.jpg"), PhotoLike(800, 600));
    EXPECT_EQ(Make(Pictures.File("fresh.jpg")).Image.size(), QSize(100, 70));
    EXPECT_FALSE(QFile::exists(EntryOf(Pictures.File("fresh.jpg"))));
    QThread::msleep(150);
    Make(Pictures.File("fresh.jpg"));
    EXPECT_TRUE(QFile::exists(EntryOf(Pictures.File("fresh.jpg"))));

    // A file stands where a folder of the cache's path should be.
    WriteBytes(Home.File("file"), "x");
    Cache = std::make_shared<PrivateThumbnailCache>(Home.File("file/tarvix"), 256 * PrivateThumbnailCache::MB);
    EXPECT_EQ(Make(Pictures.File("fresh.jpg")).Image.size(), QSize(100, 70));
    EXPECT_EQ(Make(Pictures.File("none.jpg")).Result, Thumbnail::Outcome::Missing);
    WriteBytes(Pictures.File("text.jpg"), "not a picture");
    EXPECT_EQ(Make(Pictures.File("text.jpg")).Result, Thumbnail::Outcome::Unreadable);
    // A folder of ours that others could read is made private before it is used.
    ASSERT_TRUE(QDir().mkpath(Home.File("open")));
    ::chmod(QFile::encodeName(Home.File("open")).constData(), 0755);
    Cache = std::make_shared<PrivateThumbnailCache>(Home.File("open"), 256 * PrivateThumbnailCache::MB);
    Make(Pictures.File("fresh.jpg"));
    EXPECT_EQ(QFile::permissions(Home.File("open")),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
    EXPECT_EQ(QDir(Home.File("open")).entryList(QDir::Files).size(), 1);
}

} // namespace

// The mark on pictures the camera tagged as turned costs no read of its own: the orientation
// comes with the make, and a hit serves it from the entry without opening the file.
TEST_F(ThumbnailCache, TheOrientationAndThePixelRatioComeWithAMakeAndWithAHit)
{
    const QString folder = TestDataFolder("exif-orientation-examples");
    if (folder.isEmpty())
        return;
    for (const int value : { 1, 6, 8 }) {
        const QString path
            = Picture(QString("tagged_%1.jpg").arg(value), ReadBytes(folder + QString("/Landscape_%1.jpg").arg(value)));
        const Thumbnail made = Make(path);
        EXPECT_EQ(made.Orientation, value);
        QByteArray bytes;
        ASSERT_TRUE(Entry(path, bytes));
        EXPECT_EQ(Entry(path, bytes)->Orientation, value);
        PlantMarker(path);
        const Thumbnail served = Make(path);
        EXPECT_TRUE(IsMarker(served));
        EXPECT_EQ(served.Orientation, value);
    }

    // At twice the pixels, both ways give the device pixels and say so; the entry made for one
    // ratio serves the other where its master covers it.
    const QString path = Picture("ratio.jpg", PhotoLike(1600, 1200));
    const Thumbnail single = Make(path);
    ThumbnailOptions twice = High;
    twice.PixelRatio = 2;
    const Thumbnail made = Make(path, Cell, twice);
    EXPECT_EQ(made.Image.size(), single.Image.size() * 2);
    EXPECT_EQ(made.Image.devicePixelRatio(), 2.0);
    EXPECT_EQ(made.Image.deviceIndependentSize().toSize(), single.Image.size());
    PlantMarker(path);
    const Thumbnail served = Make(path, Cell, twice);
    EXPECT_TRUE(IsMarker(served));
    EXPECT_EQ(served.Image.size(), single.Image.size() * 2);
    EXPECT_EQ(served.Image.devicePixelRatio(), 2.0);
    // A ratio out of reason is taken as 1.
    twice.PixelRatio = 1e9;
    EXPECT_EQ(Make(path, Cell, twice).Image.size(), single.Image.size());
}

// Entries of the format before the orientation was kept would serve every picture as untagged:
// they are a plain miss, and are replaced.
TEST_F(ThumbnailCache, AnEntryOfTheFormerFormatIsAMiss)
{
    const QString path = Picture("old.jpg", PhotoLike(800, 600));
    Make(path);
    QByteArray bytes = ReadBytes(EntryOf(path));
    ASSERT_GT(bytes.size(), 8);
    bytes[7] = 1;
    EXPECT_FALSE(ParseThumbnailEntry(bytes));
}
