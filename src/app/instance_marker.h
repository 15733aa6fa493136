#pragma once

#include <QString>

namespace tarvix {

// Marks, for other programs of the same user, that a window of ours is running: a file in
// the user's runtime folder, open while the window lives and closed to everyone else.
// Nothing depends on whether it could be made or already existed.
void CreateInstanceMarker(const QString& name);
void CloseInstanceMarker();

} // namespace tarvix
