#include "platform/read_file.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool ReadWholeFile(int fd, qint64 maxSize, QByteArray& into)
{
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > maxSize)
        return false;
    into.resize(qsizetype(st.st_size));
    qsizetype done = 0;
    while (done < into.size()) {
        const ssize_t n = ::pread(fd, into.data() + done, size_t(into.size() - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false; // shortened meanwhile, or unreadable
        done += n;
    }
    return true;
}

UniqueFd OpenRegularFile(const QString& path)
{
    // Without O_NONBLOCK, opening a FIFO would wait for a writer.
    UniqueFd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st { };
    if (fd.Valid() && (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)))
        fd.Reset();
    return fd;
}
