// Pendulum files the main program wrote under real key presses on an X server
// (tools/record-pendulum.sh, one press per swing of a true period of 1.6 s);
// tests/data/*.schedule beside them holds the presses as they were scheduled.

#include "datafile/DataFileReader.h"
#include "support/RowsByHand.h"
#include "support/StraightLineFit.h"

#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

class PendulumRunTest final : public QObject
{
    Q_OBJECT
private slots:
    void periodOfRealPresses_data();
    void periodOfRealPresses();
};

void PendulumRunTest::periodOfRealPresses_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("swings"); // from the first press to the last
    QTest::addColumn<QList<int>>("missed");
    QTest::addColumn<QList<int>>("doubled");

    // 24 swings; swing 9 not pressed, so reading 9 (swing 10) ends the long
    // lap; swing 15 (reading 14) pressed again 0.15 s later: reading 15.
    QTest::newRow("skipped and doubled")
        << u"pendulum-real-run.csv"_s << 23 << QList<int>{9} << QList<int>{15};
    QTest::newRow("every swing once")
        << u"pendulum-clean-run.csv"_s << 21 << QList<int>{} << QList<int>{};
}

void PendulumRunTest::periodOfRealPresses()
{
    QFETCH(QString, file);
    QFETCH(int, swings);
    QFETCH(QList<int>, missed);
    QFETCH(QList<int>, doubled);
    constexpr double truePeriod = 1.6;
    const DataFileContents contents =
        readDataFile(qEnvironmentVariable("QUELLMARK_TEST_SOURCE_DIR") + u"/data/"_s + file);
    QVERIFY(contents.opened);
    QCOMPARE(contents.unreadLines, 0);
    const analysis::PeriodFit fit = analysis::fitPeriod(pressesOf(contents.rows), false);
    QVERIFY(fit.ok());
    QCOMPARE(fit.swings, swings);
    QCOMPARE(QList<int>(fit.missed.begin(), fit.missed.end()), missed);
    QCOMPARE(QList<int>(fit.doubled.begin(), fit.doubled.end()), doubled);
    // Two standard errors, the 95 % band a class reports: one would fail a
    // third of honest runs, three would still pass an error stated half as
    // large as it is. The file is fixed, so the outcome is too.
    QVERIFY2(std::abs(fit.period.value - truePeriod) <= 2 * fit.period.se,
             qPrintable(u"%1 ± %2 s"_s.arg(fit.period.value).arg(fit.period.se)));
    // The first-and-last estimate shown beside it is another, blunter one.
    QVERIFY(std::isfinite(fit.firstLastPeriod.value));
    QVERIFY(fit.firstLastPeriod.value != fit.period.value);
    QVERIFY(fit.firstLastPeriod.se > fit.period.se);
    if (!missed.isEmpty() || !doubled.isEmpty())
        return;

    // Every press one swing on: the closed form over n = 0 … N−1, on the
    // times as the file holds them.
    std::vector<double> times;
    for (const ReadRow& row : contents.rows) {
        if (row.kind == RowKind::Data)
            times.push_back(row.elapsed);
    }
    QCOMPARE(int(times.size()), swings + 1);
    const StraightLineFit expected = straightLineFit(times);
    QVERIFY(agreesTo9Digits(fit.period.value, expected.slope));
    QVERIFY(agreesTo9Digits(fit.period.se, expected.slopeSe));
}

QTEST_APPLESS_MAIN(PendulumRunTest)
#include "tst_pendulumrun.moc"
