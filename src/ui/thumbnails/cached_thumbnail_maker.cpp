#include "ui/thumbnails/cached_thumbnail_maker.h"

#include "platform/private_thumbnail_cache.h"
#include "platform/thumbnail_entry.h"
#include "ui/thumbnails/jpeg_decoder.h"
#include "ui/thumbnails/jpeg_encoder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <ctime>
#include <exception>
#include <optional>
#include <sys/stat.h>

namespace tarvix {

namespace {

// A thumbnail scaled from the master stays above 40 dB against a direct make at this quality
// with full chroma, even when it is as large as the master; the entry of a 500 x 375 master is
// about 120 KB.
constexpr int MasterQuality = 95;

// A file's times come from a clock that advances in ticks of a few milliseconds (whole
// seconds, or two, on FAT): a change in the same tick as the last one keeps the change time.
// An entry is only written for a file whose change time is older than that by a margin, so
// that any later change shows in the key.
constexpr int64_t RecentNs = 100'000'000;
constexpr int64_t RecentOnCoarseClockNs = 2'000'000'000;

int64_t NowNs()
{
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

bool ChangedRecently(const ThumbnailKey& key, int64_t startedNs)
{
    const bool coarse = key.ChangedNs % 1000000000 == 0 && key.ModifiedNs % 1000000000 == 0;
    return key.ChangedNs > startedNs - (coarse ? RecentOnCoarseClockNs : RecentNs);
}

// Whether `master` is `decode`, or `decode` times a whole number in both directions.
bool DividesInto(QSize master, QSize decode)
{
    if (decode.isEmpty() || master.width() % decode.width() != 0 || master.height() % decode.height() != 0)
        return false;
    return master.width() / decode.width() == master.height() / decode.height();
}

QString AbsolutePath(const QString& path)
{
    return QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QFileInfo(path).absoluteFilePath());
}

// The key of the file behind the path now, or nothing when it is not a regular file.
std::optional<ThumbnailKey> KeyOfFile(const QString& absolutePath, bool highQuality)
{
    struct stat st { };
    if (::stat(QFile::encodeName(absolutePath).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return ThumbnailKeyOf(absolutePath, st, highQuality);
}

std::optional<Thumbnail> Served(PrivateThumbnailCache& cache, const QString& name, const ThumbnailKey& key,
    ThumbnailCell cell, ThumbnailOptions options)
{
    const QByteArray bytes = cache.Read(name);
    const std::optional<ThumbnailEntry> entry = ParseThumbnailEntry(bytes);
    if (!entry || entry->Key != key)
        return std::nullopt;
    if (!options.HighQuality && !ThumbnailScales(entry->Picture, cell, options.EnlargeSmall))
        return std::nullopt;
    const QSize size = DeviceThumbnailSize(entry->Picture, cell, options);
    // Any other way from the master (a smaller master enlarged, a larger one scaled by a
    // fraction or by the decoder) filters unlike the make and shows on fine detail.
    const QSize decode = CoveringDecodeSize(entry->Picture, size);
    if (!DividesInto(entry->Master, decode))
        return std::nullopt;
    const QImage master = DecodeScaledJpeg(entry->Jpeg, entry->Master);
    if (master.isNull() || master.size() != entry->Master)
        return std::nullopt;
    Thumbnail made = ThumbnailOfDecoded(
        decode == master.size() ? master : master.scaled(decode, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
        size);
    if (made.Result != Thumbnail::Outcome::Made)
        return std::nullopt;
    made.Orientation = entry->Orientation;
    made.Image.setDevicePixelRatio(ThumbnailPixelRatio(options));
    cache.Touch(name);
    return made;
}

void Keep(PrivateThumbnailCache& cache, const QString& name, const ThumbnailKey& key, const ThumbnailDecode& decode)
{
    const QImage& master = decode.Decoded;
    if (master.isNull() || decode.Picture.isEmpty() || master.width() > decode.Picture.width()
        || master.height() > decode.Picture.height()
        || qint64(master.width()) * master.height() > ThumbnailMasterMaxPixels)
        return;
    const QByteArray jpeg = EncodeJpeg(master, MasterQuality);
    if (!jpeg.isEmpty())
        cache.Write(name, SerializeThumbnailEntry({ key, decode.Picture, master.size(), decode.Orientation, jpeg }));
}

Thumbnail MakeCached(PrivateThumbnailCache& cache, const QString& path, ThumbnailCell cell, ThumbnailOptions options)
{
    if (!cache.Enabled())
        return MakeThumbnailImage(path, cell, options);
    const int64_t started = NowNs();
    const QString absolute = AbsolutePath(path);
    // Taken before the file is read: a change while it is read gives the next look another key.
    const std::optional<ThumbnailKey> key = KeyOfFile(absolute, options.HighQuality);
    if (!key)
        return MakeThumbnailImage(path, cell, options);
    const QString name = PrivateThumbnailCache::EntryName(absolute, options.HighQuality);
    if (std::optional<Thumbnail> served = Served(cache, name, *key, cell, options))
        return std::move(*served);

    ThumbnailDecode decode;
    Thumbnail made = MakeThumbnailKeepingDecode(path, cell, options, decode);
    // In low quality the embedded thumbnail is a cache of its own, and a faster one: only a
    // picture without one, which low quality decodes whole, is worth an entry.
    const bool lowAndCheap
        = !options.HighQuality && (decode.FromEmbedded || !ThumbnailScales(decode.Picture, cell, options.EnlargeSmall));
    if (made.Result == Thumbnail::Outcome::Made && !lowAndCheap && !ChangedRecently(*key, started))
        Keep(cache, name, *key, decode);
    return made;
}

} // namespace

Thumbnail MakeCachedThumbnail(
    PrivateThumbnailCache& cache, const QString& path, ThumbnailCell cell, ThumbnailOptions options)
{
    try {
        return MakeCached(cache, path, cell, options);
    } catch (const std::exception&) {
        // The cache's own trouble (memory for an entry, say) never costs the thumbnail.
        return MakeThumbnailImage(path, cell, options);
    }
}

} // namespace tarvix
