#pragma once

#include <QStringList>

namespace tarvix {

class Dialogs;

// The usage text of the command line, in English.
extern const char* const UsageMessage;

// Runs the command-line mode on the process's parameters (without the program path): one
// file turned or mirrored, or one folder corrected by its orientation tags. Reports its
// own errors through `dialogs`, once. Returns the exit status: 0 after success or a
// declined question, 1 after a reported error.
int RunCommandLine(const QStringList& parameters, Dialogs& dialogs);

} // namespace tarvix
