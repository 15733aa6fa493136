#pragma once

#include <QString>

namespace tarvix {

// Renames `from` to `to` in one step, and never over an existing file (renameat2 with
// RENAME_NOREPLACE; on a file system without it, a hard link and an unlink, which refuse an
// existing name just as well). 0 on success, else the errno of the failure.
int RenameWithoutReplacing(const QString& from, const QString& to);

// Moves the file into the freedesktop trash of its file system, from where the desktop's file
// manager can put it back. False with the reason in `error` when it stays where it was.
bool MoveToTrash(const QString& path, QString* error);

} // namespace tarvix
