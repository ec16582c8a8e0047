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
    const auto [lowest, highest] = std::minmax_element(laps.begin(), laps.end());
    s.min = *lowest;
    s.max = *highest;
    // Sums of laps near the largest double overflow; the laps are summed
    // divided by a power of two at the size of the largest one, which is
    // exact, so that no sum exceeds the count (or four times it for squares).
    const double largest = std::max(std::abs(*lowest), std::abs(*highest));
    const int exponent = largest > 0.0 && std::isfinite(largest) ? std::ilogb(largest) : 0;
    const auto scaled = [exponent](double x) { return std::scalbn(x, -exponent); };
    double sum = 0.0;
    for (const double x : laps)
        sum += scaled(x);
    double mean = sum / n;
    // Second pass over the deviations: the sum of squares of large values with
    // a small spread (laps stamped far into a long measurement) would cancel
    // away in the one-pass formula. The deviations' own sum corrects what
    // rounding left in the first mean.
    double deviations = 0.0;
    double squares = 0.0;
    for (const double x : laps) {
        const double d = scaled(x) - mean;
        deviations += d;
        squares += d * d;
    }
    mean += deviations / n;
    squares -= deviations * deviations / n;
    s.mean = std::scalbn(mean, exponent);
    if (laps.size() < 2) {
        s.sd = s.sem = nan;
        return s;
    }
    s.sd = std::scalbn(std::sqrt(std::max(squares, 0.0) / (n - 1.0)), exponent);
    s.sem = s.sd / std::sqrt(n);
    return s;
}

} // namespace analysis
