#include "LapStatistics.h"

namespace analysis
{

LapStatistics lapStatistics(std::span<const double> laps)
{
    return lapStatisticsOf([laps](auto f) {
        for (const double x : laps)
            f(x);
    });
}

} // namespace analysis
