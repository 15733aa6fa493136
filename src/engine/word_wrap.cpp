#include "engine/word_wrap.h"

#include <QList>

namespace tarvix {

namespace {

bool IsBreakChar(QChar c)
{
    return c == u' ' || c == u'-' || c == u'\t';
}

bool IsQuote(QChar c)
{
    return c == u'\'' || c == u'"';
}

// For each position of the line, whether it lies inside a pair of quotes. A quote opens
// only when its partner follows on the same line: an apostrophe in "don't" must not make
// the rest of the line unbreakable.
QList<bool> QuotedPositions(const QString& line)
{
    QList<bool> quoted(line.size(), false);
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (!IsQuote(line[i]))
            continue;
        const qsizetype close = line.indexOf(line[i], i + 1);
        if (close < 0)
            continue;
        for (qsizetype k = i; k <= close; ++k)
            quoted[k] = true;
        i = close;
    }
    return quoted;
}

// Where the line may break: after position p (a break character outside quotes).
bool CanBreakAfter(const QString& line, const QList<bool>& quoted, qsizetype p)
{
    return IsBreakChar(line[p]) && !quoted[p];
}

QString WrapLine(const QString& line, int maxColumns)
{
    const QList<bool> quoted = QuotedPositions(line);
    QString result;
    qsizetype start = 0;
    while (line.size() - start > maxColumns) {
        // The last break that keeps the line (break character included) within the limit,
        // else the first one after it: a long word stays whole.
        qsizetype cut = -1;
        for (qsizetype p = start + maxColumns - 1; p > start && cut < 0; --p)
            if (CanBreakAfter(line, quoted, p))
                cut = p;
        for (qsizetype p = start + maxColumns; p < line.size() && cut < 0; ++p)
            if (CanBreakAfter(line, quoted, p))
                cut = p;
        if (cut < 0 || cut + 1 >= line.size())
            break;
        QString piece = line.mid(start, cut + 1 - start);
        if (line[cut] != u'-')
            piece.chop(1);
        result += piece + u'\n';
        start = cut + 1;
    }
    return result + line.mid(start);
}

} // namespace

QString WrapText(const QString& text, int maxColumns)
{
    QString result;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        const bool last = end < 0;
        if (last)
            end = text.size();
        // The CR of a CR LF pair belongs to the break, not to the line's width.
        const bool crlf = end > start && text[end - 1] == u'\r';
        result += WrapLine(text.mid(start, end - start - (crlf ? 1 : 0)), maxColumns);
        if (last)
            break;
        result += crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
        start = end + 1;
    }
    return result;
}

} // namespace tarvix
