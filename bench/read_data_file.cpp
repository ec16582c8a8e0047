// Reading a data file of many readings back: time to read it whole and to
// follow it from the start, and the process's peak memory with all rows held.
// usage: bench_read_data_file [READINGS] [FOLDER]
#include "BenchSupport.h"
#include "datafile/CsvRow.h"
#include "datafile/DataFileReader.h"
#include "datafile/RowKinds.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int readings = argc > 1 ? QByteArray(argv[1]).toInt() : 1'000'000;
    QTemporaryDir tmp(argc > 2 ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/read-XXXXXX")
                               : QDir::tempPath() + QStringLiteral("/read-XXXXXX"));
    const QString path = tmp.filePath(QStringLiteral("QMK05_7_20_152736.csv"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        QByteArray bytes =
            encodeRow(RowKinds::headerRow(QStringLiteral("DATA\\QMK05_7_20_152736.csv"), {})) +
            encodeRow(RowKinds::subjectRow({QStringLiteral("冷却")})) +
            encodeRow(RowKinds::columnTitleRow(QStringLiteral("温度 ℃")));
        double elapsed = 0;
        for (int n = 0; n < readings; ++n) {
            const double lap = n ? 1.23 + (n % 17) * 0.01 : 0;
            elapsed += lap;
            bytes += encodeRow(RowKinds::dataRow(n, QStringLiteral("12:34:56"), elapsed, lap,
                                                 80.0 - n * 0.001,
                                                 n % 50 ? QString() : QStringLiteral(" --NG")));
            if (bytes.size() > (1 << 22)) {
                file.write(bytes);
                bytes.clear();
            }
        }
        file.write(bytes);
    }
    const qint64 fileBytes = QFileInfo(path).size();
    const qint64 baseKb = Bench::statusKb("VmHWM");

    qint64 t0 = Bench::steadyNs();
    qsizetype rows = 0;
    {
        const DataFileContents contents = readDataFile(path);
        rows = contents.rows.size();
    }
    const double readS = double(Bench::steadyNs() - t0) / 1e9;
    const qint64 readKb = Bench::statusKb("VmHWM");

    t0 = Bench::steadyNs();
    DataFileFollower follower(path);
    const qsizetype followed = follower.poll().rows.size();
    const double followS = double(Bench::steadyNs() - t0) / 1e9;

    std::printf("| readings | file MB | readDataFile s | first poll s | rows | peak MB (before "
                "reading) | peak MB (after) |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|\n");
    std::printf("| %d | %.1f | %.3f | %.3f | %lld | %.1f | %.1f |\n", readings, fileBytes / 1e6,
                readS, followS, static_cast<long long>(rows), baseKb / 1024.0, readKb / 1024.0);
    return rows == readings + 3 && followed == rows ? 0 : 1;
}
