#include "engine/byte_store.h"

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool InRange(qint64 position, qint64 count, qint64 size)
{
    return position >= 0 && count >= 0 && position <= size && count <= size - position;
}
// Repeats a partial pread or pwrite until all of it is done; false on an error or at the end.
template <typename Step> bool Transfer(qint64 position, qint64 count, Step step)
{
    for (qint64 at = position; at < position + count;) {
        const ssize_t n = step(at, position + count - at);
        if (n <= 0)
            return false;
        at += n;
    }
    return true;
}
} // namespace

FileByteStore::FileByteStore(int fd)
    : FFd(fd)
{
    struct stat st { };
    if (::fstat(fd, &st) == 0)
        FSize = st.st_size;
}

bool FileByteStore::Read(qint64 position, char* into, qint64 count)
{
    return InRange(position, count, FSize) && Transfer(position, count, [&](qint64 at, qint64 n) {
        return ::pread(FFd, into + (at - position), size_t(n), at);
    });
}

bool FileByteStore::Write(qint64 position, const char* from, qint64 count)
{
    return InRange(position, count, FSize) && Transfer(position, count, [&](qint64 at, qint64 n) {
        return ::pwrite(FFd, from + (at - position), size_t(n), at);
    });
}

bool MemoryByteStore::Read(qint64 position, char* into, qint64 count)
{
    if (!InRange(position, count, FBytes.size()))
        return false;
    std::memcpy(into, FBytes.constData() + position, size_t(count));
    return true;
}

bool MemoryByteStore::Write(qint64 position, const char* from, qint64 count)
{
    if (!InRange(position, count, FBytes.size()))
        return false;
    std::memcpy(FBytes.data() + position, from, size_t(count));
    return true;
}
