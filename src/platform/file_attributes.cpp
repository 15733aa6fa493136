#include "platform/file_attributes.h"

#include <QFile>
#include <sys/stat.h>

namespace tarvix {

std::optional<bool> IsReadOnlyFile(const QString& path)
{
    struct stat st { };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return (st.st_mode & S_IWUSR) == 0;
}

bool ClearReadOnly(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st { };
    return ::stat(native.constData(), &st) == 0 && ::chmod(native.constData(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

} // namespace tarvix
