#include "FitSupport.h"

#include <algorithm>
#include <cmath>

namespace analysis::detail
{

bool allFinite(std::span<const double> values)
{
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

double sumOfSquaresAboutMean(std::span<const double> y)
{
    if (y.empty())
        return 0.0;
    double mean = 0.0;
    for (const double v : y)
        mean += v;
    mean /= static_cast<double>(y.size());
    double squares = 0.0;
    for (const double v : y)
        squares += (v - mean) * (v - mean);
    return squares;
}

FitResult failedFit(Model model, FitFailure why, std::size_t points)
{
    FitResult r;
    r.model = model;
    r.failure = why;
    r.points = static_cast<int>(points);
    return r;
}

} // namespace analysis::detail
