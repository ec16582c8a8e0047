#pragma once

#include "analysis/Fits.h"
#include "analysis/LapStatistics.h"
#include "analysis/PeriodFit.h"
#include "exports/ExportTables.h"
#include "readings/Reading.h"

#include <QList>
#include <QString>
#include <QStringList>

// The results as a workbook that Excel, LibreOffice and online spreadsheets
// open with its chart in place: a sheet of the readings as typed numbers with
// their remarks, a sheet of the results, and a native scatter chart of the
// readings used with the fitted curve as a second series. The period fit has
// no curve of the value to draw: that chart holds the readings alone, and a
// second one on the results sheet the presses against the swing counted with
// the fitted line t = t₀ + T·n.
struct XlsxBook {
    QStringList subjectLines; // the first block: on one line, the chart's title
    QString valueTitle;       // the value column's title
    QList<Reading> readings;
    QStringList results;                         // the fit and lap results, one line each
    const analysis::FitResult* fit = nullptr;    // a fit that did not fail, or none
    const analysis::PeriodFit* period = nullptr; // instead of `fit`: one that did not fail
    bool pressPerHalfSwing = false;              // the period fit's presses
    analysis::LapStatistics laps;
    QStringList subjectChanges; // as subjectChangeLines() gives them
    PressMarks marks;           // of the period fit, in the readings' remarks
};

// libxlsxwriter is not part of every build (the Windows toolchain has none),
// so the format is offered only where it can be written.
bool xlsxExportAvailable();

// Writes the workbook to `path` through the export guard. On failure returns
// false with a message in Japanese in `error`.
bool writeXlsxBook(const QString& path, const XlsxBook& book, QString* error,
                   const QStringList& protectedFiles = {});
