#include "FitSupport.h"
#include "Fits.h"
#include "GslErrors.h"

#include <gsl/gsl_errno.h>
#include <gsl/gsl_fit.h>

#include <algorithm>
#include <cmath>

namespace analysis
{

FitResult fitLinear(std::span<const double> t, std::span<const double> y)
{
    using detail::failedFit;
    keepGslFromAborting();
    const std::size_t n = t.size();
    if (y.size() != n || !detail::allFinite(t) || !detail::allFinite(y))
        return failedFit(Model::Linear, FitFailure::Degenerate, std::min(n, y.size()));
    // Two points always lie on a line; a third is the first that can show how
    // well a line fits, and the standard errors need it.
    if (n < 3)
        return failedFit(Model::Linear, FitFailure::TooFewPoints, n);
    const auto [tLow, tHigh] = std::minmax_element(t.begin(), t.end());
    if (*tLow == *tHigh)
        return failedFit(Model::Linear, FitFailure::Degenerate, n);

    // gsl_fit_linear accumulates about the running means, so times far from
    // zero (days into a measurement) keep their digits; its covariance is
    // already scaled by the residual variance SSR/(n − 2).
    double intercept = 0.0, slope = 0.0, cov00 = 0.0, cov01 = 0.0, cov11 = 0.0, ssr = 0.0;
    const int status = gsl_fit_linear(t.data(), 1, y.data(), 1, n, &intercept, &slope, &cov00,
                                      &cov01, &cov11, &ssr);
    if (status != GSL_SUCCESS)
        return failedFit(Model::Linear, FitFailure::Degenerate, n);
    const double sst = detail::sumOfSquaresAboutMean(y);

    FitResult r;
    r.model = Model::Linear;
    r.points = static_cast<int>(n);
    r.parameters = {{"intercept", intercept, std::sqrt(cov00)}, {"slope", slope, std::sqrt(cov11)}};
    // Constant values lie exactly on a flat line: nothing is left unexplained.
    r.r2 = sst > 0.0 ? 1.0 - ssr / sst : 1.0;
    r.residualSd = std::sqrt(ssr / static_cast<double>(n - 2));
    const double numbers[] = {intercept,          slope, r.parameters[0].se,
                              r.parameters[1].se, r.r2,  r.residualSd};
    if (!detail::allFinite(numbers))
        return failedFit(Model::Linear, FitFailure::Degenerate, n);
    return r;
}

} // namespace analysis
