// One long measurement through the real main window: N presses of Enter, each
// a key event sent to the focused control and timed from the key's timestamp
// to the end of its handling (key preview, measurement key, data file write),
// each followed by the event loop until it is idle (repaint, timer ticks), as
// between two real presses.
// Prints one table row; run each size in a process of its own so that the
// peak memory of one size does not hide in another's.

#include "BenchSupport.h"
#include "BenchWindow.h"

#include "measurement/Clock.h"

#include <QApplication>
#include <QFile>

#include <cstdio>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;
using Bench::BenchWindow;

namespace
{

void printHeader()
{
    std::printf("| readings | data file on | event loop run after | handler median us "
                "| handler p99 us | handler max us | first press us | median, first 1000 | median, "
                "last 1000 "
                "| event loop median us | event loop p99 us | peak RSS MB | RSS before MB "
                "| rows in file | wall s |\n");
    std::printf("|---:|:---|:---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
}

double us(qint64 ns)
{
    return double(ns) / 1000.0;
}

qint64 rowsIn(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    qint64 rows = 0;
    while (!file.atEnd()) {
        const QByteArray chunk = file.read(1 << 20);
        rows += chunk.count('\n');
    }
    return rows;
}

} // namespace

int main(int argc, char* argv[])
{
    Bench::useOffscreenPlatformByDefault();
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.contains(u"--header"_s)) {
        printHeader();
        return 0;
    }
    if (args.size() < 3) {
        std::fprintf(stderr,
                     "usage: %s READINGS FOLDER [LABEL [PRESSES_PER_EVENT_LOOP_RUN]] | "
                     "--header\n",
                     argv[0]);
        return 2;
    }
    const int readings = args[1].toInt();
    const QString baseFolder = args[2];
    const QString label = args.value(3, baseFolder);
    // 1: the event loop runs until idle after every press, as when a person
    // presses (repaint, timer ticks). More: after every that many presses
    // only, a reduced mode for sizes that would take too long otherwise.
    const int pressesPerLoopRun = std::max(1, args.value(4, u"1"_s).toInt());

    SystemClock clock;
    BenchWindow bench(clock, baseFolder);
    QWidget* target = BenchWindow::keyTarget();

    // Allocated and touched before the baseline is read.
    std::vector<qint64> handlerNs(std::size_t(readings), 0);
    std::vector<qint64> loopNs(std::size_t(readings / pressesPerLoopRun), 0);
    QCoreApplication::processEvents();
    const qint64 rssBeforeKb = Bench::statusKb("VmRSS");

    const qint64 startNs = Bench::steadyNs();
    for (int i = 0; i < readings; ++i) {
        const qint64 at = clock.monotonicNs();
        const std::unique_ptr<QKeyEvent> key(BenchWindow::enterKey(at));
        QCoreApplication::sendEvent(target, key.get());
        const qint64 handledAt = Bench::steadyNs();
        handlerNs[std::size_t(i)] = handledAt - at;
        if ((i + 1) % pressesPerLoopRun == 0) {
            QCoreApplication::processEvents();
            loopNs[std::size_t(i / pressesPerLoopRun)] = Bench::steadyNs() - handledAt;
        }
    }
    const double wallSeconds = double(Bench::steadyNs() - startNs) / 1e9;
    const qint64 peakKb = Bench::statusKb("VmHWM");

    if (bench.form().data.eventCount != readings) {
        std::fprintf(stderr, "only %d of %d presses made a reading\n", bench.form().data.eventCount,
                     readings);
        return 1;
    }
    bench.endMeasurement();
    // Header, subject, column titles, one row per reading, the end subject row.
    const qint64 rows = rowsIn(bench.dataFilePath());

    const std::size_t edge = std::min<std::size_t>(1000, handlerNs.size());
    const std::vector<qint64> first(handlerNs.begin(), handlerNs.begin() + qsizetype(edge));
    const std::vector<qint64> last(handlerNs.end() - qsizetype(edge), handlerNs.end());
    const QString cadence =
        pressesPerLoopRun == 1 ? u"every press"_s : u"every %1 presses"_s.arg(pressesPerLoopRun);
    std::printf("| %d | %s | %s | %.0f | %.0f | %.0f | %.0f | %.0f | %.0f | %.0f | %.0f | %.1f | "
                "%.1f | %lld "
                "| %.1f |\n",
                readings, qPrintable(label), qPrintable(cadence),
                us(Bench::percentile(handlerNs, 50)), us(Bench::percentile(handlerNs, 99)),
                us(Bench::percentile(handlerNs, 100)), us(handlerNs.front()),
                us(Bench::percentile(first, 50)), us(Bench::percentile(last, 50)),
                us(Bench::percentile(loopNs, 50)), us(Bench::percentile(loopNs, 99)),
                double(peakKb) / 1024.0, double(rssBeforeKb) / 1024.0, rows, wallSeconds);
    return 0;
}
