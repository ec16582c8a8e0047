#pragma once

// A cooling cup of water as the main program would record it: readings every
// 0.5 to 2 s of y = 20 + 60·e^(−t/900) ℃ with a little thermometer noise, a
// misread now and then marked NG, and one edited subject block half way. The
// rows come from the program's own row functions, so the bytes are the ones
// the main program writes. Deterministic: the same count gives the same file.

#include "datafile/CsvRow.h"
#include "datafile/RowKinds.h"
#include "numbers/NumberText.h"

#include <QDate>
#include <QFile>
#include <QStringList>
#include <QTime>

#include <cmath>
#include <cstdint>

namespace Bench
{

class CoolingMeasurement
{
public:
    static constexpr double Ambient = 20.0;
    static constexpr double Excess = 60.0;
    static constexpr double TimeConstant = 900.0;

    explicit CoolingMeasurement(int readings) : m_readings(readings) {}

    QString dataFileName() const { return QStringLiteral("DATA\\QMK26_12_7_100000.csv"); }

    // Header, subject block and column titles, as the first press writes them.
    QList<CsvRow> headingRows() const
    {
        return {RowKinds::headerRow(dataFileName(), QDate(2026, 12, 7)),
                RowKinds::subjectRow(subjectLines(false)),
                RowKinds::columnTitleRow(QStringLiteral("温度 ℃"))};
    }

    bool atEnd() const { return m_number >= m_readings; }
    int readingsWritten() const { return m_number; }

    // The rows of the next writing event: one reading, and half way through
    // the edited subject block that the next press writes after it.
    QList<CsvRow> nextRows()
    {
        QList<CsvRow> rows;
        if (m_number > 0)
            m_elapsed += 0.5 + 1.5 * uniform();
        double value = Ambient + Excess * std::exp(-m_elapsed / TimeConstant) +
                       0.05 * (uniform() + uniform() - 1.0);
        // About one reading in 500 is a misread that the user marks NG.
        const bool rejected = m_number > 0 && uniform() < 0.002;
        if (rejected)
            value += 3.0 + 4.0 * uniform();
        value = std::round(value * 100.0) / 100.0;

        const double elapsed = std::round(m_elapsed * 100.0) / 100.0;
        const double lap = std::round((elapsed - m_previousElapsed) * 100.0) / 100.0;
        m_previousElapsed = elapsed;
        const QString target = signedText(value);
        const QString remark =
            rejected
                ? u' ' + QString(std::max(0, 11 - int(target.size())), u'-') + QStringLiteral("NG")
                : QString();
        rows.append(RowKinds::dataRow(m_number, timeOfDay(elapsed), elapsed, lap, value, remark));
        if (m_number == m_readings / 2)
            rows.append(RowKinds::changedSubjectRow(subjectLines(true), QString()));
        ++m_number;
        return rows;
    }

    // The subject block as the end click writes it.
    CsvRow endRow() const { return RowKinds::subjectRow(subjectLines(true)); }

    // The first `readings` rows of a measurement in one go (not the writer's
    // fsync per event: a million of those would take minutes and change
    // nothing read), with the end row when `ended`. Continue with nextRows().
    bool writeStart(const QString& path, int readings, bool ended)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        QByteArray bytes;
        for (const CsvRow& row : headingRows())
            bytes += encodeRow(row);
        while (readingsWritten() < readings && !atEnd()) {
            for (const CsvRow& row : nextRows())
                bytes += encodeRow(row);
            if (bytes.size() > (1 << 20)) {
                if (file.write(bytes) != bytes.size())
                    return false;
                bytes.clear();
            }
        }
        if (ended)
            bytes += encodeRow(endRow());
        return file.write(bytes) == bytes.size() && file.flush();
    }

    static bool writeFile(const QString& path, int readings)
    {
        return CoolingMeasurement(readings).writeStart(path, readings, true);
    }

private:
    static QStringList subjectLines(bool stirred)
    {
        return {QStringLiteral("理科室 2班 湯の冷え方"), QStringLiteral("ビーカー 200 mL 水"),
                stirred ? QStringLiteral("ここからかき混ぜる") : QStringLiteral("かき混ぜない"),
                QStringLiteral("室温 20 ℃"), QStringLiteral("デジタル温度計 0.01 ℃")};
    }

    static QString timeOfDay(double elapsed)
    {
        const int seconds = (10 * 3600 + int(std::floor(elapsed))) % 86400;
        return QTime(0, 0).addSecs(seconds).toString(u"HH:mm:ss");
    }

    // splitmix64: the same numbers on every platform and compiler.
    double uniform()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return double(z >> 11) * 0x1.0p-53;
    }

    int m_readings = 0;
    int m_number = 0;
    double m_elapsed = 0.0;
    double m_previousElapsed = 0.0;
    std::uint64_t m_state = 20261207;
};

} // namespace Bench
