#include "platform/executable_path.h"

#include "base/file_access.h"

#include <QCoreApplication>
#include <QFile>

namespace tarvix {

QString ExecutablePath()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFile::decodeName(QByteArray::fromStdString(ExecutableFile()));
}

} // namespace tarvix
