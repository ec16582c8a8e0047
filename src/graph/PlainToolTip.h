#pragma once

#include <QString>

// A tooltip that shows `text` as it is: a file's text is never taken as
// markup, and a plain tooltip would show its escapes instead.
inline QString plainToolTip(const QString& text)
{
    return QStringLiteral("<p style=\"white-space:pre-wrap\">") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}
