#pragma once

#include "readings/MeasurementModel.h"
#include "readings/Results.h"

#include <QString>
#include <QStringList>

#include <optional>

// The formats the companion exports to, named by the target's suffix.
enum class ExportFormat { Png, Svg, Pdf, Html, Xlsx, Csv };
std::optional<ExportFormat> exportFormatOf(const QString& path);
// The figure and the page draw the plot; the others are text and numbers.
bool exportFormatDraws(ExportFormat format);

// What every export is made from: the readings, the results as computed and
// as text (one line each), and the files it must never replace.
struct ExportSource {
    const MeasurementModel& model;
    const Results& results;
    QStringList resultLines;
    QStringList protectedFiles;
};

// Writes one of the formats that do not draw (XLSX, CSV). On failure returns
// false with a message in Japanese in `error`.
bool exportData(ExportFormat format, const QString& path, const ExportSource& source,
                QString* error);
