#include "engine/undo_step.h"

#include <QCryptographicHash>

namespace tarvix {

bool StillAsWritten(const struct stat& now, const struct stat& written)
{
    return now.st_dev == written.st_dev && now.st_ino == written.st_ino && now.st_size == written.st_size
        && SameTime(now.st_mtim, written.st_mtim) && SameTime(now.st_ctim, written.st_ctim);
}

QByteArray ContentHash(const QList<QByteArrayView>& pieces)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const QByteArrayView piece : pieces)
        hash.addData(piece);
    return hash.result();
}

} // namespace tarvix
