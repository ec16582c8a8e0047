#include "datafile/DataFileReader.h"

#include "datafile/LineReader.h"
#include "datafile/ReadProblems.h"

#include <cstring>

namespace
{

// The line without its end: LF, and the CR before it when there is one (the
// writer always writes CR LF; a file that went through a Unix tool may not).
QByteArrayView withoutCr(QByteArrayView line)
{
    return line.endsWith('\r') ? line.chopped(1) : line;
}

qsizetype indexOfLf(QByteArrayView bytes, qsizetype from)
{
    const void* p =
        std::memchr(bytes.data() + from, '\n', static_cast<size_t>(bytes.size() - from));
    return p ? static_cast<const char*>(p) - bytes.data() : -1;
}

} // namespace

QList<ReadRow> DataFileParser::feed(const QByteArray& bytes)
{
    QList<ReadRow> rows;
    const QByteArrayView data(bytes);
    QByteArrayView recent[2];
    int completed = 0;
    const auto remember = [&](QByteArrayView line) {
        recent[0] = recent[1];
        recent[1] = line;
        ++completed;
    };

    qsizetype pos = 0;
    // The line begun by earlier bytes: kept whole until its end comes.
    QByteArray joined;
    if (!m_partial.isEmpty() || m_overlong) {
        const qsizetype lf = indexOfLf(data, 0);
        if (lf < 0) {
            absorb(data);
            return rows;
        }
        absorb(data.first(lf));
        joined = std::move(m_partial);
        m_partial = QByteArray();
        remember(readCompleteLine(joined, rows));
        pos = lf + 1;
    }
    while (pos < data.size()) {
        const qsizetype lf = indexOfLf(data, pos);
        if (lf < 0) {
            absorb(data.sliced(pos));
            break;
        }
        remember(readCompleteLine(data.sliced(pos, lf - pos), rows));
        pos = lf + 1;
    }

    if (completed >= 2) {
        m_lineBeforeLast = recent[0].toByteArray();
        m_lastLine = recent[1].toByteArray();
    } else if (completed == 1) {
        m_lineBeforeLast = std::move(m_lastLine);
        m_lastLine = recent[1].toByteArray();
    }
    return rows;
}

QList<ReadRow> DataFileParser::finish()
{
    QList<ReadRow> rows;
    if (!hasUnfinishedLine())
        return rows;
    const QByteArray line = std::move(m_partial);
    m_partial = QByteArray();
    m_lineBeforeLast = std::move(m_lastLine);
    m_lastLine = readCompleteLine(line, rows).toByteArray();
    return rows;
}

void DataFileParser::absorb(QByteArrayView bytes)
{
    if (m_overlong)
        return;
    // The line's CR is still in it here: room for it too, as a line read
    // from one chunk has.
    if (m_partial.size() + bytes.size() > MaxLineBytes + 1) {
        // What the line held says why it is so long: a file whose lines end
        // in CR alone is one long line.
        const qsizetype cr = QByteArrayView(m_partial).indexOf('\r');
        const bool crOnly = (cr >= 0 && cr + 1 < m_partial.size()) ||
                            bytes.chopped(qMin<qsizetype>(1, bytes.size())).contains('\r');
        m_overlongReason = crOnly ? ReadProblems::CrOnlyLineEnds : ReadProblems::LineTooLong;
        m_overlong = true;
        m_partial = QByteArray();
        return;
    }
    m_partial += bytes;
}

// Returns what lastLine() is to hold for this line.
QByteArrayView DataFileParser::readCompleteLine(QByteArrayView line, QList<ReadRow>& rows)
{
    ++m_lines;
    if (m_overlong) {
        m_overlong = false;
        note(m_lines, m_overlongReason);
        return {};
    }
    // A spreadsheet that saves as UTF-8 marks it so; the writer never does.
    if (m_lines == 1 && line.startsWith("\xEF\xBB\xBF")) {
        m_utf8 = true;
        line = line.sliced(3);
    }
    const LinePlace place{m_lines, m_lines == 1, m_initialSubjectOpen, m_utf8};
    LineResult result = readLine(withoutCr(line), place);
    if (!result.row) {
        note(m_lines, result.problem);
        return line.size() > MaxLineBytes ? QByteArrayView() : withoutCr(line);
    }

    ReadRow& row = *result.row;
    m_anyRow = true;
    if (!row.texts.isEmpty())
        share(row.texts);
    const bool endLike = row.kind == RowKind::ChangedSubject && result.plainMarker;
    if (row.kind == RowKind::AfterEndChange) {
        if (m_possibleEnd)
            m_endConfirmed = true;
    } else {
        m_possibleEnd.reset();
        m_endConfirmed = false;
        if (endLike)
            m_possibleEnd = row.line;
    }

    switch (row.kind) {
    case RowKind::Header:
        m_looksLikeDataFile = true;
        m_initialSubjectOpen = true; // a new file's heading rows begin here
        break;
    case RowKind::Subject:
        m_initialSubjectOpen = false;
        m_initialSubject = row.texts.first(5);
        m_subjectLines = m_initialSubject;
        break;
    case RowKind::ColumnTitle:
        m_looksLikeDataFile = true;
        m_initialSubjectOpen = false;
        if (m_valueTitle.isEmpty())
            m_valueTitle = row.texts[4];
        break;
    case RowKind::Data:
        m_initialSubjectOpen = false;
        break;
    case RowKind::ChangedSubject:
    case RowKind::EndSubject:
    case RowKind::AfterEndChange:
        // A change marked NG was taken back by the user.
        if (!row.rejected)
            m_subjectLines = row.texts.first(5);
        break;
    }
    rows.append(std::move(row));
    return withoutCr(line);
}

void DataFileParser::note(int line, const QString& reason)
{
    ++m_unread;
    if (!m_problem)
        m_problem = ReadProblem{line, reason};
}

// Rows of a file that repeat the same subject block (a change clicked again
// and again) hold one copy of its texts between them.
void DataFileParser::share(QStringList& texts)
{
    if (texts == m_lastTexts)
        texts = m_lastTexts;
    else
        m_lastTexts = texts;
}

const std::optional<ReadProblem>& DataFileParser::firstProblem() const
{
    return m_problem;
}

QString DataFileParser::valueTitle() const
{
    return m_valueTitle;
}

QStringList DataFileParser::subjectLines() const
{
    return m_subjectLines;
}

QStringList DataFileParser::initialSubjectLines() const
{
    return m_initialSubject;
}

int DataFileParser::linesRead() const
{
    return m_lines;
}

bool DataFileParser::looksLikeDataFile() const
{
    return m_looksLikeDataFile;
}

std::optional<int> DataFileParser::possibleEndSubjectLine() const
{
    return m_possibleEnd;
}

std::optional<int> DataFileParser::endSubjectLine() const
{
    return m_endConfirmed ? m_possibleEnd : std::nullopt;
}
