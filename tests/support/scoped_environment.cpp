#include "support/scoped_environment.h"

#include <QtGlobal>

namespace tarvix {

ScopedEnvironment::ScopedEnvironment(const char* name, const QByteArray& value)
    : FName(name)
    , FWasSet(qEnvironmentVariableIsSet(name))
    , FOld(qgetenv(name))
{
    if (value.isNull())
        qunsetenv(name);
    else
        qputenv(name, value);
}

ScopedEnvironment::~ScopedEnvironment()
{
    if (FWasSet)
        qputenv(FName, FOld);
    else
        qunsetenv(FName);
}

} // namespace tarvix
