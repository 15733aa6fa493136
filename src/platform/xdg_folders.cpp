#include "platform/xdg_folders.h"

#include <QDir>
#include <QFileInfo>

namespace tarvix {

namespace {
QString AbsoluteFromEnvironment(const char* variable)
{
    const QString value = qEnvironmentVariable(variable);
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : QString();
}

QString OrUnderHome(const QString& folder, const char* fallback)
{
    return folder.isEmpty() ? QDir::homePath() + QLatin1String(fallback) : folder;
}
} // namespace

QString XdgConfigHome()
{
    return OrUnderHome(AbsoluteFromEnvironment("XDG_CONFIG_HOME"), "/.config");
}

QString XdgCacheHome()
{
    return OrUnderHome(AbsoluteFromEnvironment("XDG_CACHE_HOME"), "/.cache");
}

QString XdgRuntimeDir()
{
    const QString folder = AbsoluteFromEnvironment("XDG_RUNTIME_DIR");
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

} // namespace tarvix
