#include "app/instance_marker.h"

#include "base/unique_fd.h"
#include "platform/xdg_folders.h"

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tarvix {

namespace {
UniqueFd& Marker()
{
    static UniqueFd marker;
    return marker;
}
} // namespace

void CreateInstanceMarker(const QString& name)
{
    QString folder = XdgRuntimeDir();
    if (folder.isEmpty())
        folder = QDir::tempPath();
    const QString path = folder + '/' + name + (folder == QDir::tempPath() ? '-' + QString::number(::getuid()) : "");
    Marker().Reset(::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (Marker().Valid())
        ::flock(Marker().Get(), LOCK_SH | LOCK_NB);
}

void CloseInstanceMarker()
{
    Marker().Reset();
}

} // namespace tarvix
