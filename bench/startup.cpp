// Starts the program and the smallest Qt Widgets program in turn, each in a
// fresh process, and tabulates how long each took to show its window and how
// much memory it holds when idle. The first round only warms the file cache.

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace
{

struct Sample {
    double mainMs = 0;
    double shownMs = 0;
    double idleRssKb = 0;
};

bool startOnce(const QString& program, const QString& workingDir, Sample& sample)
{
    QProcess process;
    process.setProgram(program);
    process.setWorkingDirectory(workingDir);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains(u"QT_QPA_PLATFORM"_s))
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"BENCH_SPAWN_NS"_s, QString::number(Bench::steadyNs()));
    process.setProcessEnvironment(env);
    process.start();
    if (!process.waitForFinished(60'000) || process.exitCode() != 0)
        return false;
    const QString line = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    for (const QString& pair : line.split(u' ')) {
        const QString key = pair.section(u'=', 0, 0);
        const double value = pair.section(u'=', 1).toDouble();
        if (key == u"main_ms"_s)
            sample.mainMs = value;
        else if (key == u"shown_ms"_s)
            sample.shownMs = value;
        else if (key == u"idle_rss_kb"_s)
            sample.idleRssKb = value;
    }
    return sample.shownMs > 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int runs = args.size() > 1 ? std::max(1, args[1].toInt()) : 10;

    // The program's load step would announce a new "DATA" folder in a box.
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(u"DATA"_s);

    const QString binDir = QCoreApplication::applicationDirPath();
    struct Program {
        const char* name;
        QString path;
        std::vector<Sample> samples;
    };
    std::vector<Program> programs = {
        {"Quellmark main window", binDir + u"/bench_startup_quellmark"_s, {}},
        {"minimal Qt Widgets window", binDir + u"/bench_startup_floor"_s, {}},
    };
    for (int round = 0; round <= runs; ++round) {
        for (Program& program : programs) {
            Sample sample;
            if (!startOnce(program.path, dir.path(), sample)) {
                std::fprintf(stderr, "%s did not start and report\n", qPrintable(program.path));
                return 1;
            }
            if (round > 0)
                program.samples.push_back(sample);
        }
    }

    std::printf("## Start-up\n\n");
    std::printf("Process start (launcher's clock just before the process is started) to the "
                "first frame of the window painted, offscreen; resident memory after %d ms idle. "
                "Medians of %d runs after one warm-up run each, taken in turn.\n\n",
                Bench::StartupIdleMs, runs);
    std::printf("| program | to main() ms | to window shown ms | shown min-max ms "
                "| idle RSS MB |\n");
    std::printf("|:---|---:|---:|---:|---:|\n");
    for (const Program& program : programs) {
        std::vector<double> mainMs;
        std::vector<double> shownMs;
        std::vector<double> rss;
        for (const Sample& s : program.samples) {
            mainMs.push_back(s.mainMs);
            shownMs.push_back(s.shownMs);
            rss.push_back(s.idleRssKb / 1024.0);
        }
        std::printf("| %s | %.1f | %.1f | %.1f-%.1f | %.1f |\n", program.name,
                    Bench::percentile(mainMs, 50), Bench::percentile(shownMs, 50),
                    Bench::percentile(shownMs, 0), Bench::percentile(shownMs, 100),
                    Bench::percentile(rss, 50));
    }
    return 0;
}
