#include "engine/byte_store.h"

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool InRange(qint64 position, qint64 count, qint64 size)
{
    return position >= 0 && count >= 0 && position <= size && count <= size - position;
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
    if (!InRange(position, count, FSize))
        return false;
    while (count > 0) {
        const ssize_t n = ::pread(FFd, into, size_t(count), position);
        if (n <= 0)
            return false;
        into += n, position += n, count -= n;
    }
    return true;
}

bool FileByteStore::Write(qint64 position, const char* from, qint64 count)
{
    if (!InRange(position, count, FSize))
        return false;
    while (count > 0) {
        const ssize_t n = ::pwrite(FFd, from, size_t(count), position);
        if (n <= 0)
            return false;
        from += n, position += n, count -= n;
    }
    return true;
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
