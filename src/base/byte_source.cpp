#include "base/byte_source.h"

#include "base/file_access.h"

#include <algorithm>
#include <sys/stat.h>

namespace tarvix {

namespace {
// Reads beyond the head fetch at least this much: the small segments that follow one
// another then come from a single read.
constexpr size_t MinWindow = 8192;
} // namespace

FileByteSource::FileByteSource(int fd, size_t headSize)
    : FFd(fd)
{
    struct stat st { };
    if (::fstat(fd, &st) == 0 && st.st_size > 0)
        FSize = uint64_t(st.st_size);
    Bytes(0, size_t(std::min<uint64_t>(headSize, FSize)));
}

const unsigned char* FileByteSource::Bytes(uint64_t offset, size_t length)
{
    if (offset > FSize || length > FSize - offset)
        return nullptr;
    if (offset >= FWindowStart && offset - FWindowStart + length <= FWindow.size())
        return FWindow.data() + (offset - FWindowStart);
    const size_t want = size_t(std::min<uint64_t>(FSize - offset, std::max(length, MinWindow)));
    FWindow.resize(want);
    FWindowStart = offset;
    FWindow.resize(ReadAt(FFd, FWindow.data(), want, off_t(offset)));
    return length <= FWindow.size() ? FWindow.data() : nullptr;
}

} // namespace tarvix
