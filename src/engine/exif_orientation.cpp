#include "engine/exif_orientation.h"

#include "engine/byte_store.h"
#include "engine/byte_window.h"
#include "base/unique_fd.h"

#include <QFile>
#include <QList>
#include <QSet>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr quint16 OrientationTag = 0x0112;
constexpr quint16 ExifIfdTag = 0x8769;
constexpr int MaxIfdDepth = 16;

const QByteArray ExifHeader("Exif\0\0", 6);
const QByteArray XmpHeader("http://ns.adobe.com/xap/1.0/\0", 29);

// Any structural fault ends the walk; what was found before it is still written.
struct WalkFailure { };

// One APP1 segment's payload in memory, with its position in the file.
struct Segment {
    qint64 Position = 0; // file offset of the first payload byte
    QByteArray Payload;
};

struct Patch {
    qint64 Position;
    QByteArray Bytes;
};

class TiffWalker {
public:
    TiffWalker(const QByteArray& tiff, qint64 filePosition, quint16 value, QList<Patch>& patches)
        : FTiff(tiff)
        , FFilePosition(filePosition)
        , FValue(value)
        , FPatches(patches)
    {
    }

    void Run()
    {
        if (FTiff.size() < 8)
            throw WalkFailure {};
        if (FTiff.startsWith("II"))
            FBig = false;
        else if (FTiff.startsWith("MM"))
            FBig = true;
        else
            throw WalkFailure {};
        if (U16(2) != 42)
            throw WalkFailure {};
        WalkIfd(U32(4), 0);
    }

private:
    quint32 Byte(qint64 at) const
    {
        // Offsets are confined to the segment: a broken offset must never let the rewrite
        // touch the image data that follows it.
        if (at < 0 || at >= FTiff.size())
            throw WalkFailure {};
        return uchar(FTiff[at]);
    }
    quint16 U16(qint64 at) const
    {
        return quint16(FBig ? (Byte(at) << 8 | Byte(at + 1)) : (Byte(at) | Byte(at + 1) << 8));
    }
    quint32 U32(qint64 at) const
    {
        return FBig ? (Byte(at) << 24 | Byte(at + 1) << 16 | Byte(at + 2) << 8 | Byte(at + 3))
                    : (Byte(at) | Byte(at + 1) << 8 | Byte(at + 2) << 16 | Byte(at + 3) << 24);
    }

    void WalkIfd(quint32 offset, int depth)
    {
        // A pointer back to an IFD already walked, or a chain without end, is a broken file.
        if (depth > MaxIfdDepth || FVisited.contains(offset))
            throw WalkFailure {};
        FVisited.insert(offset);
        const quint16 count = U16(offset);
        for (quint32 i = 0; i < count; ++i) {
            const qint64 entry = qint64(offset) + 2 + 12 * qint64(i);
            const quint16 tag = U16(entry);
            const quint32 field = U32(entry + 8);
            if (tag == OrientationTag)
                PatchValueField(entry + 8);
            else if (tag == ExifIfdTag)
                WalkIfd(field, depth + 1);
        }
        const quint32 next = U32(qint64(offset) + 2 + 12 * qint64(count));
        if (next > 0 && next < 0xFFFF)
            WalkIfd(next, depth + 1);
    }

    // The value field holds a single 16-bit value left-justified: the value in the file's
    // byte order, then two zero bytes, whatever type and count the entry claims.
    void PatchValueField(qint64 at)
    {
        QByteArray bytes(4, '\0');
        bytes[FBig ? 0 : 1] = char(FValue >> 8);
        bytes[FBig ? 1 : 0] = char(FValue & 0xFF);
        FPatches.append({ FFilePosition + at, bytes });
    }

    const QByteArray& FTiff;
    qint64 FFilePosition;
    quint16 FValue;
    QList<Patch>& FPatches;
    bool FBig = false;
    QSet<quint32> FVisited;
};

