// Peak memory of the companion's command line on a large data file: the
// figure export with and without the cooling fit, each a fresh process.
//
//   bench_graph_memory QUELLMARK_GRAPH FILE

#include "ChildProcess.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: bench_graph_memory QUELLMARK_GRAPH FILE\n");
        return 2;
    }
    // The children run in a folder of their own: paths as given would not reach.
    const QString program = QFileInfo(args[1]).absoluteFilePath();
    const QString file = QFileInfo(args[2]).absoluteFilePath();
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString out = dir.filePath(u"figure.png"_s);
    const QList<QStringList> jobs = {{u"--export"_s, out, file},
                                     {u"--export"_s, out, u"--fit"_s, u"cooling"_s, file}};
    for (const QStringList& job : jobs) {
        const Bench::ChildRun run = Bench::runChild(program, job, dir.path());
        std::printf("| quellmark-graph %s | %s | %.1f | %.0f |\n",
                    qPrintable(job.mid(0, job.size() - 1).join(u' ').replace(out, u"OUT.png"_s)),
                    run.ok ? "0" : qPrintable(QString::number(run.status)),
                    double(run.peakRssKb) / 1024, run.wallMs);
    }
    return 0;
}
