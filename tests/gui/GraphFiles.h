#pragma once

// Data files for the graph companion's tests, written by the program's own
// writer so that the companion reads exactly what the main program leaves.

#include "datafile/DataFileName.h"
#include "datafile/DataFileWriter.h"
#include "datafile/RowKinds.h"

#include <QDate>
#include <QDir>
#include <QFile>

#include <cmath>

namespace GraphFiles
{

inline const QString Name = QStringLiteral(R"(DATA\QMK26_12_7_101500.csv)");

struct Reading {
    double elapsed;
    double target;
    bool rejected = false;
};

inline CsvRow dataRow(int number, const Reading& r, double previousElapsed)
{
    return RowKinds::dataRow(number, QStringLiteral("10:15:00"), r.elapsed,
                             r.elapsed - previousElapsed, r.target,
                             r.rejected ? QStringLiteral("NG") : QString());
}

// Header, subject block and column titles, then the readings.
inline QString writeMeasurement(const QDir& dir, const QList<Reading>& readings,
                                const QString& name = Name)
{
    dir.mkpath(QStringLiteral("DATA"));
    QList<CsvRow> rows{
        RowKinds::headerRow(name, QDate(2026, 12, 7)),
        RowKinds::subjectRow({QStringLiteral("お湯の冷え方"), QStringLiteral("2年1組"), QString(),
                              QString(), QString()}),
        RowKinds::columnTitleRow(QStringLiteral("温度 ℃"))};
    double previous = 0.0;
    for (int i = 0; i < readings.size(); ++i) {
        rows.append(dataRow(i, readings[i], previous));
        previous = readings[i].elapsed;
    }
    DataFileWriter writer(dir);
    writer.write(name, rows);
    return localPath(name, dir);
}

// A cooling cup: 80 ℃ toward 20 ℃, one reading every 30 s.
inline QList<Reading> coolingReadings(int count)
{
    QList<Reading> readings;
    for (int i = 0; i < count; ++i) {
        const double t = 30.0 * i;
        readings.append({t, std::round((20.0 + 60.0 * std::exp(-t / 600.0)) * 10.0) / 10.0});
    }
    return readings;
}

} // namespace GraphFiles
