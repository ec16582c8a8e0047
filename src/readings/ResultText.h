#pragma once

#include "analysis/Fits.h"
#include "analysis/LapStatistics.h"
#include "analysis/PeriodFit.h"

#include <QString>
#include <QStringList>

// The results as the window shows them, as they are saved as text and as the
// figure names them: every value rounded to its uncertainty, with its unit.
// `unit` is the unit of the measured value (see unitOfValueTitle).

QString fitResultText(const analysis::FitResult& fit, const QString& unit);

// The cooling fit's time constant 1/k and half time ln2/k, each with the
// standard error the rate's relative error gives it.
struct CoolingTime {
    double value = 0.0;
    double se = 0.0;
};
CoolingTime timeConstantOf(const analysis::FitResult& fit);
CoolingTime halfTimeOf(const analysis::FitResult& fit);
QString lapStatisticsText(const analysis::LapStatistics& laps);

// The period fit: the period from every press beside the one from the first
// and the last press alone, the swings counted, the missed and doubled
// presses by reading number, and one press's own scatter beside what manual
// timing is known to reach.
QString periodResultText(const analysis::PeriodFit& fit, bool pressPerHalfSwing);
QStringList periodLabelLines(const analysis::PeriodFit& fit, bool pressPerHalfSwing);

// The readings that take no part, each with why: NG (marked during the
// measurement) or 除外 (left out here). Empty when there are none.
QString leftOutText(const std::vector<int>& rejected, const std::vector<int>& excluded);

// The fit on the exported figure: its equation, then its numbers, a few to
// a line. Empty for a fit that failed.
QStringList fitLabelLines(const analysis::FitResult& fit, const QString& unit);
