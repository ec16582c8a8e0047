#pragma once

#include "analysis/PeriodFit.h"
#include "readings/MeasurementModel.h"
#include "readings/Reading.h"

#include <QSet>
#include <QString>
#include <QStringList>

// What the tables of the page and the workbook say beside the numbers, the
// same in both.

// The presses the period fit found doubled or following a missed swing.
struct PressMarks {
    QSet<int> doubled;
    QSet<int> missed;
};
PressMarks pressMarks(const analysis::PeriodFit* period);

// The reading's remark ("NG", "除外") with the period fit's marks
// ("二度押し", "押し忘れ").
QString tableRemark(const Reading& reading, const PressMarks& marks);

// Elapsed and lap times as the tables show them: to the hundredth.
QString tableSeconds(double seconds);

// Each subject block edited during the measurement, with the reading it came
// after: "題目の変更（測定回 012 のあと）: …".
QStringList subjectChangeLines(const std::vector<MeasurementModel::SubjectChange>& changes);

// The title of every export: the whole first subject block on one line.
QString exportTitle(const MeasurementModel& model);
