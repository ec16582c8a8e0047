#pragma once

#include "analysis/Fits.h"
#include "analysis/LapStatistics.h"
#include "analysis/PeriodFit.h"
#include "readings/MeasurementModel.h"

#include <QString>
#include <QStringList>

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

    // For the figure: the fitted curve, and each fitted reading's residual
    // at its time. Empty when no fit is shown.
    std::vector<double> curveT, curveY;
    std::vector<double> residualT, residual;
    QString residualTitle;

    bool fitShown() const { return !labelLines.isEmpty(); }
    // A fit that did not fail, or none.
    const analysis::FitResult* goodFit() const { return fit && fit->ok() ? &*fit : nullptr; }
    const analysis::PeriodFit* goodPeriod() const
    {
        return period && period->ok() ? &*period : nullptr;
    }
};

Results computeResults(const MeasurementModel& model, const FitRequest& request);

analysis::FitResult fitModel(analysis::Model model, const std::vector<double>& t,
                             const std::vector<double>& y);
// Why a fit could not be made, in Japanese.
QString fitFailureText(const analysis::FitResult& fit);
