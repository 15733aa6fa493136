#include "engine/message_format.h"

#include "engine/language.h"

namespace tarvix {

namespace {

bool IsPlaceholderKind(QChar c)
{
    return c == u's' || c == u'd' || c == u'u';
}

} // namespace

QString PlaceholderSequence(const QString& text, bool* clean)
{
    QString sequence;
    bool ok = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'%')
            continue;
        if (i + 1 < text.size() && text[i + 1] == u'%') {
            ++i;
        } else if (i + 1 < text.size() && IsPlaceholderKind(text[i + 1])) {
            sequence += text[++i];
        } else {
            ok = false;
        }
    }
    if (clean)
        *clean = ok;
    return sequence;
}

QString FormatMessage(const QString& translated, const QString& english, const QList<MessageArg>& args)
{
    bool clean = false;
    const QString translatedSequence = PlaceholderSequence(translated, &clean);
    const bool useTranslation = clean && translatedSequence == PlaceholderSequence(english);
    const QString& pattern = useTranslation ? translated : english;

    QString result;
    result.reserve(pattern.size());
    qsizetype next = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        const QChar following = i + 1 < pattern.size() ? pattern[i + 1] : QChar();
        if (c == u'%' && following == u'%') {
            result += u'%';
            ++i;
        } else if (c == u'%' && IsPlaceholderKind(following) && next < args.size()) {
            result += args[next++].Text();
            ++i;
        } else {
            result += c;
        }
    }
    return result;
}

QString TranslateMessage(const TLanguage& language, const QString& english, const QList<MessageArg>& args)
{
    return FormatMessage(language.TranslateUserMessage(english), english, args);
}

} // namespace tarvix
