#pragma once

#include "analysis/Fits.h"
#include "analysis/LapStatistics.h"

#include <QString>
#include <QStringList>

// The results as the window shows them, as they are saved as text and as the
// figure names them: every value rounded to its uncertainty, with its unit.
// `unit` is the unit of the measured value (see unitOfValueTitle).

QString fitResultText(const analysis::FitResult& fit, const QString& unit);
QString lapStatisticsText(const analysis::LapStatistics& laps);

// The fit on the exported figure: its equation, then its numbers, a few to
// a line. Empty for a fit that failed.
QStringList fitLabelLines(const analysis::FitResult& fit, const QString& unit);
