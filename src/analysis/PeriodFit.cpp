#include "PeriodFit.h"

#include "FitSupport.h"
#include "GslErrors.h"

#include <gsl/gsl_errno.h>
#include <gsl/gsl_fit.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace analysis
{

namespace
{

// A lap is counted in typical laps (the median lap between two neighbouring
// presses used), rounded: from 1.5 typical laps on a press was missed and the
// lap holds two swings or more. Below 0.75 it is no swing at all but a second
// press within one: a bounce of the finger (a lap near zero) or a press at the
// wrong end of the swing (near half). Human scatter of 0.05 to 0.1 s on a
// period of a second or more stays far inside these limits.
constexpr double shortLap = 0.75;

struct Counted {
    std::size_t index = 0; // into the presses in time order
    long swing = 0;
};

struct Line {
    bool ok = false;
    double start = 0.0, slope = 0.0, startSe = 0.0, slopeSe = 0.0, ssr = 0.0;
};

// t on n by linear least squares, its covariance scaled by SSR/(N − 2).
Line fitLine(const std::vector<Press>& presses, const std::vector<Counted>& counted)
{
    std::vector<double> n, t;
    for (const Counted& c : counted) {
        n.push_back(static_cast<double>(c.swing));
        t.push_back(presses[c.index].elapsed);
    }
    Line l;
    double cov00 = 0.0, cov01 = 0.0, cov11 = 0.0;
    l.ok = gsl_fit_linear(n.data(), 1, t.data(), 1, n.size(), &l.start, &l.slope, &cov00, &cov01,
                          &cov11, &l.ssr) == GSL_SUCCESS;
    l.startSe = std::sqrt(cov00);
    l.slopeSe = std::sqrt(cov11);
    return l;
}

double median(std::vector<double> values)
{
    const std::size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(middle), values.end());
    const double upper = values[middle];
    if (values.size() % 2 == 1)
        return upper;
    const double lower = *std::max_element(values.begin(), values.begin() + std::ptrdiff_t(middle));
    return lower / 2 + upper / 2;
}

} // namespace

PeriodFit fitPeriod(std::span<const Press> given, bool pressPerHalfSwing)
{
    keepGslFromAborting();
    PeriodFit fit;
    std::vector<Press> presses;
    for (const Press& p : given) {
        if (std::isfinite(p.elapsed))
            presses.push_back(p);
    }
    std::stable_sort(presses.begin(), presses.end(),
                     [](const Press& a, const Press& b) { return a.elapsed < b.elapsed; });
    const auto used = [&](std::size_t i) { return !presses[i].rejected && !presses[i].excluded; };
    const auto usedCount = std::count_if(presses.begin(), presses.end(),
                                         [](const Press& p) { return !p.rejected && !p.excluded; });
    if (usedCount < 3) {
        fit.failure = FitFailure::TooFewPoints;
        fit.points = static_cast<int>(usedCount);
        return fit;
    }

    // The laps as the file has them, between neighbours both used; where
    // every other press is left out, those between presses used.
    std::vector<double> laps, spanningLaps;
    std::size_t previous = presses.size();
    for (std::size_t i = 0; i < presses.size(); ++i) {
        if (!used(i))
            continue;
        if (previous < presses.size()) {
            const double lap = presses[i].elapsed - presses[previous].elapsed;
            (previous + 1 == i ? laps : spanningLaps).push_back(lap);
        }
        previous = i;
    }
    const double typical = median(laps.empty() ? spanningLaps : laps);
    if (!(typical > 0.0) || !std::isfinite(typical)) {
        fit.failure = FitFailure::Degenerate;
        return fit;
    }

    // Swings from the times; a left-out reading between two presses used
    // stands for the swing it was pressed at, so only the swings beyond those
    // are missed presses.
    std::vector<Counted> counted;
    std::vector<std::pair<std::size_t, std::size_t>> doubles; // press, counted it doubled
    int leftOutBetween = 0;
    for (std::size_t i = 0; i < presses.size(); ++i) {
        if (!used(i)) {
            ++leftOutBetween;
            continue;
        }
        if (counted.empty()) {
            counted.push_back({i, 0});
            leftOutBetween = 0;
            continue;
        }
        const double lap = presses[i].elapsed - presses[counted.back().index].elapsed;
        if (lap < shortLap * typical) {
            doubles.emplace_back(i, counted.size() - 1);
            continue;
        }
        const long swings = std::max(1L, std::lround(lap / typical));
        if (swings - 1 > leftOutBetween)
            fit.missed.push_back(presses[i].reading);
        counted.push_back({i, counted.back().swing + swings});
        leftOutBetween = 0;
    }
    if (counted.size() < 3) {
        fit.failure = FitFailure::TooFewPoints;
        fit.points = static_cast<int>(counted.size());
        return fit;
    }

    // Of a doubled pair the press nearer the rhythm counts; the first of the
    // two is taken until the line says which.
    Line line = fitLine(presses, counted);
    bool swapped = false;
    for (auto& [press, at] : doubles) {
        Counted& partner = counted[at];
        const double expected = line.start + line.slope * static_cast<double>(partner.swing);
        if (line.ok && std::abs(presses[press].elapsed - expected) <
                           std::abs(presses[partner.index].elapsed - expected)) {
            std::swap(press, partner.index);
            swapped = true;
        }
    }
    if (swapped)
        line = fitLine(presses, counted);
    for (const auto& [press, at] : doubles)
        fit.doubled.push_back(presses[press].reading);
    std::sort(fit.doubled.begin(), fit.doubled.end());

    const std::size_t n = counted.size();
    std::vector<double> times;
    for (const Counted& c : counted)
        times.push_back(presses[c.index].elapsed);
    const double spread = detail::sumOfSquaresAboutMean(times);
    // One press per half swing: the fitted interval is half the period.
    const double perInterval = pressPerHalfSwing ? 2.0 : 1.0;
    fit.points = static_cast<int>(n);
    fit.start = {line.start, line.startSe};
    fit.period = {perInterval * line.slope, perInterval * line.slopeSe};
    fit.swings = static_cast<int>(counted.back().swing);
    fit.residualSd = std::sqrt(line.ssr / static_cast<double>(n - 2));
    fit.firstLastPeriod = {perInterval * (times.back() - times.front()) / fit.swings,
                           perInterval * std::numbers::sqrt2 * fit.residualSd / fit.swings};
    fit.r2 = spread > 0.0 ? 1.0 - line.ssr / spread : 1.0;
    const double numbers[] = {
        fit.start.value, fit.start.se,   fit.period.value,         fit.period.se,
        fit.r2,          fit.residualSd, fit.firstLastPeriod.value};
    if (!line.ok || !detail::allFinite(numbers)) {
        PeriodFit failed;
        failed.failure = FitFailure::Degenerate;
        failed.points = fit.points;
        return failed;
    }
    return fit;
}

} // namespace analysis
