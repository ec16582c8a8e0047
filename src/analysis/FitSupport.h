#pragma once

#include "Fits.h"

#include <cstddef>
#include <span>

// What the fits share; not part of the library's interface.
namespace analysis::detail
{

bool allFinite(std::span<const double> values);
// Σ(y − ȳ)², from the deviations so that large values keep their spread.
double sumOfSquaresAboutMean(std::span<const double> y);
FitResult failedFit(Model model, FitFailure why, std::size_t points);

} // namespace analysis::detail
