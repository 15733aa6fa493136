#pragma once

#include "base/ascii_case.h"

#include <QCollator>
#include <QLocale>
#include <QString>
#include <QStringView>

// Every comparison "without regard to letter case" of the program, one rule per kind of name.

namespace tarvix {

// ASCII letters only: command-line switches, file extensions and component names, which are
// ASCII by nature. (No other letter may fold onto theirs: a Turkish dotless i must not
// make "-s" of "-ı".) The launcher compares switches and extensions with the std::string
// form in base/ascii_case.h; both are the same rule.
inline bool EqualsIgnoringAsciiCase(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c; };
    for (qsizetype i = 0; i < a.size(); ++i)
        if (lower(a[i].unicode()) != lower(b[i].unicode()))
            return false;
    return true;
}

// Unicode case folding: the section and entry names of settings and language files, which a
// user may type in any script.
inline bool EqualsFoldingCase(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The user's locale, case aside: the order in which the grid shows paths. Only the order:
// whether two paths name one file is an exact comparison, since Linux names are
// case-sensitive.
inline int CompareAsUserReadsIgnoringCase(QStringView a, QStringView b)
{
    static const QCollator collator = [] {
        QCollator c { QLocale::system() };
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator.compare(a, b);
}

} // namespace tarvix
