#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

// Replaces the content of the file at `path` (symbolic links followed) with `pieces`, one
// after the other (they need not be copied into one block first), so that
// no failure, full disk or killed process leaves a half-written file behind.
//
// Normally the new content goes to a temporary file in the same folder, is flushed and
// renamed over the original, with the original's permissions, owner, group and extended
// attributes. Where a rename would lose something (more hard links, an owner or an extended
// attribute that cannot be carried over), a flushed copy of the original is kept beside it,
// the file is overwritten in place and flushed, and the copy removed.
// Returns 0 or the errno of the failure; on failure the file is as it was.
int ReplaceFileContent(const QString& path, const QList<QByteArrayView>& pieces);
inline int ReplaceFileContent(const QString& path, QByteArrayView data)
{
    return ReplaceFileContent(path, QList<QByteArrayView> { data });
}
