#include "analysis/LapStatistics.h"

#include <QList>
#include <QTest>

#include <cmath>
#include <limits>

namespace
{

constexpr double noValue = std::numeric_limits<double>::quiet_NaN();

// Both NaN, or equal to twelve significant digits (a zero exactly).
bool same(double actual, double expected)
{
    if (std::isnan(expected))
        return std::isnan(actual);
    return std::abs(actual - expected) <= 1e-12 * std::abs(expected);
}

} // namespace

class LapStatisticsTest final : public QObject
{
    Q_OBJECT
private slots:
    void statistics_data();
    void statistics();
};

void LapStatisticsTest::statistics_data()
{
    QTest::addColumn<QList<double>>("laps");
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("mean");
    QTest::addColumn<double>("sd");
    QTest::addColumn<double>("sem");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");

    QTest::newRow("no lap") << QList<double>{} << 0 << noValue << noValue << noValue << noValue
                            << noValue;
    QTest::newRow("one lap") << QList<double>{1.25} << 1 << 1.25 << noValue << noValue << 1.25
                             << 1.25;
    // sd = √((0.25² + 0.25²)/1), sem = sd/√2 = 0.25.
    QTest::newRow("two laps") << QList<double>{1.0, 1.5} << 2 << 1.25 << std::sqrt(0.125) << 0.25
                              << 1.0 << 1.5;
    // The population sd of this textbook set is 2; the sample sd divides by
    // n − 1: √(32/7).
    QTest::newRow("sample, not population")
        << QList<double>{2, 4, 4, 4, 5, 5, 7, 9} << 8 << 5.0 << std::sqrt(32.0 / 7.0)
        << std::sqrt(32.0 / 7.0) / std::sqrt(8.0) << 2.0 << 9.0;
    QTest::newRow("unsorted, negative")
        << QList<double>{3.0, -1.0, 1.0} << 3 << 1.0 << 2.0 << 2.0 / std::sqrt(3.0) << -1.0 << 3.0;
    // Deviations 4, 7, 13, 16 from 10⁹: Σx² − n·x̄² would cancel every digit
    // of the spread (variance 30).
    QTest::newRow("large values, small spread")
        << QList<double>{1e9 + 4, 1e9 + 7, 1e9 + 13, 1e9 + 16} << 4 << 1e9 + 10 << std::sqrt(30.0)
        << std::sqrt(30.0) / 2.0 << 1e9 + 4 << 1e9 + 16;
    // Laps near the largest double: their sums overflow unless scaled.
    QTest::newRow("laps of 1e308")
        << QList<double>{1e308, 1.5e308, 1.7e308} << 3 << 1.4e308 << std::sqrt(0.13) * 1e308
        << std::sqrt(0.13 / 3.0) * 1e308 << 1e308 << 1.7e308;
    QTest::newRow("largest doubles, all equal")
        << QList<double>(4, std::numeric_limits<double>::max()) << 4
        << std::numeric_limits<double>::max() << 0.0 << 0.0 << std::numeric_limits<double>::max()
        << std::numeric_limits<double>::max();
    // A tiny lap beside a huge one: mean 5·10³⁰⁷, sd 10³⁰⁸/√2.
    QTest::newRow("mixed scales") << QList<double>{1e-300, 1e308} << 2 << 5e307
                                  << 1e308 / std::sqrt(2.0) << 0.5e308 << 1e-300 << 1e308;
    QTest::newRow("all equal") << QList<double>(5, 0.1) << 5 << 0.1 << 0.0 << 0.0 << 0.1 << 0.1;
}

void LapStatisticsTest::statistics()
{
    QFETCH(QList<double>, laps);
    QFETCH(int, count);
    QFETCH(double, mean);
    QFETCH(double, sd);
    QFETCH(double, sem);
    QFETCH(double, min);
    QFETCH(double, max);
    const analysis::LapStatistics s = analysis::lapStatistics(laps);
    QCOMPARE(s.count, count);
    QVERIFY2(same(s.mean, mean), qPrintable(QString::number(s.mean, 'g', 17)));
    QVERIFY2(same(s.sd, sd), qPrintable(QString::number(s.sd, 'g', 17)));
    QVERIFY2(same(s.sem, sem), qPrintable(QString::number(s.sem, 'g', 17)));
    QVERIFY(same(s.min, min));
    QVERIFY(same(s.max, max));
}

QTEST_APPLESS_MAIN(LapStatisticsTest)
#include "tst_lapstatistics.moc"
