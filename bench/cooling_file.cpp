// Writes the cooling-curve data file the companion's benchmarks read.
//
//   bench_cooling_file READINGS OUT.csv

#include "CoolingMeasurement.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int readings = args.value(1).toInt();
    if (args.size() != 3 || readings < 1) {
        std::fprintf(stderr, "usage: bench_cooling_file READINGS OUT.csv\n");
        return 2;
    }
    if (!Bench::CoolingMeasurement::writeFile(args[2], readings)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args[2]));
        return 1;
    }
    return 0;
}
