#pragma once

#include <QString>

namespace tarvix {

// The full path of the running program's executable, links resolved:
// QCoreApplication::applicationFilePath() when an application object exists, otherwise
// the target of /proc/self/exe. Empty when neither can be read.
QString ExecutablePath();

} // namespace tarvix
