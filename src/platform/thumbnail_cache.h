#pragma once

#include <QString>

namespace tarvix {

// Removes the file's entries from the shared freedesktop thumbnail cache. A transformed file
// keeps its modification time, by which file managers would otherwise keep showing the
// old, unturned thumbnail. Both the path and, when it is a link, its target are forgotten.
void ForgetCachedThumbnails(const QString& path);

// The file URI that names a file in that cache (the path's bytes, percent-escaped).
QByteArray ThumbnailCacheUri(const QString& absolutePath);

} // namespace tarvix
