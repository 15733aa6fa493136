#include "engine/process_switches.h"

#include <QCollator>
#include <QLocale>

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
    // Locale-aware and case-insensitive, as the user would compare letters.
    static const QCollator collator = [] {
        QCollator c { QLocale::system() };
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    const QStringView rest = QStringView(parameter).mid(1);
    return rest.size() == name.size() && collator.compare(rest, name) == 0;
}

bool HasSwitch(const QStringList& parameters, const QString& name)
{
    for (const QString& p : parameters)
        if (IsSwitch(p, name))
            return true;
    return false;
}

} // namespace tarvix
