#include "graph/ExportedReadings.h"

QList<ExportedReading> exportedReadings(const QList<ReadRow>& rows, const QSet<int>& excluded)
{
    QList<ExportedReading> readings;
    for (const ReadRow& row : rows) {
        if (row.kind != RowKind::Data)
            continue;
        readings.append({row.number, row.elapsed, row.lap, row.target, row.rejected,
                         excluded.contains(row.number)});
    }
    return readings;
}

QString readingRemark(const ExportedReading& reading)
{
    if (reading.rejected)
        return QStringLiteral("NG");
    if (reading.excluded)
        return QStringLiteral("除外");
    return {};
}
