#pragma once

#include <QString>

namespace tarvix {

// Copies `source` to `target` only when `target` does not exist: an existing file is never
// overwritten. The copy keeps the source's permissions and modification time, and appears
// complete or not at all. 0 on success, otherwise an errno (EEXIST when the target exists).
int CopyFileNoReplace(const QString& source, const QString& target);

// Copies everything readable from one open file to another; 0 or errno.
int CopyContent(int from, int to);

} // namespace tarvix
