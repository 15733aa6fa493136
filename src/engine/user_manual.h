#pragma once

#include <QString>

namespace tarvix {

// The program's home page as the build names it (TARVIX_HOME_PAGE); empty for a build without
// a web site.
QString HomePage();

// The user manual of the program whose executable lies in `executableFolder`: doc/manual.html
// beside it in a build tree, otherwise share/doc/tarvix/manual.html under an installed
// program's prefix. The latter path is returned even when no file is there.
QString UserManualFile(const QString& executableFolder);

// The manual of the running program.
QString UserManualFile();

} // namespace tarvix
