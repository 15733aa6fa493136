#include "platform/file_times.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>

namespace tarvix {

std::optional<FileTimes> ReadFileTimes(const QString& path)
{
    struct stat st { };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return FileTimes { st.st_atim, st.st_mtim };
}

int WriteFileTimes(const QString& path, const FileTimes& times)
{
    const timespec both[2] = { times.Access, times.Modification };
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), both, 0) == 0 ? 0 : errno;
}

} // namespace tarvix
