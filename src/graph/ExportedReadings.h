#pragma once

#include "datafile/DataFileReader.h"

#include <QList>
#include <QSet>
#include <QString>

// One reading as the readings table of an export lists it.
struct ExportedReading {
    int number = 0;
    double elapsed = 0.0; // s
    double lap = 0.0;     // s
    double value = 0.0;
    bool rejected = false; // NG, marked during the measurement
    bool excluded = false; // left out here afterwards
};

// The data rows of a file, with `excluded` (reading numbers) marked.
QList<ExportedReading> exportedReadings(const QList<ReadRow>& rows, const QSet<int>& excluded);

// "NG" for a reading marked during the measurement, "除外" for one left out
// here, empty for the others. NG wins: the measurement said it first.
QString readingRemark(const ExportedReading& reading);
