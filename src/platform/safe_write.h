#pragma once

#include "platform/file_times.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>
#include <sys/stat.h>

namespace tarvix {

// Replaces the content of the file at `path` (symbolic links followed) with `pieces`, one
// after the other (they need not be copied into one block first), so that
// no failure, full disk or killed process leaves a half-written file behind.
//
// Normally the new content goes to a temporary file in the same folder, is flushed and
// renamed over the original, with the original's permissions, owner, group and extended
// attributes: the file is at every moment either the old or the new one. Where a rename
// would lose something (more hard links, an owner or an extended attribute that cannot be
// carried over), a flushed copy of the original is first kept beside it (KeptOriginalPath),
// the file is overwritten in place and flushed, and the copy removed; a process killed in
// between leaves that complete copy, which RestoreInterruptedOverwrite puts back.
// Returns 0 or the errno of the failure; on failure the file is as it was.
struct ReplaceOptions {
    // The file as it was read: when the path now leads to another file, or this one changed
    // size or modification time meanwhile, nothing is written and the result is ESTALE.
    std::optional<struct stat> Expected;
    // Times the new content gets before it takes the file's place. Where they cannot be set
    // (a file overwritten in place that belongs to someone else) the content is replaced all
    // the same and `timesError` receives the errno.
    std::optional<FileTimes> Times;
};
int ReplaceFileContent(const QString& path, const QList<QByteArrayView>& pieces, const ReplaceOptions& options = {},
    int* timesError = nullptr);
inline int ReplaceFileContent(const QString& path, QByteArrayView data)
{
    return ReplaceFileContent(path, QList<QByteArrayView> { data });
}

// Where an overwrite in place keeps the original of the file `name` in `folder` whose inode
// is `inode`: a hidden name beside it.
std::string KeptOriginalPath(const std::string& folder, const std::string& name, ino_t inode);

// After an overwrite in place that was cut short (the process killed, the power gone), puts
// the kept original back into the file at `path` and removes the copy; nothing when there
// is none. A new content left under its pending name by a replacement cut short just before
// its rename is removed too (the file itself is then still the old one). The caller holds the file so that no other run
// of the program is writing it. 0 or the errno of a failed restoration, when the copy stays where it is.
int RestoreInterruptedOverwrite(const QString& path);

} // namespace tarvix
