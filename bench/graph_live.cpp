// The companion following a measurement: a data file of READINGS readings
// that grows by one row at a time, appended by the program's own writer (one
// open, write, fsync and close per row, as every press of the main program
// does), at irregular intervals so that the rows fall anywhere in the
// window's poll cycle. Measured: from the moment the writer has returned (the
// row is in the file) to the window's signal that it has repainted the graph
// with that row; the process's peak memory at the end.
//
//   bench_graph_live READINGS FOLDER [ROWS [FIT]]     FIT: none (default) | cooling
//   bench_graph_live --header

#include "BenchSupport.h"
#include "CoolingMeasurement.h"

#include "datafile/DataFileName.h"
#include "datafile/DataFileWriter.h"
#include "graph/GraphPlot.h"
#include "graph/GraphWindow.h"
#include "graph/LargeArrays.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{

// Runs the event loop until `shown` reaches `readings` or `timeoutMs` passes;
// the steady-clock time of the signal that got there, or -1.
qint64 waitUntilShown(GraphWindow& window, int readings, int timeoutMs)
{
    // The window may have drawn the whole file already while it was made.
    if (window.plot()->readingCount() >= readings)
        return Bench::steadyNs();
    qint64 at = -1;
    QEventLoop loop;
    const auto connection =
        QObject::connect(&window, &GraphWindow::readingsShown, &loop, [&](int shown) {
            if (shown >= readings && at < 0) {
                at = Bench::steadyNs();
                loop.quit();
            }
        });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(connection);
    return at;
}

void idle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char* argv[])
{
    Bench::useOffscreenPlatformByDefault();
    if (argc > 1 && QByteArray(argv[1]) == "--header") {
        std::printf("| readings in file | fit chosen | first view ms | rows appended | shown "
                    "| median ms | p90 ms | p99 ms | max ms | writer median ms | peak RSS MB |\n");
        std::printf("|---:|:---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
        return 0;
    }
    // The window as the companion's main sets it up.
    LargeArrays::returnToTheSystemWhenFreed();
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int readings = args.value(1).toInt();
    if (args.size() < 3 || readings < 1) {
        std::fprintf(stderr, "usage: bench_graph_live READINGS FOLDER [ROWS [none|cooling]]\n");
        return 2;
    }
    const int rows = std::max(1, args.value(3, u"200"_s).toInt());
    const QString fit = args.value(4, u"none"_s);

    QTemporaryDir dir(QDir(args[2]).filePath(u"quellmark-graph-live-XXXXXX"_s));
    if (!dir.isValid() || !QDir(dir.path()).mkpath(u"DATA"_s))
        return 1;
    const QDir working(dir.path());
    Bench::CoolingMeasurement measurement(readings + rows);
    const QString path = localPath(measurement.dataFileName(), working);
    if (!measurement.writeStart(path, readings, false))
        return 1;

    const qint64 openedNs = Bench::steadyNs();
    GraphWindow window(path);
    window.resize(1200, 800);
    window.show();
    const qint64 firstViewNs = waitUntilShown(window, readings, 60'000);
    if (firstViewNs < 0) {
        std::fprintf(stderr, "the window never showed the %d readings\n", readings);
        return 1;
    }
    if (fit == u"cooling"_s) {
        // The chooser as a user picks it: none, straight line, cooling.
        auto* chooser = window.findChild<QComboBox*>();
        if (!chooser || chooser->count() < 3)
            return 1;
        chooser->setCurrentIndex(2);
    }
    idle(500);

    DataFileWriter writer(working);
    std::vector<double> latencyMs;
    std::vector<double> writeMs;
    quint32 jitter = 12345;
    int shown = 0;
    for (int i = 0; i < rows && !measurement.atEnd(); ++i) {
        // 40 to 240 ms apart: every phase of a 50 ms poll, quicker than any hand.
        jitter = jitter * 1664525u + 1013904223u;
        idle(40 + int((jitter >> 8) % 200));
        const QList<CsvRow> next = measurement.nextRows();
        const qint64 before = Bench::steadyNs();
        if (!writer.write(measurement.dataFileName(), next).ok)
            return 1;
        const qint64 written = Bench::steadyNs();
        writeMs.push_back(double(written - before) / 1e6);
        const qint64 at = waitUntilShown(window, measurement.readingsWritten(), 2000);
        if (at >= 0) {
            latencyMs.push_back(double(at - written) / 1e6);
            ++shown;
        }
    }

    std::printf("| %d | %s | %.0f | %d | %d | %.1f | %.1f | %.1f | %.1f | %.2f | %.1f |\n",
                readings, qPrintable(fit), double(firstViewNs - openedNs) / 1e6, rows, shown,
                Bench::percentile(latencyMs, 50), Bench::percentile(latencyMs, 90),
                Bench::percentile(latencyMs, 99), Bench::percentile(latencyMs, 100),
                Bench::percentile(writeMs, 50), double(Bench::statusKb("VmHWM")) / 1024);
    return 0;
}
