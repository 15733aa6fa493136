#include "engine/process_switches.h"

#include "engine/letter_case.h"

namespace tarvix {

namespace {
QStringList& Parameters()
{
    static QStringList parameters;
    return parameters;
}
} // namespace

QStringList ParametersOf(int argc, char** argv)
{
    QStringList parameters;
    for (int i = 1; i < argc; ++i)
        parameters.append(QString::fromLocal8Bit(argv[i]));
    return parameters;
}

void SetProcessParameters(const QStringList& parameters)
{
    Parameters() = parameters;
}

const QStringList& ProcessParameters()
{
    return Parameters();
}

bool IsSwitch(const QString& parameter, const QString& name)
{
    if (parameter.size() < 2 || (parameter[0] != u'-' && parameter[0] != u'/'))
        return false;
    // ASCII, as the launcher reads them: the two must agree on what a switch is.
    return EqualsIgnoringAsciiCase(QStringView(parameter).mid(1), name);
}

bool HasSwitch(const QStringList& parameters, const QString& name)
{
    for (const QString& p : parameters)
        if (IsSwitch(p, name))
            return true;
    return false;
}

} // namespace tarvix
