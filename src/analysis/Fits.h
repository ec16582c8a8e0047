#pragma once

#include <span>
#include <string>
#include <vector>

// Least-squares fits of a measured curve: plain functions on plain numbers.
namespace analysis
{

enum class Model {
    Linear,  // y = intercept + slope·t
    Cooling, // Newton's law: y = ambient + (initial − ambient)·e^(−rate·t); also warming
};

enum class FitFailure {
    None,
    TooFewPoints,  // fewer points than the model needs (linear 3, cooling 4)
    Degenerate,    // all times equal, or values that fix no curve
    NoConvergence, // the iteration did not converge
};

struct FitParameter {
    std::string name; // "intercept", "slope"; "ambient", "initial", "rate"
    double value = 0.0;
    double se = 0.0; // standard error
};

// A point of the fitted curve with its standard error.
struct CurveValue {
    double t = 0.0;
    double value = 0.0;
    double se = 0.0;
};

struct FitResult {
    Model model = Model::Linear;
    FitFailure failure = FitFailure::None;
    int points = 0;
    std::vector<FitParameter> parameters;
    double r2 = 0.0;
    double residualSd = 0.0;   // sqrt(residual sum of squares / (n − parameters))
    double timeConstant = 0.0; // cooling: 1/rate
    double halfTime = 0.0;     // cooling: ln 2 / rate
    // Cooling: the curve at the earliest time fitted. "initial" is the curve at
    // t = 0, which for readings far into a measurement lies beyond any double:
    // initial and its se are NaN then, and this is what the readings tell.
    CurveValue atFirstTime;

    bool ok() const { return failure == FitFailure::None; }
    double valueAt(double t) const; // the fitted curve; NaN for a fit that failed
};

// t and y of equal length; NaN or infinite points must not be passed (they,
// and lengths that differ, give Degenerate). A failed fit has no parameters;
// an ok one has only finite numbers (but for a cooling fit's initial, see
// atFirstTime). Constant y is a flat line with R² 1. Both fits hold at any
// scale of the values and of the times.
FitResult fitLinear(std::span<const double> t, std::span<const double> y);
// Nothing to start from is asked for. t is used as given: initial is the
// curve's value at t = 0, also when the readings start later. A curve must
// approach its ambient: a best fit with a rate of zero or below (a straight
// line, or a curve running away) is Degenerate, as are readings that fix no
// single curve (constant, fewer than three different times, no measurable
// bend, or settled before the second reading).
FitResult fitCooling(std::span<const double> t, std::span<const double> y);

} // namespace analysis
