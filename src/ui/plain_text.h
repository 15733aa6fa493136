#pragma once

#include <QString>

namespace tarvix {

// File names, paths and EXIF values are text, never markup, wherever they are shown. Qt takes a
// tool tip for rich text whenever it looks like markup (an "<img src=...>" in a camera's
// maker field would be loaded as a picture), so such a tip is escaped and set in a paragraph
// that keeps its spaces and line breaks: it then shows exactly as written. Labels and message
// boxes take Qt::PlainText instead.
inline QString PlainToolTip(const QString& text)
{
    if (text.isEmpty())
        return text;
    return QStringLiteral("<p style='white-space:pre-wrap'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

} // namespace tarvix
