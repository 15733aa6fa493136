#pragma once

#include <QString>
#include <stdexcept>

namespace tarvix {

// The program's general error: it carries a finished, translated text for the user.
// Questions answered No are not errors; they end an operation silently.
class TarvixError : public std::runtime_error {
public:
    // `details`: what the system said (a failed write's strerror text), untranslated, for
    // whoever has to find out why; empty when there is nothing to add to the message.
    explicit TarvixError(const QString& message, const QString& details = {})
        : std::runtime_error(message.toStdString())
        , FMessage(message)
        , FDetails(details)
    {
    }
    const QString& Message() const { return FMessage; }
    const QString& Details() const { return FDetails; }
    // The message, and the details on a line of their own where there are any.
    QString FullText() const { return FDetails.isEmpty() ? FMessage : FMessage + u'\n' + FDetails; }

private:
    QString FMessage;
    QString FDetails;
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
