#pragma once

#include <QString>
#include <optional>

namespace tarvix {

// A file is read-only when its owner may not write it (the owner-write permission bit is
// clear). Nothing when the file's attributes cannot be read.
std::optional<bool> IsReadOnlyFile(const QString& path);

// Sets the owner-write bit and keeps every other permission bit; true on success.
bool ClearReadOnly(const QString& path);

} // namespace tarvix
