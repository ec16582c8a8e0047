#include "analysis/PeriodFit.h"

#include "support/StraightLineFit.h"

#include <QList>
#include <QTest>

#include <cmath>
#include <vector>

using analysis::PeriodFit;
using analysis::Press;

namespace
{

// Human scatter: uniform within ±0.05 s, the same for the same seed.
struct Scatter {
    quint64 state;
    double next()
    {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return 0.1 * (double(state >> 11) / 9007199254740992.0 - 0.5);
    }
};

} // namespace

class PeriodFitTest final : public QObject
{
    Q_OBJECT
private slots:
    void pendulum_data();
    void pendulum();
    void matchesLeastSquares_data();
    void matchesLeastSquares();
};

void PeriodFitTest::pendulum_data()
{
    QTest::addColumn<bool>("halfSwing");
    QTest::addColumn<int>("skipped");      // swing not pressed, −1 none
    QTest::addColumn<int>("doubledAt");    // swing pressed twice, −1 none
    QTest::addColumn<double>("doubleGap"); // s from that swing's press to the second one
    QTest::addColumn<int>("ngAt");         // swing whose press is marked NG, −1 none
    QTest::addColumn<QList<int>>("missed");
    QTest::addColumn<QList<int>>("doubled");

    // 24 swings of 2 s pressed by hand, swing k at reading k + 1 until a
    // skip (one fewer after it) or a double (one more).
    QTest::newRow("every swing") << false << -1 << -1 << 0.0 << -1 << QList<int>{} << QList<int>{};
    // Swing 7 not pressed: reading 8 (swing 8) ends the long lap. Swing 12
    // (reading 12) pressed again 0.2 s later: reading 13. Swing 17 NG.
    QTest::newRow("skipped, bounced, NG")
        << false << 7 << 12 << 0.2 << 17 << QList<int>{8} << QList<int>{13};
    // A stray press 0.25 s before swing 5's on-time press: it comes first
    // and ends a lap of nearly one swing, yet it is the stray (reading 6), not
    // the press on time (reading 7) after it. Swing 16 (reading 17) ends the
    // lap of the skipped swing 15.
    QTest::newRow("pressed early then on time, skipped, NG")
        << false << 15 << 5 << -0.25 << 9 << QList<int>{17} << QList<int>{6};
    // NG at swing 9 right before the skipped swing 10: the long lap to
    // reading 11 holds the NG press's swing and the missed one.
    QTest::newRow("NG next to the skip")
        << false << 10 << -1 << 0.0 << 9 << QList<int>{11} << QList<int>{};
    // Pressed at each pass through the centre, 1 s apart: the period is 2 s.
    // Swing 3 bounced (reading 5); swing 21 (reading 22) after the skip.
    QTest::newRow("half swings, skipped, bounced")
        << true << 20 << 3 << 0.15 << -1 << QList<int>{22} << QList<int>{5};
}

void PeriodFitTest::pendulum()
{
    QFETCH(bool, halfSwing);
    QFETCH(int, skipped);
    QFETCH(int, doubledAt);
    QFETCH(double, doubleGap);
    QFETCH(int, ngAt);
    QFETCH(QList<int>, missed);
    QFETCH(QList<int>, doubled);
    constexpr double period = 2.0, start = 4.37;
    constexpr int swings = 24;
    const double interval = halfSwing ? period / 2 : period;
    Scatter scatter{7};
    std::vector<Press> presses;
    int reading = 0;
    for (int k = 0; k < swings; ++k) {
        const double t = start + interval * k + scatter.next();
        if (k == skipped)
            continue;
        if (k == doubledAt && doubleGap < 0)
            presses.push_back({++reading, t + doubleGap, false, false});
        presses.push_back({++reading, t, k == ngAt, false});
        if (k == doubledAt && doubleGap > 0)
            presses.push_back({++reading, t + doubleGap, false, false});
    }
    const PeriodFit fit = analysis::fitPeriod(presses, halfSwing);
    QVERIFY(fit.ok());
    QCOMPARE(fit.swings, swings - 1);
    QCOMPARE(fit.points, swings - (skipped >= 0) - (ngAt >= 0));
    QCOMPARE(QList<int>(fit.missed.begin(), fit.missed.end()), missed);
    QCOMPARE(QList<int>(fit.doubled.begin(), fit.doubled.end()), doubled);
    // Within three standard errors of the truth, both estimates; and the fit
    // over every press several times sharper than first and last alone.
    QVERIFY2(std::abs(fit.period.value - period) <= 3 * fit.period.se,
             qPrintable(QStringLiteral("%1 ± %2").arg(fit.period.value).arg(fit.period.se)));
    QVERIFY(std::abs(fit.start.value - start) <= 3 * fit.start.se);
    QVERIFY(std::abs(fit.firstLastPeriod.value - period) <= 3 * fit.firstLastPeriod.se);
    QVERIFY(fit.period.se < fit.firstLastPeriod.se / 2);
    // Uniform ±0.05 s has an sd of 0.029 s.
    QVERIFY(fit.residualSd > 0.015 && fit.residualSd < 0.045);
}

void PeriodFitTest::matchesLeastSquares_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("interval");
    QTest::addColumn<bool>("halfSwing");

    QTest::newRow("metronome") << 1.25 << 0.5 << false;
    QTest::newRow("a day into the measurement") << 86400.0 << 1.7 << false;
    QTest::newRow("half swings") << 0.8 << 1.1 << true;
}

void PeriodFitTest::matchesLeastSquares()
{
    QFETCH(double, start);
    QFETCH(double, interval);
    QFETCH(bool, halfSwing);
    constexpr int count = 30;
    Scatter scatter{11};
    std::vector<Press> presses;
    for (int k = 0; k < count; ++k)
        presses.push_back({k + 1, start + interval * k + 0.3 * scatter.next(), false, false});
    const PeriodFit fit = analysis::fitPeriod(presses, halfSwing);
    QVERIFY(fit.ok());

    std::vector<double> times;
    for (const Press& p : presses)
        times.push_back(p.elapsed);
    const StraightLineFit expected = straightLineFit(times);
    const double factor = halfSwing ? 2.0 : 1.0;
    QVERIFY(agreesTo9Digits(fit.period.value, factor * expected.slope));
    QVERIFY(agreesTo9Digits(fit.period.se, factor * expected.slopeSe));
    QVERIFY(agreesTo9Digits(fit.start.value, expected.start));
    QVERIFY(agreesTo9Digits(fit.start.se, expected.startSe));
    QVERIFY(agreesTo9Digits(fit.residualSd, expected.residualSd));
    QCOMPARE(fit.swings, count - 1);
    QVERIFY(fit.missed.empty() && fit.doubled.empty());
}

QTEST_APPLESS_MAIN(PeriodFitTest)
#include "tst_periodfit.moc"
