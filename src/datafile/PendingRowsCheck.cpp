#include "datafile/PendingRowsCheck.h"

#include "datafile/CsvRow.h"
#include "datafile/DataFileReader.h"
#include "datafile/ReadOnlyFile.h"
#include "datafile/RowKinds.h"

#include <optional>

namespace
{

constexpr qint64 ChunkBytes = 1 << 20;
const QString Rejected = QStringLiteral(" --NG");

// Bytes no text field of this program holds: a NUL, a stray CR or LF, any
// control character but the tab a pasted subject line may carry.
bool hasControlBytes(QByteArrayView row)
{
    for (const char c : row) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7f)
            return true;
    }
    return false;
}

QString twoDigits(int n)
{
    return QString::number(n).rightJustified(2, u'0');
}

CsvRow textRow(const QStringList& texts)
{
    CsvRow row;
    for (const QString& text : texts)
        row.append(CsvField::ofText(text));
    return row;
}

// The row as this program would have written what was read, or nothing.
std::optional<QByteArray> asWritten(const ReadRow& row)
{
    switch (row.kind) {
    case RowKind::Data: {
        if (row.secondsOfDay < 0)
            return std::nullopt;
        const int s = row.secondsOfDay;
        const QString time =
            twoDigits(s / 3600) + u':' + twoDigits(s / 60 % 60) + u':' + twoDigits(s % 60);
        return encodeRow(RowKinds::dataRow(row.number, time, row.elapsed, row.lap, row.target,
                                           row.rejected ? Rejected : QString()));
    }
    case RowKind::ColumnTitle:
        return encodeRow(RowKinds::columnTitleRow(row.texts.value(4)));
    case RowKind::Header:
    case RowKind::Subject:
    case RowKind::ChangedSubject:
    case RowKind::EndSubject:
    case RowKind::AfterEndChange:
        return encodeRow(textRow(row.texts));
    }
    return std::nullopt;
}

bool markerAsWritten(const ReadRow& row)
{
    const QString& marker = row.texts.value(5);
    switch (row.kind) {
    case RowKind::Subject:
        return marker == RowKinds::SubjectMarker;
    case RowKind::ChangedSubject:
    case RowKind::EndSubject:
        return marker == RowKinds::SubjectMarker || marker == RowKinds::SubjectMarker + Rejected;
    case RowKind::AfterEndChange:
        return marker == RowKinds::AfterEndMarker;
    default:
        return true;
    }
}

} // namespace

bool rowsContinueDataFile(QByteArrayView rows, ReadOnlyFile* dataFile, qint64 before,
                          const PendingRowsCheck& check)
{
    DataFileParser parser;
    std::optional<int> lastNumber;
    const auto noteNumbers = [&lastNumber](const QList<ReadRow>& read) {
        for (const ReadRow& row : read) {
            if (row.kind == RowKind::Data)
                lastNumber = row.number;
        }
    };
    if (dataFile) {
        for (qint64 at = 0; at < before; at += ChunkBytes) {
            const QByteArray chunk = dataFile->read(at, std::min(ChunkBytes, before - at));
            if (chunk.isEmpty())
                return false;
            noteNumbers(parser.feed(chunk));
        }
        // Rows go only where this program's rows are, or into a file it created empty.
        if (before > 0 && !parser.looksLikeDataFile())
            return false;
    }

    bool anyRow = false;
    for (qsizetype start = 0; start < rows.size();) {
        const qsizetype end = rows.indexOf("\r\n", start) + 2;
        if (end < 2)
            return false;
        const QByteArrayView line = rows.sliced(start, end - start);
        start = end;
        if (hasControlBytes(line.chopped(2)))
            return false;
        const int linesBefore = parser.linesRead();
        const QList<ReadRow> read = parser.feed(line.toByteArray());
        if (read.size() != 1)
            return false;
        const ReadRow& row = read.first();
        const std::optional<QByteArray> written = asWritten(row);
        if (!written || *written != line || !markerAsWritten(row))
            return false;
        if (check.pendingRowOnly && row.kind != RowKind::Data &&
            row.kind != RowKind::ChangedSubject)
            return false;
        if (row.kind == RowKind::Header &&
            (linesBefore != 0 || row.texts.first() != check.dataFileName ||
             row.texts.sliced(2).join(QString()) != QString()))
            return false;
        if (row.kind == RowKind::Data) {
            // A file that is gone left no number to go on from.
            const bool anyNumber = !dataFile && !lastNumber;
            if (!anyNumber && row.number != (lastNumber ? *lastNumber + 1 : 0))
                return false;
            lastNumber = row.number;
        }
        anyRow = true;
    }
    return anyRow;
}
