#pragma once

#include "exports/ExportTables.h"
#include "readings/Reading.h"

#include <QHash>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The readings as UTF-8 CSV with a byte-order mark, which online spreadsheets
// read correctly where they garble the data file's CP932: one header line,
// then number, elapsed, lap, value and remark of each reading. The remark
// carries the period fit's `marks` and the subject changes that came after
// the reading (`changesAfter`: reading number → line).
QByteArray readingsCsv(const QList<Reading>& readings, const QString& valueTitle,
                       const PressMarks& marks = {},
                       const QHash<int, QStringList>& changesAfter = {});

// Writes readingsCsv() to `path` through the export guard (never over a data
// file, nor over `protectedFiles`). On failure returns false with a message
// in Japanese in `error`.
bool writeReadingsCsv(const QString& path, const QList<Reading>& readings,
                      const QString& valueTitle, QString* error,
                      const QStringList& protectedFiles = {}, const PressMarks& marks = {},
                      const QHash<int, QStringList>& changesAfter = {});
