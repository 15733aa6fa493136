#include "platform/thumbnail_entry.h"

#include "platform/log_categories.h"

#include <QStringDecoder>
#include <QtEndian>
#include <cstring>

namespace tarvix {

namespace {

// The last byte is the format's version: an entry of another version is a miss, and is
// replaced like a damaged one.
constexpr char Magic[8] = { 'T', 'v', 'x', 'T', 'h', 'm', 'b', 2 };
constexpr uint32_t HighQualityFlag = 1;
// The flags' upper half holds the orientation value.
constexpr int OrientationShift = 16;

// Magic, flags, path length, device, inode, size, two times, four dimensions, JPEG length.
constexpr qsizetype HeaderSize = 8 + 4 + 4 + 5 * 8 + 4 * 4 + 4;
constexpr qsizetype ChecksumSize = 8;
// Far beyond any real path; a length past it is a damaged entry, not a path to allocate.
constexpr uint32_t MaxPathBytes = 1 << 16;
// A JPEG frame cannot be larger in either dimension.
constexpr int MaxDimension = 65535;

uint64_t Checksum(QByteArrayView bytes)
{
    // FNV-1a: plenty to tell a damaged entry from a whole one, and no library needed.
    uint64_t hash = 14695981039346656037ull;
    for (const char c : bytes) {
        hash ^= uchar(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

int64_t Nanoseconds(const timespec& t)
{
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

template <typename T> void Put(QByteArray& out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

void PutSize(QByteArray& out, QSize size)
{
    Put<uint32_t>(out, uint32_t(size.width()));
    Put<uint32_t>(out, uint32_t(size.height()));
}

// Reads the header field by field; the caller has checked that the header is there.
class HeaderReader {
public:
    explicit HeaderReader(const char* at)
        : FAt(at)
    {
    }

    template <typename T> T Take()
    {
        const T value = qFromLittleEndian<T>(FAt);
        FAt += sizeof(T);
        return value;
    }

    // A size whose dimensions are 1 to MaxDimension, or an empty one.
    QSize TakeSize()
    {
        const uint32_t width = Take<uint32_t>();
        const uint32_t height = Take<uint32_t>();
        if (width == 0 || height == 0 || width > MaxDimension || height > MaxDimension)
            return {};
        return { int(width), int(height) };
    }

private:
    const char* FAt;
};

bool Within(QSize inner, QSize outer)
{
    return inner.width() <= outer.width() && inner.height() <= outer.height();
}

} // namespace

ThumbnailKey ThumbnailKeyOf(const QString& absolutePath, const struct stat& st, bool highQuality)
{
    return { absolutePath, uint64_t(st.st_dev), uint64_t(st.st_ino), int64_t(st.st_size), Nanoseconds(st.st_mtim),
        Nanoseconds(st.st_ctim), highQuality };
}

QByteArray SerializeThumbnailEntry(const ThumbnailEntry& entry)
{
    const QByteArray path = entry.Key.Path.toUtf8();
    QByteArray out;
    out.reserve(HeaderSize + path.size() + entry.Jpeg.size() + ChecksumSize);
    out.append(Magic, sizeof(Magic));
    Put<uint32_t>(out, (entry.Key.HighQuality ? HighQualityFlag : 0) | uint32_t(entry.Orientation) << OrientationShift);
    Put<uint32_t>(out, uint32_t(path.size()));
    Put<uint64_t>(out, entry.Key.Device);
    Put<uint64_t>(out, entry.Key.Inode);
    Put<int64_t>(out, entry.Key.Size);
    Put<int64_t>(out, entry.Key.ModifiedNs);
    Put<int64_t>(out, entry.Key.ChangedNs);
    PutSize(out, entry.Picture);
    PutSize(out, entry.Master);
    Put<uint32_t>(out, uint32_t(entry.Jpeg.size()));
    out.append(path);
    out.append(entry.Jpeg);
    Put<uint64_t>(out, Checksum(out));
    return out;
}

namespace {

std::optional<ThumbnailEntry> Parse(QByteArrayView bytes);

} // namespace

std::optional<ThumbnailEntry> ParseThumbnailEntry(QByteArrayView bytes)
{
    std::optional<ThumbnailEntry> entry = Parse(bytes);
    // Bytes of another version, or of nobody, are a plain miss. One of ours that is refused
    // was cut or damaged after it was written, which should not happen.
    if (!entry && bytes.size() >= qsizetype(sizeof(Magic)) && std::memcmp(bytes.data(), Magic, sizeof(Magic)) == 0)
        qCWarning(CacheLog, "a thumbnail cache entry of %lld bytes is damaged, and is refused",
            static_cast<long long>(bytes.size()));
    return entry;
}

namespace {

std::optional<ThumbnailEntry> Parse(QByteArrayView bytes)
{
    if (bytes.size() < HeaderSize + ChecksumSize || std::memcmp(bytes.data(), Magic, sizeof(Magic)) != 0)
        return std::nullopt;
    HeaderReader header(bytes.data() + sizeof(Magic));
    const uint32_t flags = header.Take<uint32_t>();
    const uint32_t pathBytes = header.Take<uint32_t>();
    ThumbnailEntry entry;
    entry.Key.Device = header.Take<uint64_t>();
    entry.Key.Inode = header.Take<uint64_t>();
    entry.Key.Size = header.Take<int64_t>();
    entry.Key.ModifiedNs = header.Take<int64_t>();
    entry.Key.ChangedNs = header.Take<int64_t>();
    entry.Picture = header.TakeSize();
    entry.Master = header.TakeSize();
    const uint32_t jpegBytes = header.Take<uint32_t>();
    if ((flags & ~HighQualityFlag & ((1u << OrientationShift) - 1)) != 0 || pathBytes == 0 || pathBytes > MaxPathBytes
        || jpegBytes == 0)
        return std::nullopt;
    // Both lengths are below 2^32, so the sum cannot overflow a 64-bit size.
    if (qint64(bytes.size()) != HeaderSize + qint64(pathBytes) + qint64(jpegBytes) + ChecksumSize)
        return std::nullopt;
    if (entry.Picture.isEmpty() || entry.Master.isEmpty() || !Within(entry.Master, entry.Picture))
        return std::nullopt;
    const QByteArrayView body = bytes.first(bytes.size() - ChecksumSize);
    if (qFromLittleEndian<uint64_t>(bytes.data() + body.size()) != Checksum(body))
        return std::nullopt;
    entry.Key.HighQuality = flags & HighQualityFlag;
    entry.Orientation = uint16_t(flags >> OrientationShift);
    // The path was written from a QString: bytes that are no UTF-8 come from someone else.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    entry.Key.Path = utf8(bytes.sliced(HeaderSize, pathBytes));
    if (utf8.hasError())
        return std::nullopt;
    entry.Jpeg = bytes.sliced(HeaderSize + pathBytes, jpegBytes);
    return entry;
}

} // namespace

} // namespace tarvix
