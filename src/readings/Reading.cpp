#include "readings/Reading.h"

QList<Reading> readingsOf(const QList<ReadRow>& rows, const QSet<int>& excluded)
{
    QList<Reading> readings;
    for (const ReadRow& row : rows) {
        if (row.kind != RowKind::Data)
            continue;
        readings.append({.number = row.number,
                         .rejected = row.rejected,
                         .excluded = excluded.contains(row.number),
                         .elapsed = row.elapsed,
                         .lap = row.lap,
                         .value = row.target});
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
