#include "measurement/Clock.h"

#include <chrono>

qint64 SystemClock::monotonicNs() const
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

QDateTime SystemClock::wallTime() const
{
    return QDateTime::currentDateTime();
}
