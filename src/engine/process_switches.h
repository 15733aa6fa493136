#pragma once

#include <QString>
#include <QStringList>

namespace tarvix {

// The process's own parameters, without the program path. Set once by the process entry;
// tests set them to simulate a command line.
void SetProcessParameters(const QStringList& parameters);
// The parameters of a process entry's argv, without the program path.
QStringList ParametersOf(int argc, char** argv);
const QStringList& ProcessParameters();

// True when `parameter` is '-' or '/' followed by `name`, letter case aside.
bool IsSwitch(const QString& parameter, const QString& name);

// True when any of `parameters` is the switch `name`, wherever it stands.
bool HasSwitch(const QStringList& parameters, const QString& name);

// True when any process parameter is the switch `name`.
inline bool ProcessHasSwitch(const QString& name)
{
    return HasSwitch(ProcessParameters(), name);
}

// The silent switch: no crop warning, no read-only question, no folder questions.
inline bool SilentSwitchPresent()
{
    return ProcessHasSwitch(QStringLiteral("s"));
}

} // namespace tarvix
