#pragma once

#include <QIcon>

namespace tarvix {

// The pictures of the window's actions and buttons, by their index in the designed image list.
enum class ToolbarImage {
    RotateLeft = 0,
    View = 1,
    RotateRight = 2,
    Rotate180 = 3,
    Delete = 4,
    Options = 5,
    Exif = 6,
    Favorites = 7,
    Auto = 8,
    Recent,
    Application
};

// The desktop theme's icon where it has one that means the same, else the program's own
// picture; the disabled look is derived by Qt from either.
QIcon ToolbarIcon(ToolbarImage image);

} // namespace tarvix
