#include "Fits.h"

#include <cmath>
#include <limits>

namespace analysis
{

double FitResult::valueAt(double t) const
{
    if (!ok())
        return std::numeric_limits<double>::quiet_NaN();
    switch (model) {
    case Model::Linear:
        return parameters[0].value + parameters[1].value * t;
    case Model::Cooling: {
        // From the first reading rather than from t = 0, which may lie beyond
        // a double.
        const double ambient = parameters[0].value;
        const double rate = parameters[2].value;
        return ambient + (atFirstTime.value - ambient) * std::exp(-rate * (t - atFirstTime.t));
    }
    }
    return std::numeric_limits<double>::quiet_NaN();
}

} // namespace analysis
