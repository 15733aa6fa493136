#include "engine/user_manual.h"

#include "platform/executable_path.h"

#include <QDir>
#include <QFileInfo>

namespace tarvix {

QString HomePage()
{
    return QStringLiteral(TARVIX_HOME_PAGE);
}

QString UserManualFile(const QString& executableFolder)
{
    const QString beside = executableFolder + QStringLiteral("/doc/manual.html");
    if (QFileInfo(beside).isFile())
        return beside;
    return QDir::cleanPath(executableFolder + QStringLiteral("/../share/doc/tarvix/manual.html"));
}

QString UserManualFile()
{
    return UserManualFile(QFileInfo(ExecutablePath()).absolutePath());
}

} // namespace tarvix
