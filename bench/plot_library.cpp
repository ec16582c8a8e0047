// Qt Charts against QCustomPlot on the companion's main plot: a scatter plus
// line series of N points drawn into a 1200x800 PNG offscreen, one repaint
// after appending a point, and the memory it took. Each library runs in its
// own process, so that one's memory is not counted against the other.
//
//   bench_plot_library [POINTS]               both, as a Markdown table
//   bench_plot_library charts|qcustomplot N   one row (used by the above)

#include "BenchSupport.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QLineSeries>
#include <QProcess>
#include <QScatterSeries>
#include <QValueAxis>
#include <qcustomplot.h>

#include <cmath>
#include <cstdio>

namespace
{

constexpr int Width = 1200;
constexpr int Height = 800;

// A cooling curve with a little noise, as a long measurement gives.
QPointF curvePoint(int i)
{
    const double t = i * 0.5;
    const double noise = 0.05 * std::sin(i * 12.9898);
    return {t, 20.0 + 60.0 * std::exp(-t / 20000.0) + noise};
}

struct Figures {
    double firstPngMs = 0;
    double appendRepaintMs = 0; // median of a few appends
    double rssGrowthMb = 0;
    double peakMb = 0;
};

double msSince(qint64 startNs)
{
    return double(Bench::steadyNs() - startNs) / 1e6;
}

Figures runCharts(int points, const QString& png)
{
    Figures f;
    const qint64 rssBefore = Bench::statusKb("VmRSS");
    const qint64 start = Bench::steadyNs();
    QList<QPointF> data;
    data.reserve(points);
    for (int i = 0; i < points; ++i)
        data.append(curvePoint(i));
    auto* line = new QLineSeries;
    auto* scatter = new QScatterSeries;
    scatter->setMarkerSize(4);
    line->replace(data);
    scatter->replace(data);
    auto* chart = new QChart;
    chart->addSeries(line);
    chart->addSeries(scatter);
    chart->createDefaultAxes();
    chart->legend()->hide();
    QChartView view(chart);
    view.resize(Width, Height);
    view.grab().save(png);
    f.firstPngMs = msSince(start);

    std::vector<double> repaint;
    for (int k = 0; k < 5; ++k) {
        const qint64 t0 = Bench::steadyNs();
        const QPointF p = curvePoint(points + k);
        line->append(p);
        scatter->append(p);
        view.grab();
        repaint.push_back(msSince(t0));
    }
    f.appendRepaintMs = Bench::percentile(repaint, 50);
    f.rssGrowthMb = double(Bench::statusKb("VmRSS") - rssBefore) / 1024.0;
    f.peakMb = double(Bench::statusKb("VmHWM")) / 1024.0;
    return f;
}

Figures runCustomPlot(int points, const QString& png)
{
    Figures f;
    const qint64 rssBefore = Bench::statusKb("VmRSS");
    const qint64 start = Bench::steadyNs();
    QCustomPlot plot;
    plot.resize(Width, Height);
    QCPGraph* graph = plot.addGraph();
    graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, 4));
    QVector<QCPGraphData> data(points);
    for (int i = 0; i < points; ++i) {
        const QPointF p = curvePoint(i);
        data[i] = QCPGraphData(p.x(), p.y());
    }
    graph->data()->set(data, true);
    graph->rescaleAxes();
    plot.savePng(png, Width, Height);
    f.firstPngMs = msSince(start);

    std::vector<double> repaint;
    for (int k = 0; k < 5; ++k) {
        const qint64 t0 = Bench::steadyNs();
        const QPointF p = curvePoint(points + k);
        graph->addData(p.x(), p.y());
        plot.replot();
        plot.grab();
        repaint.push_back(msSince(t0));
    }
    f.appendRepaintMs = Bench::percentile(repaint, 50);
    f.rssGrowthMb = double(Bench::statusKb("VmRSS") - rssBefore) / 1024.0;
    f.peakMb = double(Bench::statusKb("VmHWM")) / 1024.0;
    return f;
}

int runOne(int argc, char** argv)
{
    Bench::useOffscreenPlatformByDefault();
    QApplication app(argc, argv);
    const QString library = QString::fromLocal8Bit(argv[1]);
    const int points = QString::fromLocal8Bit(argv[2]).toInt();
    const QString png = QDir::temp().filePath(QStringLiteral("bench_plot_%1.png").arg(library));
    const Figures f =
        library == QStringLiteral("charts") ? runCharts(points, png) : runCustomPlot(points, png);
    QFile::remove(png);
    std::printf("| %s | %d | %.0f | %.1f | %.1f | %.1f |\n",
                library == QStringLiteral("charts") ? "Qt Charts 6.4" : "QCustomPlot 2.1", points,
                f.firstPngMs, f.appendRepaintMs, f.rssGrowthMb, f.peakMb);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3)
        return runOne(argc, argv);
    QCoreApplication app(argc, argv);
    const QString points = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("100000");
    std::printf("| library | points | first PNG ms | append + repaint ms | RSS growth MB | peak "
                "RSS MB |\n|:---|---:|---:|---:|---:|---:|\n");
    std::fflush(stdout);
    for (const QString& library : {QStringLiteral("charts"), QStringLiteral("qcustomplot")}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {library, points});
        child.waitForFinished(-1);
    }
    return 0;
}
