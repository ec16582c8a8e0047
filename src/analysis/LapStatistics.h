#pragma once

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

LapStatistics lapStatistics(std::span<const double> laps);

} // namespace analysis
