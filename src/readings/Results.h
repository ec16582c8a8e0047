#pragma once

#include "analysis/Fits.h"
#include "analysis/LapStatistics.h"
#include "analysis/PeriodFit.h"
#include "readings/MeasurementModel.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// What the companion fits, as its chooser and the command line name it.
enum class FitChoice { None, Linear, Cooling, Period };

struct FitRequest {
    FitChoice choice = FitChoice::None;
    // The period fit: one press per half swing instead of per swing.
    bool pressPerHalfSwing = false;
    // A time range dragged on the plot: only the readings within it are fitted.
    MeasurementModel::Range range;
};

// The fit and the lap statistics of a model's readings, with the texts the
// window shows and the curve and residuals a figure draws.
struct Results {
    FitRequest request;
    // The curve fit asked for, also when it failed; at most one of the two.
    std::optional<analysis::FitResult> fit;
    std::optional<analysis::PeriodFit> period;
    analysis::LapStatistics laps;

    QString fitText; // the fit's results, every value rounded to its uncertainty
    QString lapText;
    QStringList labelLines; // the fit on an exported figure; empty when it failed

    // For the figure: the fitted curve. Empty when no fit is shown.
    std::vector<double> curveT, curveY;
    // The period fit's residuals, each press at its time. A curve's are not
    // kept: forEachResidual() reads them off the model, since at a million
    // readings they would be one copy of the numbers more than the window
    // has room for.
    std::vector<double> residualT, residual;
    QString residualTitle;

    bool fitShown() const { return !labelLines.isEmpty(); }
    // How many residuals forEachResidual() gives.
    qsizetype residualCount() const
    {
        if (!fitShown())
            return 0;
        return goodFit() ? goodFit()->points : qsizetype(residualT.size());
    }
    // A fit that did not fail, or none.
    const analysis::FitResult* goodFit() const { return fit && fit->ok() ? &*fit : nullptr; }
    const analysis::PeriodFit* goodPeriod() const
    {
        return period && period->ok() ? &*period : nullptr;
    }
};

Results computeResults(const MeasurementModel& model, const FitRequest& request);

// The lap statistics of the model's laps, counted where they lie.
analysis::LapStatistics lapStatisticsOf(const MeasurementModel& model);

// Each fitted reading's time and residual, for the figure: a curve's in time
// order, the period fit's presses by reading number. `model` is the one the
// results were computed from, unchanged since.
void forEachResidual(const MeasurementModel& model, const Results& results,
                     const std::function<void(double t, double residual)>& f);

analysis::FitResult fitModel(analysis::Model model, const std::vector<double>& t,
                             const std::vector<double>& y);
// Why a fit could not be made, in Japanese.
QString fitFailureText(const analysis::FitResult& fit);
