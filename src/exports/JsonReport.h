#pragma once

#include "datafile/DataFileReader.h"
#include "readings/FileReadings.h"
#include "readings/Results.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

// The command line's report of a whole file as one JSON object: the readings
// counted, the lap statistics and the fit asked for, with every digit a
// double holds.
struct Report {
    bool ok = false;
    int status = ExitStatus::Failed;
    QByteArray json;      // one JSON object and a line end, when ok
    QString error;        // for standard error, when not ok
    QStringList warnings; // for standard error: lines not read, readings not there
};

// Takes the rows over, to let them go before the fit. `excluded`: reading
// numbers left out of every fit and statistic; the JSON lists those that left
// a reading out.
Report buildReport(const QString& path, DataFileContents contents, const FitRequest& request,
                   const QSet<int>& excluded = {});

// A JSON number with every digit a double holds; NaN and infinities as null.
QByteArray jsonNumber(double value);
