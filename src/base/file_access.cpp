#include "base/file_access.h"

#include <cerrno>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tarvix {

UniqueFd OpenRegularFile(const char* path)
{
    // Without O_NONBLOCK, opening a FIFO would wait for a writer. A look at a picture leaves
    // its access time alone, where the system lets us (on the owner's files): the program
    // keeps file times, and a browse of a folder is no use of its pictures.
    UniqueFd fd(::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOATIME));
    if (!fd.Valid() && errno == EPERM)
        fd = UniqueFd(::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st { };
    if (fd.Valid() && (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)))
        fd.Reset();
    return fd;
}

size_t ReadAt(int fd, void* into, size_t size, off_t offset)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, static_cast<char*>(into) + done, size - done, offset + off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += size_t(n);
    }
    return done;
}

std::string ExecutableFile()
{
    // readlink does not say whether it cut the name short: grow until it fits.
    for (size_t size = PATH_MAX; size <= 16 * PATH_MAX; size *= 2) {
        std::vector<char> buffer(size);
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return {};
        if (size_t(length) < buffer.size())
            return std::string(buffer.data(), size_t(length));
    }
    return {};
}

} // namespace tarvix
