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
        const double ambient = parameters[0].value;
        const double initial = parameters[1].value;
        const double rate = parameters[2].value;
        return ambient + (initial - ambient) * std::exp(-rate * t);
    }
    }
    return std::numeric_limits<double>::quiet_NaN();
}

} // namespace analysis
