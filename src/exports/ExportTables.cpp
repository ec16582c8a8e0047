#include "exports/ExportTables.h"

#include <cmath>

PressMarks pressMarks(const analysis::PeriodFit* period)
{
    PressMarks marks;
    if (!period)
        return marks;
    marks.doubled = QSet<int>(period->doubled.begin(), period->doubled.end());
    marks.missed = QSet<int>(period->missed.begin(), period->missed.end());
    return marks;
}

QString tableRemark(const Reading& reading, const PressMarks& marks)
{
    QStringList remarks;
    if (const QString remark = readingRemark(reading); !remark.isEmpty())
        remarks << remark;
    if (marks.doubled.contains(reading.number))
        remarks << QStringLiteral("二度押し");
    if (marks.missed.contains(reading.number))
        remarks << QStringLiteral("押し忘れ");
    return remarks.join(u'、');
}

QString tableSeconds(double seconds)
{
    if (!std::isfinite(seconds))
        return QStringLiteral("—");
    return QString::number(seconds, 'f', 2);
}

QStringList subjectChangeLines(const std::vector<MeasurementModel::SubjectChange>& changes)
{
    QStringList lines;
    for (const MeasurementModel::SubjectChange& change : changes) {
        const QString where = change.afterReading < 0
                                  ? QStringLiteral("最初の測定回の前")
                                  : QStringLiteral("測定回 %1 のあと")
                                        .arg(change.afterReading, 3, 10, QLatin1Char('0'));
        lines << QStringLiteral("題目の変更（%1）: %2").arg(where, subjectText(change.lines));
    }
    return lines;
}

QString exportTitle(const MeasurementModel& model)
{
    return subjectText(model.initialSubjectLines());
}
