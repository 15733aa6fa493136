#pragma once

#include <QList>
#include <QString>

namespace tarvix {

class TLanguage;

// One argument of a message: a text or a whole number.
class MessageArg {
public:
    enum class Kind { String, Signed, Unsigned };

    MessageArg(const QString& text)
        : FKind(Kind::String)
        , FText(text)
    {
    }
    MessageArg(const char* utf8)
        : FKind(Kind::String)
        , FText(QString::fromUtf8(utf8))
    {
    }
    MessageArg(int value)
        : MessageArg(static_cast<long long>(value))
    {
    }
    MessageArg(long value)
        : MessageArg(static_cast<long long>(value))
    {
    }
    MessageArg(long long value)
        : FKind(Kind::Signed)
        , FText(QString::number(value))
    {
    }
    MessageArg(unsigned value)
        : MessageArg(static_cast<unsigned long long>(value))
    {
    }
    MessageArg(unsigned long value)
        : MessageArg(static_cast<unsigned long long>(value))
    {
    }
    MessageArg(unsigned long long value)
        : FKind(Kind::Unsigned)
        , FText(QString::number(value))
    {
    }

    Kind ArgKind() const { return FKind; }
    // What the argument shows: the text itself, or the number in decimal digits (no
    // thousands separator).
    const QString& Text() const { return FText; }

private:
    Kind FKind;
    QString FText;
};

// Fills the placeholders of a message: "%s", "%d" and "%u" take the next argument in
// order, "%%" gives a single "%".
//
// A translation is never trusted as a format. It is used only when its placeholders are
// exactly those of the English text (same number, same kinds, same order) and it holds no
// other '%' sequence (no "%n", "%1", "%5s", no lone '%'); otherwise the English text is
// formatted instead. The text is filled in one pass: arguments are inserted as they are,
// never read as formats themselves. A placeholder without an argument stays as written,
// an argument without a placeholder is left out, and other '%' sequences of the English
// text stay as written.
QString FormatMessage(const QString& translated, const QString& english, const QList<MessageArg>& args);

// The message's translation by the language engine, then FormatMessage with the English
// text as the fallback.
QString TranslateMessage(const TLanguage& language, const QString& english, const QList<MessageArg>& args = {});

// The placeholder kinds of a text in order ('s', 'd', 'u'), e.g. "su"; "%%" counts as
// none. Sets *clean to false when the text holds any other '%' sequence.
QString PlaceholderSequence(const QString& text, bool* clean = nullptr);

} // namespace tarvix
