// The cooling fit alone, on plain numbers in memory: the time it takes and the
// memory it adds, at the sizes of the companion's benchmark files. The points
// follow the same law as bench_cooling_file (y = 20 + 60·e^(−t/900), a
// reading every 0.5 to 2 s, ±0.05 noise); no file, no window.
//
//   bench_cooling_fit [READINGS...]     default: 1000 100000 1000000

#include "BenchSupport.h"

#include "analysis/Fits.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{

struct Points {
    std::vector<double> t, y;
};

Points coolingPoints(int readings)
{
    Points p;
    p.t.reserve(std::size_t(readings));
    p.y.reserve(std::size_t(readings));
    std::uint64_t state = 88172645463325252u;
    const auto uniform = [&state] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return double(state >> 11) / 9007199254740992.0;
    };
    double elapsed = 0.0;
    for (int i = 0; i < readings; ++i) {
        if (i > 0)
            elapsed += 0.5 + 1.5 * uniform();
        p.t.push_back(elapsed);
        p.y.push_back(20.0 + 60.0 * std::exp(-elapsed / 900.0) +
                      0.05 * (uniform() + uniform() - 1.0));
    }
    return p;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {1000, 100000, 1000000};

    std::printf("| readings | fit median ms | min ms | max ms | runs | peak RSS added MB | "
                "ambient | rate 1/s |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const int readings : sizes) {
        const Points p = coolingPoints(readings);
        const qint64 before = Bench::statusKb("VmHWM");
        const int runs = readings >= 1000000 ? 5 : 21;
        std::vector<double> ms;
        analysis::FitResult fit;
        for (int run = 0; run < runs; ++run) {
            const qint64 start = Bench::steadyNs();
            fit = analysis::fitCooling(p.t, p.y);
            ms.push_back(double(Bench::steadyNs() - start) / 1e6);
        }
        const qint64 after = Bench::statusKb("VmHWM");
        std::printf(
            "| %d | %.2f | %.2f | %.2f | %d | %.1f | %s | %s |\n", readings,
            Bench::percentile(ms, 50), Bench::percentile(ms, 0), Bench::percentile(ms, 100), runs,
            double(after - before) / 1024,
            fit.ok() ? QByteArray::number(fit.parameters[0].value, 'g', 10).constData() : "failed",
            fit.ok() ? QByteArray::number(fit.parameters[2].value, 'g', 10).constData() : "failed");
    }
    return 0;
}
