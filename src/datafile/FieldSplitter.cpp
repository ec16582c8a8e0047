#include "datafile/FieldSplitter.h"

namespace
{

template <typename View> bool splitDoubled(View line, FieldSpans& fields)
{
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (true) {
        FieldSpan field;
        if (i < n && line[i] == u'"') {
            field.quoted = true;
            field.begin = ++i;
            while (true) {
                if (i >= n)
                    return false; // unterminated quote
                if (line[i] == u'"') {
                    if (i + 1 < n && line[i + 1] == u'"') {
                        field.doubledQuotes = true;
                        i += 2;
                        continue;
                    }
                    break;
                }
                ++i;
            }
            field.length = i - field.begin;
            ++i;
        } else {
            field.begin = i;
            while (i < n && line[i] != u',') {
                if (line[i] == u'"')
                    return false;
                ++i;
            }
            field.length = i - field.begin;
            if (field.length == 0)
                return false; // a number field is never empty
        }
        fields.append(field);
        if (i == n)
            return true;
        if (line[i] != u',')
            return false;
        ++i;
    }
}

template <typename View> bool splitUndoubled(View line, FieldSpans& fields)
{
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (true) {
        FieldSpan field;
        if (i < n && line[i] == u'"') {
            field.quoted = true;
            field.begin = ++i;
            while (true) {
                if (i >= n)
                    return false; // no quote that could close the text
                if (line[i] == u'"' && (i + 1 == n || line[i + 1] == u','))
                    break;
                ++i;
            }
            field.length = i - field.begin;
            ++i;
        } else {
            field.begin = i;
            while (i < n && line[i] != u',')
                ++i;
            field.length = i - field.begin;
        }
        fields.append(field);
        if (i == n)
            return true;
        ++i; // a comma: nothing else ends a field here
    }
}

template <typename View> bool split(View line, QuoteRule rule, FieldSpans& fields)
{
    fields.clear();
    return rule == QuoteRule::Doubled ? splitDoubled(line, fields) : splitUndoubled(line, fields);
}

} // namespace

bool splitFieldSpans(QByteArrayView line, QuoteRule rule, FieldSpans& fields)
{
    return split(line, rule, fields);
}

bool splitFieldSpans(QStringView line, QuoteRule rule, FieldSpans& fields)
{
    return split(line, rule, fields);
}

QString fieldText(QStringView line, const FieldSpan& field)
{
    QString text = line.sliced(field.begin, field.length).toString();
    if (field.doubledQuotes)
        text.replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return text;
}

std::optional<QStringList> splitFields(QStringView line, QuoteRule rule)
{
    FieldSpans spans;
    if (!splitFieldSpans(line, rule, spans))
        return std::nullopt;
    QStringList fields;
    fields.reserve(spans.size());
    for (const FieldSpan& span : spans)
        fields.append(fieldText(line, span));
    return fields;
}
