#pragma once

#include "graph/ExportedReadings.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The readings as UTF-8 CSV with a byte-order mark, which online spreadsheets
// read correctly where they garble the data file's CP932: one header line,
// then number, elapsed, lap, value and remark of each reading.
QByteArray readingsCsv(const QList<ExportedReading>& readings, const QString& valueTitle);

// Writes readingsCsv() to `path`, never over a data file: a name the main
// program gives its data files, or an existing file that reads as one, is
// refused. On failure returns false with a message in Japanese in `error`.
bool writeReadingsCsv(const QString& path, const QList<ExportedReading>& readings,
                      const QString& valueTitle, QString* error);

// Whether `path` names a data file or holds one: an export must not go there.
bool isDataFileTarget(const QString& path);
