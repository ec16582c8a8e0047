// The companion's figure export against gnuplot, side by side on the same
// data file: a plot of the readings to PNG, and a cooling fit plus that plot.
// Every round runs each of the five jobs once, in turn, as a fresh process;
// one warm-up round first fills the file cache.
//
//   bench_graph_export QUELLMARK_GRAPH FILE [RUNS]

#include "ChildProcess.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QSize>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{

struct Job {
    Job(QString l, QString p, QStringList a, QString o)
        : label(std::move(l)), program(std::move(p)), arguments(std::move(a)), output(std::move(o))
    {
    }
    QString label;
    QString program;
    QStringList arguments;
    QString output;
    std::vector<double> wallMs;
    qint64 peakRssKb = 0;
};

// gnuplot as its users write it for this file: comma-separated, the three
// heading rows skipped with `every ::3`, elapsed seconds (column 3) against
// the value (column 5). Text rows in between (an edited subject block, the
// end row) have no number there, and gnuplot passes over them by itself.
QString plotLines(const QString& file, QSize size, const QString& out,
                  const QString& terminal = u"pngcairo"_s)
{
    return u"set terminal %4 size %1,%2\n"
           u"set output '%3'\n"
           u"set datafile separator ','\n"
           u"set xlabel 'elapsed s'\n"
           u"set ylabel 'temperature'\n"_s.arg(size.width())
               .arg(size.height())
               .arg(out, terminal) +
           u"plot '%1' every ::3 using 3:5 with points pt 7 ps 0.3 notitle"_s.arg(file);
}

// The same law the companion fits, from the same kind of starting guess a
// user would type in, over the readings not marked NG (column 6).
QString fitLines(const QString& file, QSize size, const QString& out, const QString& params)
{
    return u"set datafile separator ','\n"
           u"set fit quiet errorvariables\n"
           u"set fit logfile '/dev/null'\n"
           u"f(x) = c + (y0 - c) * exp(-k * x)\n"
           u"c = 25; y0 = 75; k = 0.002\n"
           u"fit f(x) '%1' every ::3 using 3:(strstrt(strcol(6), 'NG') > 0 ? NaN : $5) "
           u"via c, y0, k\n"
           u"set print '%2'\n"
           u"print sprintf('%.10g %.10g %.10g %.3g %.3g %.3g', c, y0, k, c_err, y0_err, k_err)\n"_s
               .arg(file, params) +
           plotLines(file, size, out) + u", f(x) with lines lw 2 notitle\n"_s;
}

bool writeText(const QString& path, const QString& text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           f.write(text.toUtf8()) == text.toUtf8().size();
}

double median(const std::vector<double>& v)
{
    return Bench::percentile(v, 50);
}

