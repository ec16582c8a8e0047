// One click that leaves a reading out, as the companion keeps it, with many
// files already remembered: the time of ExclusionStore::save, and of the
// prune a start makes.
//
//   bench_exclusion_store FOLDER [REMEMBERED [CLICKS]]   default: 10000 200

#include "BenchSupport.h"

#include "readings/ExclusionStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [REMEMBERED [CLICKS]]\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const int remembered = argc > 2 ? std::atoi(argv[2]) : 10000;
    const int clicks = argc > 3 ? std::atoi(argv[3]) : 200;
    folder.mkpath(QStringLiteral("data"));
    ExclusionStore store(folder.filePath(QStringLiteral("exclusions")));
    const QByteArray identity(64, 'a');
    for (int i = 0; i < remembered; ++i)
        store.save(folder.filePath(QStringLiteral("data/gone%1.csv").arg(i)), identity, {1, 2, 3});

    const QString data = folder.filePath(QStringLiteral("data/clicked.csv"));
    QFile(data).open(QIODevice::WriteOnly);
    std::vector<double> ms;
    QSet<int> left;
    for (int i = 0; i < clicks; ++i) {
        left.insert(i);
        const qint64 start = Bench::steadyNs();
        store.save(data, identity, left);
        ms.push_back(double(Bench::steadyNs() - start) / 1e6);
    }
    const qint64 start = Bench::steadyNs();
    store.prune();
    const double pruneMs = double(Bench::steadyNs() - start) / 1e6;
    std::printf("| remembered | clicks | median ms | p95 ms | max ms | prune ms |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|\n");
    std::printf("| %d | %d | %.2f | %.2f | %.2f | %.1f |\n", remembered, clicks,
                Bench::percentile(ms, 50), Bench::percentile(ms, 95), Bench::percentile(ms, 100),
                pruneMs);
    return 0;
}
