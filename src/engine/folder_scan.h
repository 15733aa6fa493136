#pragma once

#include <QString>
#include <QStringList>
#include <atomic>

namespace tarvix {

// Appends the JPEG files of `folder` to `list` in the order the file system returns its
// entries: hidden entries included, and a folder whose name ends in ".jpg" is listed like
// a file. With `recursive`, each subfolder's files enter the list where the subfolder was
// met. A folder reached twice (through symbolic links) is walked only once. A folder that
// cannot be read adds nothing and raises nothing. Setting `stop` ends the listing soon, with
// what it found so far.
void ListJpegFiles(const QString& folder, QStringList& list, bool recursive, const std::atomic_bool* stop = nullptr);

// Whether the name ends in ".jpg" or ".jpeg", in any letter case.
bool HasJpegExtension(const QString& name);

} // namespace tarvix
