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

struct FitResult {
    Model model = Model::Linear;
    FitFailure failure = FitFailure::None;
    int points = 0;
    std::vector<FitParameter> parameters;
    double r2 = 0.0;
    double residualSd = 0.0;   // sqrt(residual sum of squares / (n − parameters))
    double timeConstant = 0.0; // cooling: 1/rate
    double halfTime = 0.0;     // cooling: ln 2 / rate

    bool ok() const { return failure == FitFailure::None; }
    double valueAt(double t) const; // the fitted curve
};

// t and y of equal length; NaN or infinite points must not be passed.
FitResult fitLinear(std::span<const double> t, std::span<const double> y);
// Starting values come from the data.
FitResult fitCooling(std::span<const double> t, std::span<const double> y);

} // namespace analysis
