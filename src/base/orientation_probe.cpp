#include "base/orientation_probe.h"

#include "base/file_access.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr size_t HeadSize = 16 * 1024;
constexpr size_t MaxRead = 256 * 1024; // beyond this the engine decides
constexpr int MaxSegments = 4096;
constexpr int MaxFillBytes = 65536;

// The file's bytes from its start, read on demand.
class Head {
public:
    virtual ~Head() = default;
    // Whether [0, end) is available; `pastEnd` tells a short file from a refused read.
    virtual bool Ensure(size_t end, bool& pastEnd) = 0;
    const unsigned char* Data() const { return FData; }

protected:
    const unsigned char* FData = nullptr;
};

class MemoryHead : public Head {
public:
    MemoryHead(const unsigned char* data, size_t size)
        : FSize(size)
    {
        FData = data;
    }
    bool Ensure(size_t end, bool& pastEnd) override
    {
        pastEnd = end > FSize;
        return !pastEnd;
    }

private:
    size_t FSize;
};

class FileHead : public Head {
public:
    FileHead(int fd, size_t size)
        : FFd(fd)
        , FSize(size)
    {
    }
    bool Ensure(size_t end, bool& pastEnd) override
    {
        pastEnd = end > FSize;
        if (pastEnd || end > MaxRead)
            return false;
        if (end <= FBytes.size())
            return true;
        const size_t have = FBytes.size();
        const size_t want = std::min(FSize, std::max(end, std::max(have * 2, HeadSize)));
        FBytes.resize(want);
        FBytes.resize(have + ReadAt(FFd, FBytes.data() + have, want - have, off_t(have)));
        FData = FBytes.data();
        return end <= FBytes.size();
    }

private:
    int FFd;
    size_t FSize;
    std::vector<unsigned char> FBytes;
};

class Tiff {
public:
    Tiff(const unsigned char* data, size_t size)
        : FData(data)
        , FSize(size)
        , FBig(data[0] == 'M')
    {
    }
    uint32_t U16(size_t at) const
    {
        return FBig ? uint32_t(FData[at]) << 8 | FData[at + 1] : uint32_t(FData[at + 1]) << 8 | FData[at];
    }
    uint32_t U32(size_t at) const { return FBig ? U16(at) << 16 | U16(at + 2) : U16(at + 2) << 16 | U16(at); }
    // False when an orientation entry of the IFD could say "turned", or is of a form the
    // engine might read differently: anything but one SHORT.
    bool IfdIsClean(uint32_t offset, uint32_t* exifIfd, uint32_t* gpsIfd) const
    {
        if (offset == 0 || uint64_t(offset) + 2 > FSize)
            return true;
        const uint64_t first = uint64_t(offset) + 2;
        const uint64_t count = std::min<uint64_t>(U16(offset), (FSize - first) / 12);
        for (uint64_t i = 0; i < count; ++i) {
            const size_t entry = size_t(first + 12 * i);
            const uint32_t tag = U16(entry);
            if (tag == 0x8769 && exifIfd && !*exifIfd)
                *exifIfd = U32(entry + 8);
            if (tag == 0x8825 && gpsIfd && !*gpsIfd)
                *gpsIfd = U32(entry + 8);
            if (tag != 0x0112)
                continue;
            if (U16(entry + 2) != 3 || U32(entry + 4) != 1)
                return false;
            const uint32_t value = U16(entry + 8);
            if (value == 3 || value == 6 || value == 8)
                return false;
        }
        return true;
    }

private:
    const unsigned char* FData;
    size_t FSize;
    bool FBig;
};

// The engine reads IFD0, then the EXIF and GPS IFDs that IFD0 points to; the last
// orientation entry among them decides. When every one of them is clean, so is its choice.
ProbeResult ProbeTiff(const unsigned char* data, size_t size)
{
    if (size < 8 || !((data[0] == 'I' && data[1] == 'I') || (data[0] == 'M' && data[1] == 'M')))
        return ProbeResult::NotCorrectable; // no properties at all
    const Tiff tiff(data, size);
    if (tiff.U16(2) != 42)
        return ProbeResult::NotCorrectable;
    uint32_t exifIfd = 0;
    uint32_t gpsIfd = 0;
    const bool clean = tiff.IfdIsClean(tiff.U32(4), &exifIfd, &gpsIfd) && tiff.IfdIsClean(exifIfd, nullptr, nullptr)
        && tiff.IfdIsClean(gpsIfd, nullptr, nullptr);
    return clean ? ProbeResult::NotCorrectable : ProbeResult::Unsure;
}

// What a walk that cannot go on means: the file ended before any EXIF block, so the engine
// finds no properties; or our own read limit stopped it, and the engine must decide.
ProbeResult Stopped(bool pastEnd)
{
    return pastEnd ? ProbeResult::NotCorrectable : ProbeResult::Unsure;
}

// The segments in front of the first scan, as the engine walks them, up to the first EXIF
// block. Stray bytes, which the engine would skip, are left to the engine.
ProbeResult ProbeJpeg(Head& head)
{
    bool pastEnd = false;
    if (!head.Ensure(2, pastEnd))
        return Stopped(pastEnd);
    if (head.Data()[0] != 0xFF || head.Data()[1] != 0xD8)
        return ProbeResult::NotCorrectable; // no JPEG: no image, no properties
    size_t pos = 2;
    int fill = 0;
    for (int segment = 0; segment < MaxSegments;) {
        if (!head.Ensure(pos + 2, pastEnd))
            return Stopped(pastEnd);
        const unsigned char* d = head.Data();
        if (d[pos] != 0xFF || d[pos + 1] == 0x00)
            return ProbeResult::Unsure;
        const unsigned char code = d[pos + 1];
        if (code == 0xFF) {
            if (++fill > MaxFillBytes)
                return ProbeResult::Unsure;
            ++pos;
            continue;
        }
        pos += 2;
        ++segment;
        if (code == 0xD8 || code == 0xD9 || code == 0xDA)
            return ProbeResult::NotCorrectable; // the picture begins before any EXIF block
        if (code == 0x01 || (code >= 0xD0 && code <= 0xD7))
            continue;
        if (!head.Ensure(pos + 2, pastEnd))
            return Stopped(pastEnd);
        const size_t length = size_t(head.Data()[pos]) << 8 | head.Data()[pos + 1];
        if (length < 2)
            return ProbeResult::Unsure;
        const size_t dataAt = pos + 2;
        const size_t dataSize = length - 2;
        if (code == 0xE1 && dataSize >= 6) {
            if (!head.Ensure(dataAt + 6, pastEnd))
                return Stopped(pastEnd);
            if (std::memcmp(head.Data() + dataAt, "Exif\0\0", 6) == 0) {
                if (!head.Ensure(dataAt + dataSize, pastEnd))
                    return Stopped(pastEnd);
                return ProbeTiff(head.Data() + dataAt + 6, dataSize - 6);
            }
        }
        pos = dataAt + dataSize;
    }
    return ProbeResult::Unsure;
}

} // namespace

ProbeResult ProbeOrientationBytes(const unsigned char* data, size_t size)
{
    MemoryHead head(data, size);
    return ProbeJpeg(head);
}

// A file that cannot be opened, or is no regular file, has no properties for the engine.
ProbeResult ProbeOrientationFile(const char* path)
{
    const UniqueFd fd = OpenRegularFile(path);
    struct stat info { };
    if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0)
        return ProbeResult::NotCorrectable;
    FileHead head(fd.Get(), size_t(info.st_size));
    return ProbeJpeg(head);
}
