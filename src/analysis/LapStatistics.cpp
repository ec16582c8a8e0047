#include "LapStatistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace analysis
{

LapStatistics lapStatistics(std::span<const double> laps)
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    LapStatistics s;
    s.count = static_cast<int>(laps.size());
    if (laps.empty()) {
        s.mean = s.sd = s.sem = s.min = s.max = nan;
        return s;
    }
    const double n = static_cast<double>(laps.size());
    double sum = 0.0;
    for (const double x : laps)
        sum += x;
    double mean = sum / n;
    // Second pass over the deviations: the sum of squares of large values with
    // a small spread (laps stamped far into a long measurement) would cancel
    // away in the one-pass formula. The deviations' own sum corrects what
    // rounding left in the first mean.
    double deviations = 0.0;
    double squares = 0.0;
    for (const double x : laps) {
        const double d = x - mean;
        deviations += d;
        squares += d * d;
    }
    mean += deviations / n;
    squares -= deviations * deviations / n;
    s.mean = mean;
    const auto [lowest, highest] = std::minmax_element(laps.begin(), laps.end());
    s.min = *lowest;
    s.max = *highest;
    if (laps.size() < 2) {
        s.sd = s.sem = nan;
        return s;
    }
    s.sd = std::sqrt(std::max(squares, 0.0) / (n - 1.0));
    s.sem = s.sd / std::sqrt(n);
    return s;
}

} // namespace analysis
