#pragma once

#include "Fits.h"

#include <span>
#include <vector>

// The period of a pendulum, a metronome or anything else pressed once per
// swing: press times fitted as t = start + period·n, n the swings counted from
// the first press. Plain functions on plain numbers.
namespace analysis
{

struct Press {
    int reading = 0;       // the reading's number
    double elapsed = 0.0;  // s
    bool rejected = false; // marked NG during the measurement
    bool excluded = false; // left out afterwards
};

struct Estimate {
    double value = 0.0;
    double se = 0.0; // standard error
};

struct PeriodFit {
    FitFailure failure = FitFailure::None;
    int points = 0;           // presses in the fit
    Estimate start;           // s: the fitted time of swing 0, the first press used
    Estimate period;          // s
    Estimate firstLastPeriod; // (last − first press)/swings, se √2·residualSd/swings
    int swings = 0;           // from the first to the last press used (half swings if so pressed)
    std::vector<int> missed;  // readings that end a lap holding a missed press
    std::vector<int> doubled; // readings pressed a second time within one swing: left out
    double r2 = 0.0;
    double residualSd = 0.0; // s: the scatter of one press

    bool ok() const { return failure == FitFailure::None; }
};

// presses in any order; rejected and excluded ones, and ones without a finite
// time, are left out without shifting the count of the later swings, which
// comes from the times. pressPerHalfSwing: one press at each pass through the
// centre, the period being two intervals. Fewer than three presses left is
// TooFewPoints; presses that fix no rhythm (all at one time) are Degenerate.
PeriodFit fitPeriod(std::span<const Press> presses, bool pressPerHalfSwing);

} // namespace analysis
