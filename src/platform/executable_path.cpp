#include "platform/executable_path.h"

#include <QCoreApplication>
#include <QFile>
#include <limits.h>
#include <unistd.h>
#include <vector>

QString ExecutablePath()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();

    // readlink does not say whether it cut the name short: grow until it fits.
    for (std::size_t size = PATH_MAX; size <= 16 * PATH_MAX; size *= 2) {
        std::vector<char> buffer(size);
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return {};
        if (std::size_t(length) < buffer.size())
            return QFile::decodeName(QByteArray(buffer.data(), length));
    }
    return {};
}
