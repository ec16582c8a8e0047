#pragma once

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

namespace analysis
{

// Statistics of lap seconds. sd (n − 1) and sem (sd/√n) are NaN below two
// laps; everything is NaN with no lap.
struct LapStatistics {
    int count = 0;
    double mean = 0.0;
    double sd = 0.0;
    double sem = 0.0;
    double min = 0.0;
    double max = 0.0;
};

// Laps are finite numbers.
LapStatistics lapStatistics(std::span<const double> laps);

// The same, of the laps that `each(f)` hands to f one at a time, the same
// laps in the same order at every call: a million laps counted where they
// lie instead of in a copy.
template <typename Each> LapStatistics lapStatisticsOf(Each each)
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    LapStatistics s;
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -lowest;
    each([&](double x) {
        ++s.count;
        if (s.count == 1 || x < lowest)
            lowest = x;
        if (s.count == 1 || x > highest)
            highest = x;
    });
    if (s.count == 0) {
        s.mean = s.sd = s.sem = s.min = s.max = nan;
        return s;
    }
    const double n = static_cast<double>(s.count);
    s.min = lowest;
    s.max = highest;
    // Sums of laps near the largest double overflow; the laps are summed
    // divided by a power of two at the size of the largest one, which is
    // exact, so that no sum exceeds the count (or four times it for squares).
    const double largest = std::max(std::abs(lowest), std::abs(highest));
    const int exponent = largest > 0.0 && std::isfinite(largest) ? std::ilogb(largest) : 0;
    const auto scaled = [exponent](double x) { return std::scalbn(x, -exponent); };
    double sum = 0.0;
    each([&](double x) { sum += scaled(x); });
    double mean = sum / n;
    // Second pass over the deviations: the sum of squares of large values with
    // a small spread (laps stamped far into a long measurement) would cancel
    // away in the one-pass formula. The deviations' own sum corrects what
    // rounding left in the first mean.
    double deviations = 0.0;
    double squares = 0.0;
    each([&](double x) {
        const double d = scaled(x) - mean;
        deviations += d;
        squares += d * d;
    });
    mean += deviations / n;
    squares -= deviations * deviations / n;
    s.mean = std::scalbn(mean, exponent);
    if (s.count < 2) {
        s.sd = s.sem = nan;
        return s;
    }
    s.sd = std::scalbn(std::sqrt(std::max(squares, 0.0) / (n - 1.0)), exponent);
    s.sem = s.sd / std::sqrt(n);
    return s;
}

} // namespace analysis
