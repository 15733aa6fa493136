#include "platform/thumbnail_cache.h"

#include "platform/log_categories.h"
#include "platform/xdg_folders.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace tarvix {

QByteArray ThumbnailCacheUri(const QString& absolutePath)
{
    // The escaping file managers use when they name cache entries: letters, digits and
    // these marks stay, every other byte becomes %XX.
    static const QByteArray kept("!$&'()*+,-./:=@_~");
    QByteArray uri("file://");
    for (const char c : QFile::encodeName(absolutePath)) {
        const uchar u = uchar(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || kept.contains(c))
            uri += c;
        else
            uri += '%' + QByteArray::number(u, 16).rightJustified(2, '0').toUpper();
    }
    return uri;
}

namespace {
// A thumbnail that stays would show the picture as it was until its file manager notices.
void Remove(const QString& entry)
{
    if (::unlink(QFile::encodeName(entry).constData()) == 0)
        return;
    const int error = errno;
    if (error != ENOENT && error != ENOTDIR)
        qCWarning(ThumbnailsLog, "shared thumbnail %s not removed: %s", qUtf8Printable(entry), std::strerror(error));
}

void ForgetCachedThumbnailsOfName(const QString& path)
{
    const QDir root(XdgCacheHome() + "/thumbnails");
    if (!root.exists())
        return;
    const QString entry
        = QCryptographicHash::hash(ThumbnailCacheUri(QFileInfo(path).absoluteFilePath()), QCryptographicHash::Md5)
              .toHex()
        + ".png";
    // normal, large, x-large, xx-large, and fail/<program> for pictures that failed.
    for (const QString& size : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        Remove(root.filePath(size + '/' + entry));
        if (size == "fail")
            for (const QString& program : QDir(root.filePath(size)).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
                Remove(root.filePath(size + '/' + program + '/' + entry));
    }
}
} // namespace

void ForgetCachedThumbnails(const QString& path)
{
    // File managers name cache entries by the path they show, which may be a link.
    ForgetCachedThumbnailsOfName(path);
    const QString real = QFileInfo(path).canonicalFilePath();
    if (!real.isEmpty() && real != QFileInfo(path).absoluteFilePath())
        ForgetCachedThumbnailsOfName(real);
}

} // namespace tarvix
