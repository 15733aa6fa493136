#include "platform/read_file.h"

#include <QFile>
#include <sys/stat.h>

namespace tarvix {

bool ReadWholeFile(int fd, qint64 maxSize, QByteArray& into)
{
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > maxSize)
        return false;
    into.resize(qsizetype(st.st_size));
    // Fewer bytes: shortened meanwhile, or unreadable.
    return ReadAt(fd, into.data(), size_t(into.size()), 0) == size_t(into.size());
}

UniqueFd OpenRegularFile(const QString& path)
{
    return OpenRegularFile(QFile::encodeName(path).constData());
}

} // namespace tarvix
