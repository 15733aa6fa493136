#pragma once

#include <QString>
#include <stdexcept>

namespace tarvix {

// The program's general error: it carries a finished, translated text for the user.
// Questions answered No are not errors; they end an operation silently.
class TarvixError : public std::runtime_error {
public:
    explicit TarvixError(const QString& message)
        : std::runtime_error(message.toStdString())
        , FMessage(message)
    {
    }
    const QString& Message() const { return FMessage; }

private:
    QString FMessage;
};

// A broken promise between callers inside the program, never a user error: it is not
// of the general error class, so it is not shown as an ordinary message.
class AssertionFailure : public std::logic_error {
public:
    explicit AssertionFailure(const char* where)
        : std::logic_error(std::string("Assertion failure (") + where + ")")
    {
    }
};

} // namespace tarvix