// The companion's cooling fit as its report gives it, for the line that shows
// both programs fitted the same thing.
QString companionFit(const QString& graph, const QString& file)
{
    QProcess p;
    p.start(graph, {u"--report"_s, u"--fit"_s, u"cooling"_s, file});
    if (!p.waitForFinished(60'000))
        return u"(no answer)"_s;
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: bench_graph_export QUELLMARK_GRAPH FILE [RUNS]\n");
        return 2;
    }
    const QString graph = QFileInfo(args[1]).absoluteFilePath();
    const QString file = QFileInfo(args[2]).absoluteFilePath();
    const int runs = std::max(1, args.value(3, u"5"_s).toInt());
    const QString gnuplot = QStandardPaths::findExecutable(u"gnuplot"_s);
    if (gnuplot.isEmpty()) {
        std::fprintf(stderr, "gnuplot not found (Debian: apt-get install gnuplot-nox)\n");
        return 2;
    }
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    qputenv("QT_QPA_PLATFORM", "offscreen");

    // gnuplot draws at the size the companion exports.
    const QString probe = dir.filePath(u"probe.png"_s);
    if (!Bench::runChild(graph, {u"--export"_s, probe, file}, dir.path()).ok) {
        std::fprintf(stderr, "%s --export failed on %s\n", qPrintable(graph), qPrintable(file));
        return 1;
    }
    const QSize size = QImageReader(probe).size();

    const QString plotScript = dir.filePath(u"plot.gp"_s);
    const QString fitScript = dir.filePath(u"fit.gp"_s);
    const QString gdScript = dir.filePath(u"plot-gd.gp"_s);
    const QString params = dir.filePath(u"params.txt"_s);
    if (!writeText(plotScript,
                   plotLines(file, size, dir.filePath(u"gnuplot-plot.png"_s)) + u'\n') ||
        !writeText(gdScript,
                   plotLines(file, size, dir.filePath(u"gnuplot-gd.png"_s), u"png"_s) + u'\n') ||
        !writeText(fitScript, fitLines(file, size, dir.filePath(u"gnuplot-fit.png"_s), params)))
        return 1;

    std::vector<Job> jobs = {
        {u"plot to PNG: gnuplot"_s, gnuplot, {plotScript}, dir.filePath(u"gnuplot-plot.png"_s)},
        {u"plot to PNG: gnuplot, libgd"_s, gnuplot, {gdScript}, dir.filePath(u"gnuplot-gd.png"_s)},
        {u"plot to PNG: quellmark-graph --export"_s,
         graph,
         {u"--export"_s, dir.filePath(u"graph-plot.png"_s), file},
         dir.filePath(u"graph-plot.png"_s)},
        {u"cooling fit + plot: gnuplot"_s,
         gnuplot,
         {fitScript},
         dir.filePath(u"gnuplot-fit.png"_s)},
        {u"cooling fit + plot: quellmark-graph --export --fit cooling"_s,
         graph,
         {u"--export"_s, dir.filePath(u"graph-fit.png"_s), u"--fit"_s, u"cooling"_s, file},
         dir.filePath(u"graph-fit.png"_s)},
    };
    for (int round = 0; round <= runs; ++round) {
        for (Job& job : jobs) {
            QFile::remove(job.output);
            const Bench::ChildRun run = Bench::runChild(job.program, job.arguments, dir.path());
            if (!run.ok || QFileInfo(job.output).size() == 0) {
                std::fprintf(stderr, "%s failed (status %d)\n", qPrintable(job.label), run.status);
                return 1;
            }
            if (round > 0)
                job.wallMs.push_back(run.wallMs);
            job.peakRssKb = std::max(job.peakRssKb, run.peakRssKb);
        }
    }

    std::printf("## Graph companion against gnuplot\n\n");
    std::printf("The same %s file (%.1f MB), PNG %dx%d, whole process from start to exit; "
                "medians of %d rounds after one warm-up round, the five jobs in turn.\n\n",
                qPrintable(QFileInfo(file).fileName()), double(QFileInfo(file).size()) / 1e6,
                size.width(), size.height(), runs);
    std::printf("| job | gnuplot terminal | gnuplot median ms | min-max ms | quellmark-graph "
                "median ms | min-max ms | ratio | goal |\n");
    std::printf("|:---|:---|---:|---:|---:|---:|---:|:---|\n");
    struct Row {
        const char* job;
        const char* terminal;
        int gnuplotJob;
        int graphJob;
        const char* goal;
    };
    const Row rows[] = {{"plot to PNG", "pngcairo", 0, 2, "at most 0.5"},
                        {"plot to PNG", "png (libgd)", 1, 2, "(for comparison)"},
                        {"cooling fit + plot to PNG", "pngcairo", 3, 4, "at most 0.1"}};
    for (const Row& row : rows) {
        const Job& g = jobs[row.gnuplotJob];
        const Job& q = jobs[row.graphJob];
        const auto [gMin, gMax] = std::minmax_element(g.wallMs.begin(), g.wallMs.end());
        const auto [qMin, qMax] = std::minmax_element(q.wallMs.begin(), q.wallMs.end());
        std::printf("| %s | %s | %.0f | %.0f-%.0f | %.0f | %.0f-%.0f | %.3f | %s |\n", row.job,
                    row.terminal, median(g.wallMs), *gMin, *gMax, median(q.wallMs), *qMin, *qMax,
                    median(q.wallMs) / median(g.wallMs), row.goal);
    }
    std::printf("\nPeak memory (VmHWM) MB: gnuplot plot %.1f, fit %.1f; quellmark-graph export "
                "%.1f, with fit %.1f.\n",
                double(jobs[0].peakRssKb) / 1024, double(jobs[3].peakRssKb) / 1024,
                double(jobs[2].peakRssKb) / 1024, double(jobs[4].peakRssKb) / 1024);

    QFile fitted(params);
    const QString gnuplotFit = fitted.open(QIODevice::ReadOnly)
                                   ? QString::fromUtf8(fitted.readAll()).trimmed()
                                   : QString();
    std::printf("\ngnuplot's fit (ambient, initial, rate, their standard errors): %s\n\n",
                qPrintable(gnuplotFit));
    std::printf("quellmark-graph --report --fit cooling: `%s`\n",
                qPrintable(companionFit(graph, file)));
    return 0;
}
