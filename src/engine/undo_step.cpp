#include "engine/undo_step.h"

#include <QHash>

namespace tarvix {

bool StillAsWritten(const struct stat& now, const struct stat& written)
{
    return now.st_dev == written.st_dev && now.st_ino == written.st_ino && now.st_size == written.st_size
        && SameTime(now.st_mtim, written.st_mtim) && SameTime(now.st_ctim, written.st_ctim);
}

quint64 ContentHash(const QList<QByteArrayView>& pieces)
{
    size_t hash = 0x7a5c3e1f;
    for (const QByteArrayView piece : pieces)
        hash = qHashBits(piece.data(), size_t(piece.size()), hash);
    return quint64(hash);
}

quint64 ContentHash(QByteArrayView content, const QList<qsizetype>& pieces)
{
    QList<QByteArrayView> views;
    qsizetype at = 0;
    for (const qsizetype size : pieces) {
        if (size < 0 || size > content.size() - at)
            return 0;
        views.append(content.sliced(at, size));
        at += size;
    }
    return at == content.size() ? ContentHash(views) : 0;
}

} // namespace tarvix
