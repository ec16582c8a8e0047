#include "readings/Reading.h"

Reading readingOf(const ReadRow& row, bool excluded)
{
    return {.number = row.number,
            .rejected = row.rejected,
            .excluded = excluded,
            .elapsed = row.elapsed,
            .lap = row.lap,
            .value = row.target};
}

QList<Reading> readingsOf(const QList<ReadRow>& rows, const QSet<int>& excluded)
{
    QList<Reading> readings;
    for (const ReadRow& row : rows) {
        if (row.kind == RowKind::Data)
            readings.append(readingOf(row, excluded.contains(row.number)));
    }
    return readings;
}

QString readingRemark(const Reading& reading)
{
    if (reading.rejected)
        return QStringLiteral("NG");
    if (reading.excluded)
        return QStringLiteral("除外");
    return {};
}
