// Writes a data file in which every reading is followed by an edited subject
// block, as a class that notes each step in the subject lines leaves it: the
// companion draws one marker per such row.
//
//   bench_marker_file CHANGES OUT.csv

#include "CoolingMeasurement.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int changes = args.value(1).toInt();
    if (args.size() != 3 || changes < 1) {
        std::fprintf(stderr, "usage: bench_marker_file CHANGES OUT.csv\n");
        return 2;
    }
    QFile file(args[2]);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 1;
    Bench::CoolingMeasurement cooling(changes);
    QByteArray bytes;
    for (const CsvRow& row : cooling.headingRows())
        bytes += encodeRow(row);
    while (!cooling.atEnd()) {
        for (const CsvRow& row : cooling.nextRows())
            bytes += encodeRow(row);
        const int step = cooling.readingsWritten();
        bytes += encodeRow(RowKinds::changedSubjectRow({QStringLiteral("理科室 2班 湯の冷え方"),
                                                        QStringLiteral("手順 %1").arg(step),
                                                        QString(), QString(), QString()},
                                                       QString()));
    }
    bytes += encodeRow(cooling.endRow());
    return file.write(bytes) == bytes.size() && file.flush() ? 0 : 1;
}
