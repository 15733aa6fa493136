#include "engine/folder_scan.h"

#include "base/folder_walk.h"

#include <QFile>

namespace tarvix {

void ListJpegFiles(const QString& folder, QStringList& list, bool recursive, const std::atomic_bool* stop)
{
    const QByteArray encoded = QFile::encodeName(folder);
    WalkJpegFiles(
        std::string(encoded.constData(), encoded.size()), recursive,
        [&list](const std::string& path) {
            list.append(QFile::decodeName(QByteArray::fromStdString(path)));
            return true;
        },
        stop);
}

bool HasJpegExtension(const QString& name)
{
    const QByteArray utf8 = name.toUtf8();
    return HasJpegExtension(std::string_view(utf8.constData(), size_t(utf8.size())));
}

} // namespace tarvix