// Viewers that read XMP before EXIF would otherwise turn the picture a second time. Only a
// single-digit value is replaced, so the segment keeps its length.
void PatchXmpOrientation(const Segment& xmp, quint16 value, QList<Patch>& patches)
{
    if (value > 9)
        return;
    static const QByteArray name("tiff:Orientation");
    const QByteArray& p = xmp.Payload;
    for (qsizetype at = p.indexOf(name); at >= 0; at = p.indexOf(name, at + name.size())) {
        qsizetype i = at + name.size();
        auto skipSpace = [&] {
            while (i < p.size() && (p[i] == ' ' || p[i] == '\t' || p[i] == '\r' || p[i] == '\n'))
                ++i;
        };
        char close = 0;
        skipSpace();
        if (i < p.size() && p[i] == '=') { // attribute form: tiff:Orientation="6"
            ++i;
            skipSpace();
            if (i < p.size() && (p[i] == '"' || p[i] == '\''))
                close = p[i++];
        } else if (i < p.size() && p[i] == '>') { // element form: <tiff:Orientation>6</...>
            ++i;
            close = '<';
        }
        if (close && i + 1 < p.size() && p[i] >= '0' && p[i] <= '9' && p[i + 1] == close)
            patches.append({ xmp.Position + i, QByteArray(1, char('0' + value)) });
    }
}

// Marker headers are read a few bytes at a time; the window keeps that to one read of the
// file's head in the usual case.
class SegmentReader {
public:
    explicit SegmentReader(ByteStore& store)
        : FWindow(store, 64 * 1024)
    {
    }
    uchar Byte()
    {
        const int b = FWindow.ByteAt(FPosition);
        if (b < 0)
            throw WalkFailure {};
        ++FPosition;
        return uchar(b);
    }
    quint16 U16() { return quint16(Byte() << 8 | Byte()); }
    QByteArray Bytes(qint64 count)
    {
        const QByteArrayView bytes = FWindow.Read(FPosition, count);
        if (bytes.size() != count)
            throw WalkFailure {};
        FPosition += count;
        return bytes.toByteArray();
    }
    qint64 Position() const { return FPosition; }
    void Skip(qint64 count) { FPosition += count; }
    bool AtEnd() const { return FPosition >= FWindow.Size(); }

private:
    ByteWindow FWindow;
    qint64 FPosition = 0;
};

// Walks the segments up to the first scan. The first EXIF APP1 is patched (APP1 segments
// of other kinds, such as an XMP packet placed first, are passed over) and so is every
// XMP APP1.
void CollectPatches(ByteStore& store, quint16 value, QList<Patch>& patches)
{
    SegmentReader in(store);
    if (in.AtEnd())
        return;
    if (in.Byte() != 0xFF || in.Byte() != 0xD8)
        throw WalkFailure {};
    bool exifDone = false;
    while (!in.AtEnd()) {
        // Stray bytes before a marker: the transform library skips them, so must we, or the
        // pixels would turn while the tag stays.
        if (in.Byte() != 0xFF)
            continue;
        uchar marker = in.Byte();
        while (marker == 0xFF) // fill bytes before a marker
            marker = in.Byte();
        if (marker == 0xD9 || marker == 0xDA) // end of image, or the scan: nothing more to find
            return;
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) // markers without a length
            continue;
        const quint16 length = in.U16();
        if (length < 2)
            throw WalkFailure {};
        if (marker != 0xE1) {
            in.Skip(length - 2);
            continue;
        }
        Segment segment { in.Position(), in.Bytes(length - 2) };
        if (!exifDone && segment.Payload.startsWith(ExifHeader)) {
            exifDone = true;
            TiffWalker(segment.Payload.mid(ExifHeader.size()), segment.Position + ExifHeader.size(), value, patches)
                .Run();
        } else if (segment.Payload.startsWith(XmpHeader)) {
            PatchXmpOrientation(segment, value, patches);
        }
    }
}

} // namespace

void PatchExifOrientation(ByteStore& store, quint16 value)
{
    QList<Patch> patches;
    try {
        CollectPatches(store, value, patches);
    } catch (const WalkFailure&) {
        // Silent by design: the entries found before the fault are still written.
    }
    for (const Patch& patch : patches) {
        QByteArray current(patch.Bytes.size(), '\0');
        if (store.Read(patch.Position, current.data(), current.size()) && current == patch.Bytes)
            continue;
        if (!store.Write(patch.Position, patch.Bytes.constData(), patch.Bytes.size()))
            return;
    }
}

void ResetExifOrientation(const QString& fileName, quint16 value)
{
    if (value == 0)
        return;
    const UniqueFd fd(::open(QFile::encodeName(fileName).constData(), O_RDWR | O_CLOEXEC));
    // Another process working on the file: leave it alone rather than write under it.
    if (!fd.Valid() || ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
        return;
    FileByteStore store(fd.Get());
    PatchExifOrientation(store, value);
}
