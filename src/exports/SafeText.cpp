#include "exports/SafeText.h"

namespace
{

bool xmlForbidden(char32_t c)
{
    if (c < 0x20)
        return c != u'\t' && c != u'\n' && c != u'\r';
    return c == 0xFFFE || c == 0xFFFF;
}

} // namespace

QString withoutXmlForbidden(const QString& text)
{
    QString kept;
    kept.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            kept += c;
            kept += text[++i];
        } else if (!c.isSurrogate() && !xmlForbidden(c.unicode())) {
            kept += c;
        }
    }
    return kept;
}

QString markupEscaped(const QString& text)
{
    QString escaped = withoutXmlForbidden(text).toHtmlEscaped();
    // toHtmlEscaped leaves the apostrophe, which ends a single-quoted attribute.
    escaped.replace(u'\'', QStringLiteral("&#39;"));
    return escaped;
}

QString csvTextField(const QString& text)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    QString field = text;
    if (!field.isEmpty() && formulaStarts.contains(field.front()))
        field.prepend(u'\'');
    if (!field.contains(u',') && !field.contains(u'"') && !field.contains(u'\n') &&
        !field.contains(u'\r'))
        return field;
    field.replace(u'"', QStringLiteral("\"\""));
    return u'"' + field + u'"';
}

QByteArray cellText(const QString& text)
{
    QByteArray bytes = withoutXmlForbidden(text).toUtf8();
    if (bytes.size() <= CellTextMaxBytes)
        return bytes;
    static const QByteArray mark = QStringLiteral("…（以下略）").toUtf8();
    qsizetype end = CellTextMaxBytes - mark.size();
    // Back to the first byte of a character.
    while (end > 0 && (quint8(bytes[end]) & 0xC0) == 0x80)
        --end;
    bytes.truncate(end);
    return bytes + mark;
}
