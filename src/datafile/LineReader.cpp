#include "datafile/LineReader.h"

#include "datafile/Cp932Decoder.h"
#include "datafile/FieldSplitter.h"
#include "datafile/ReadProblems.h"
#include "datafile/RowKinds.h"
#include "numbers/DoubleChars.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace
{

constexpr qsizetype FieldCount = 6;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isAscii(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

QByteArrayView trimmed(QByteArrayView bytes)
{
    while (!bytes.isEmpty() && (bytes.front() == ' ' || bytes.front() == '\t'))
        bytes = bytes.sliced(1);
    while (!bytes.isEmpty() && (bytes.back() == ' ' || bytes.back() == '\t'))
        bytes.chop(1);
    return bytes;
}

std::optional<double> numberOf(QByteArrayView field)
{
    field = trimmed(field);
    if (field.startsWith('+'))
        field = field.sliced(1);
    double value = 0.0;
    const char* end = field.data() + field.size();
    const auto [ptr, ec] = DoubleChars::fromChars(field.data(), end, value);
    if (field.isEmpty() || ec != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> readingNumberOf(QByteArrayView field)
{
    field = trimmed(field);
    int value = 0;
    const char* end = field.data() + field.size();
    const auto [ptr, ec] = std::from_chars(field.data(), end, value);
    if (field.isEmpty() || ec != std::errc() || ptr != end || value < 0)
        return std::nullopt;
    return value;
}

// "hh:mm:ss" (one-digit hours too) as seconds of the day, else -1.
int secondsOfDayOf(QByteArrayView field)
{
    field = trimmed(field);
    int parts[3] = {0, 0, 0};
    int part = 0;
    int digits = 0;
    for (const char c : field) {
        if (isDigit(c)) {
            if (++digits > 2)
                return -1;
            parts[part] = parts[part] * 10 + (c - '0');
        } else if (c == ':' && digits > 0 && part < 2) {
            ++part;
            digits = 0;
        } else {
            return -1;
        }
    }
    if (part != 2 || digits == 0 || parts[0] > 23 || parts[1] > 59 || parts[2] > 59)
        return -1;
    return parts[0] * 3600 + parts[1] * 60 + parts[2];
}

QString textOf(QByteArrayView line, const FieldSpan& field, bool utf8)
{
    const QByteArrayView bytes = line.sliced(field.begin, field.length);
    QString text = utf8 ? QString::fromUtf8(bytes) : Cp932::decode(bytes);
    if (field.doubledQuotes)
        text.replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return text;
}

bool containsNg(QByteArrayView line, const FieldSpan& field, bool utf8)
{
    const QByteArrayView bytes = line.sliced(field.begin, field.length);
    // In a double-byte character "N" can be the second byte; only decoded
    // text can tell.
    if (isAscii(bytes))
        return bytes.contains(QByteArrayView("NG"));
    return textOf(line, field, utf8).contains(u"NG");
}

// Three groups of digits with one separator between them ("05/7/20"; the
// separator was the system's), or nothing: the writer leaves it empty when
// the date is unknown.
bool isDateOrEmpty(const QString& text)
{
    int groups = 0;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const qsizetype start = i;
        while (i < n && text[i] >= u'0' && text[i] <= u'9')
            ++i;
        if (i == start || i - start > 4)
            return false;
        ++groups;
        if (i == n)
            break;
        if (groups == 3)
            return false;
        ++i; // the separator
    }
    return groups == 3 || n == 0;
}

bool isHeaderName(const QString& name, bool firstLine)
{
    return name.startsWith(QStringLiteral("DATA\\QMK"), Qt::CaseInsensitive) ||
           (firstLine && name.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive));
}

LineResult problem(const QString& reason)
{
    LineResult result;
    result.problem = reason;
    return result;
}

LineResult dataRow(QByteArrayView line, const FieldSpans& fields, const LinePlace& place)
{
    const std::optional<int> number =
        readingNumberOf(line.sliced(fields[0].begin, fields[0].length));
    const auto value = [&](int i) {
        return numberOf(line.sliced(fields[i].begin, fields[i].length));
    };
    const std::optional<double> elapsed = value(2);
    const std::optional<double> lap = value(3);
    const std::optional<double> target = value(4);
    if (!number || !elapsed || !lap || !target)
        return problem(ReadProblems::NotANumber);
    ReadRow row;
    row.kind = RowKind::Data;
    row.line = place.line;
    row.number = *number;
    row.secondsOfDay = secondsOfDayOf(line.sliced(fields[1].begin, fields[1].length));
    row.elapsed = *elapsed;
    row.lap = *lap;
    row.target = *target;
    row.rejected = containsNg(line, fields[5], place.utf8);
    LineResult result;
    result.row = row;
    return result;
}

} // namespace

LineResult readLine(QByteArrayView line, const LinePlace& place)
{
    if (line.isEmpty())
        return problem(ReadProblems::EmptyLine);
    if (line.size() > MaxLineBytes)
        return problem(ReadProblems::LineTooLong);
    // The writer writes neither: they say what went wrong better than the
    // field count would.
    if (line.contains('\0'))
        return problem(ReadProblems::NulByte);
    if (line.contains('\r'))
        return problem(ReadProblems::CrOnlyLineEnds);

    // The writer's own form first: a text that earlier versions wrote with a
    // quote in it reads as six fields only under the older rule.
    FieldSpans fields;
    if (!splitFieldSpans(line, QuoteRule::Doubled, fields) || fields.size() != FieldCount) {
        if (!splitFieldSpans(line, QuoteRule::Undoubled, fields))
            return problem(ReadProblems::UnclosedQuote);
        if (fields.size() != FieldCount)
            return problem(ReadProblems::FieldCount);
    }

    // Data rows, by far the most, are told apart without decoding any text:
    // their first field is a bare number and their remark plain ASCII.
    const QByteArrayView first = trimmed(line.sliced(fields[0].begin, fields[0].length));
    const QByteArrayView last = line.sliced(fields[5].begin, fields[5].length);
    if (!first.isEmpty() && isDigit(first.front()) && isAscii(last))
        return dataRow(line, fields, place);

    QStringList texts;
    texts.reserve(FieldCount);
    for (const FieldSpan& field : fields)
        texts.append(textOf(line, field, place.utf8));

    ReadRow row;
    row.line = place.line;
    LineResult result;
    const QString& marker = texts[5];
    if (marker.startsWith(RowKinds::SubjectMarker)) {
        const QStringView rest = QStringView(marker).sliced(RowKinds::SubjectMarker.size());
        if (rest.contains(u"終後変更")) {
            row.kind = RowKind::AfterEndChange;
        } else if (rest.isEmpty()) {
            row.kind = place.initialSubjectOpen ? RowKind::Subject : RowKind::ChangedSubject;
            result.plainMarker = true;
        } else {
            row.kind = RowKind::ChangedSubject;
            row.rejected = rest.contains(u"NG");
        }
    } else if (texts[0] == u"測定回") {
        row.kind = RowKind::ColumnTitle;
    } else if (isHeaderName(texts[0], place.firstLine) && isDateOrEmpty(texts[1])) {
        row.kind = RowKind::Header;
    } else if (!first.isEmpty() && isDigit(first.front())) {
        return dataRow(line, fields, place);
    } else {
        return problem(ReadProblems::UnknownRow);
    }
    row.texts = std::move(texts);
    result.row = std::move(row);
    return result;
}
