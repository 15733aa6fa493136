#include "platform/file_copy.h"

#include "platform/temp_file.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tarvix {

int CopyContent(int from, int to)
{
    off_t offset = 0;
    for (;;) {
        const ssize_t n = ::copy_file_range(from, &offset, to, nullptr, size_t(1) << 30, 0);
        if (n == 0)
            return 0;
        if (n > 0)
            continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
            return errno;
        break; // not offered between these files: copy by hand from where it stopped
    }
    std::vector<char> buffer(size_t(1) << 20);
    for (;;) {
        const ssize_t n = ::pread(from, buffer.data(), buffer.size(), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return 0;
        if (const int error = WriteAll(to, buffer.data(), size_t(n)))
            return error;
        offset += n;
    }
}

int CopyFileNoReplace(const QString& source, const QString& target)
{
    const QByteArray nativeTarget = QFile::encodeName(target);
    const UniqueFd in(::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC));
    struct stat st { };
    if (!in.Valid() || ::fstat(in.Get(), &st) != 0)
        return errno;
    if (::access(nativeTarget.constData(), F_OK) == 0)
        return EEXIST;
    const QFileInfo info(target);
    TempFile copy(
        QFile::encodeName(info.absolutePath()).toStdString(), QFile::encodeName(info.fileName()).toStdString());
    if (!copy.Valid())
        return copy.Error();
    const timespec times[2] = { st.st_atim, st.st_mtim };
    if (const int error = CopyContent(in.Get(), copy.Fd()))
        return error;
    if (::fchmod(copy.Fd(), st.st_mode & 07777) != 0 || ::futimens(copy.Fd(), times) != 0 || ::fsync(copy.Fd()) != 0)
        return errno;
    // Linking fails when the name exists, so a backup that appeared meanwhile is kept too.
    return copy.LinkAs(nativeTarget.toStdString());
}

} // namespace tarvix
