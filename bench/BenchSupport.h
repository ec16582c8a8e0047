#pragma once

// Small helpers shared by the benchmark programs: the clock they measure
// with, the process's memory as the kernel counts it, and order statistics.

#include <QByteArray>
#include <QFile>
#include <QtGlobal>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

namespace Bench
{

// How long a started program idles before its resident memory is read.
constexpr int StartupIdleMs = 1000;

// The same steady clock SystemClock reads, so that a time taken here and one
// taken by the program are directly comparable.
inline qint64 steadyNs()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"); -1 where the system
// has no such file.
inline qint64 statusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray& line : lines) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Nearest-rank percentile (p in 0..100) of unsorted values.
template <typename T> T percentile(std::vector<T> values, double p)
{
    if (values.empty())
        return T{};
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * double(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

// The benchmarks need no display: they run on Qt's offscreen platform unless
// the caller chose another.
inline void useOffscreenPlatformByDefault()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace Bench
