#pragma once

#include <QByteArray>

namespace tarvix {

// Sets an environment variable (or removes it, for a null value) until the end of the scope.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QByteArray& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* FName;
    bool FWasSet;
    QByteArray FOld;
};

} // namespace tarvix
