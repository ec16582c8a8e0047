#include "analysis/Fits.h"

#include <QList>
#include <QTest>

#include <cmath>
#include <limits>

using analysis::FitFailure;
using analysis::FitResult;

Q_DECLARE_METATYPE(analysis::FitFailure)

namespace
{

constexpr double noValue = std::numeric_limits<double>::quiet_NaN();
constexpr double infinite = std::numeric_limits<double>::infinity();

// |actual − expected| within 10^−digits of |expected|.
bool agrees(double actual, double expected, int digits)
{
    return std::abs(actual - expected) <= std::pow(10.0, -digits) * std::abs(expected);
}

#define QVERIFY_AGREES(actual, expected, digits)                                                   \
    QVERIFY2(agrees((actual), (expected), (digits)),                                               \
             qPrintable(QStringLiteral(#actual " = %1, expected %2")                               \
                            .arg((actual), 0, 'g', 17)                                             \
                            .arg((expected), 0, 'g', 17)))

// NIST Statistical Reference Datasets, linear regression, "Norris" (calibration
// of ozone monitors, 36 observations), data and certified values as published
// at https://www.itl.nist.gov/div898/strd/lls/data/Norris.shtml (transcribed
// from the copies in Stata's certification scripts, stata.com/support/cert/
// nist9/regression/norris.do; an exact rational fit of these points gives the
// certified values to all 15 digits).
const QList<double> norrisX{0.2,   337.4, 118.2, 884.6, 10.1,  226.5, 666.3, 996.3, 448.6,
                            777.0, 558.2, 0.4,   0.6,   775.5, 666.9, 338.0, 447.5, 11.6,
                            556.0, 228.1, 995.8, 887.6, 120.2, 0.3,   0.3,   556.8, 339.1,
                            887.2, 999.0, 779.0, 11.1,  118.3, 229.2, 669.1, 448.9, 0.5};
const QList<double> norrisY{0.1,   338.8, 118.1, 888.0, 9.2,   228.1, 668.5, 998.5, 449.1,
                            778.9, 559.2, 0.3,   0.1,   778.1, 668.8, 339.3, 448.9, 10.8,
                            557.7, 228.3, 998.0, 888.8, 119.6, 0.3,   0.6,   557.6, 339.3,
                            888.0, 998.5, 778.9, 10.2,  117.6, 228.9, 668.4, 449.2, 0.2};

QList<double> shifted(QList<double> values, double by)
{
    for (double& v : values)
        v += by;
    return values;
}

} // namespace

class FitsTest final : public QObject
{
    Q_OBJECT
private slots:
    void linearCertified_data();
    void linearCertified();
    void linearExact_data();
    void linearExact();
    void coolingReference_data();
    void coolingReference();
    void coolingRecoversCurve_data();
    void coolingRecoversCurve();
    void coolingAtAnyScale_data();
    void coolingAtAnyScale();
    void failures_data();
    void failures();
};

void FitsTest::linearCertified_data()
{
    QTest::addColumn<QList<double>>("t");
    QTest::addColumn<QList<double>>("y");
    QTest::addColumn<double>("intercept");
    QTest::addColumn<double>("interceptSe");
    QTest::addColumn<double>("slope");
    QTest::addColumn<double>("slopeSe");
    QTest::addColumn<double>("residualSd");
    QTest::addColumn<double>("r2");

    QTest::newRow("Norris") << norrisX << norrisY << -0.262323073774029 << 0.232818234301152
                            << 1.00211681802045 << 0.429796848199937E-03 << 0.884796396144373
                            << 0.999993745883712;
    // The same points 10⁶ s (11.6 days) into a measurement. From the certified
    // values: intercept − 10⁶·slope, and the intercept's standard error
    // √(se₀² + (2·10⁶·x̄ + 10¹²)·se₁²) with x̄ the mean of the times above.
    QTest::newRow("Norris, 10^6 s later")
        << shifted(norrisX, 1e6) << norrisY << -1002117.08034352377 << 429.977034775339
        << 1.00211681802045 << 0.429796848199937E-03 << 0.884796396144373 << 0.999993745883712;
}

void FitsTest::linearCertified()
{
    QFETCH(QList<double>, t);
    QFETCH(QList<double>, y);
    QFETCH(double, intercept);
    QFETCH(double, interceptSe);
    QFETCH(double, slope);
    QFETCH(double, slopeSe);
    QFETCH(double, residualSd);
    QFETCH(double, r2);
    const FitResult r = analysis::fitLinear(t, y);
    QVERIFY(r.ok());
    QCOMPARE(r.model, analysis::Model::Linear);
    QCOMPARE(r.points, 36);
    QCOMPARE(r.parameters.size(), 2u);
    QCOMPARE(r.parameters[0].name, "intercept");
    QCOMPARE(r.parameters[1].name, "slope");
    QVERIFY_AGREES(r.parameters[0].value, intercept, 9);
    QVERIFY_AGREES(r.parameters[0].se, interceptSe, 9);
    QVERIFY_AGREES(r.parameters[1].value, slope, 9);
    QVERIFY_AGREES(r.parameters[1].se, slopeSe, 9);
    QVERIFY_AGREES(r.residualSd, residualSd, 9);
    // R² so close to 1 is compared by what it leaves unexplained.
    QVERIFY_AGREES(1.0 - r.r2, 1.0 - r2, 6);
}

void FitsTest::linearExact_data()
{
    QTest::addColumn<QList<double>>("t");
    QTest::addColumn<QList<double>>("y");
    QTest::addColumn<double>("intercept");
    QTest::addColumn<double>("slope");

    QTest::newRow("three points on a line")
        << QList<double>{0, 2, 6} << QList<double>{2, 3, 5} << 2.0 << 0.5;
    QTest::newRow("falling, unsorted times")
        << QList<double>{4, 1, 3, 2} << QList<double>{-7, 2, -4, -1} << 5.0 << -3.0;
    // A thermometer that did not move: a flat line, nothing left unexplained.
    QTest::newRow("constant values")
        << QList<double>{0, 10, 20, 30} << QList<double>{21.5, 21.5, 21.5, 21.5} << 21.5 << 0.0;
}

void FitsTest::linearExact()
{
    QFETCH(QList<double>, t);
    QFETCH(QList<double>, y);
    QFETCH(double, intercept);
    QFETCH(double, slope);
    const FitResult r = analysis::fitLinear(t, y);
    QVERIFY(r.ok());
    QCOMPARE(r.parameters[0].value, intercept);
    QCOMPARE(r.parameters[1].value, slope);
    QCOMPARE(r.r2, 1.0);
    QVERIFY(r.residualSd < 1e-14);
    QVERIFY(r.parameters[0].se < 1e-14 && r.parameters[1].se < 1e-14);
    QCOMPARE(r.valueAt(10.0), intercept + 10.0 * slope);
}

void FitsTest::coolingReference_data()
{
    QTest::addColumn<QList<double>>("t");
    QTest::addColumn<QList<double>>("y");
    QTest::addColumn<QList<double>>("values"); // ambient, initial, rate
    QTest::addColumn<QList<double>>("se");
    QTest::addColumn<double>("r2");
    QTest::addColumn<double>("residualSd");
    QTest::addColumn<int>("digits"); // of the parameters; one fewer for their se

    // The points are a cooling law plus uniform noise from a fixed linear
    // congruential generator, rounded as a thermometer shows them. The
    // reference values are SciPy 1.10.1's (Debian 12 python3-scipy, NumPy
    // 1.24.2) scipy.optimize.curve_fit(f, t, y, p0=[y[-1], y[0], 1/(t[-1] − t[0])],
    // method='lm', ftol=xtol=gtol=1e-15) with f = ambient + (initial −
    // ambient)·exp(−rate·t); se = √diag(pcov), pcov scaled by SSR/(n − 3) as
    // curve_fit does by default; R² = 1 − SSR/Σ(y − ȳ)², residual sd
    // √(SSR/(n − 3)). gnuplot 5.4's fit agrees with them to 5–6 digits (it
    // stops on a looser test).
    QTest::newRow("cooling, 21 readings")
        << QList<double>{0,   30,  60,  90,  120, 150, 180, 210, 240, 270, 300,
                         330, 360, 390, 420, 450, 480, 510, 540, 570, 600}
        << QList<double>{78.0, 71.1, 65.3, 60.2, 55.9, 51.4, 48.2, 44.7, 42.1, 39.5, 37.3,
                         35.6, 33.8, 32.4, 31.5, 30.1, 29.2, 28.2, 27.5, 26.8, 26.2}
        << QList<double>{21.795367629822742, 77.988309555161464, 0.0042481532972362115}
        << QList<double>{0.15345359191955066, 0.1131662104196943, 3.2205412729903864e-05}
        << 0.99991025635018604 << 0.15569399238418036 << 7;
    QTest::newRow("warming, uneven times from before zero")
        << QList<double>{-1.42,  15.59,  29.44,  44.68,  60.87,  75.98,  91.24,
                         106.05, 120.36, 136.48, 150.88, 166.36, 179.65, 194.81,
                         209.47, 224.34, 240.13, 254.98, 268.71, 283.56, 298.56}
        << QList<double>{3.63,  6.85,  9.06,  11.03, 12.79, 14.22, 15.32,
                         16.39, 17.19, 18.06, 18.67, 19.15, 19.56, 19.84,
                         20.22, 20.43, 20.68, 20.85, 20.96, 21.13, 21.35}
        << QList<double>{21.919758253250933, 3.9564128619748762, 0.011163185059750471}
        << QList<double>{0.035225419562228279, 0.040420221855917808, 7.4197723485051431e-05}
        << 0.99990050326918456 << 0.054128752257031655 << 7;
    QTest::newRow("five readings")
        << QList<double>{0, 40, 90, 160, 300} << QList<double>{60.0, 50.3, 41.9, 34.6, 28.2}
        << QList<double>{25.188167726220207, 60.001466598548447, 0.0081641918138713188}
        << QList<double>{0.030600710169583163, 0.01533072370294709, 1.7586031027069823e-05}
        << 0.99999915375573623 << 0.01636699794428895 << 7;
    // A range that starts late: initial is the curve's value at t = 0, not at
    // the first reading of the range.
    QTest::newRow("range from 400 s")
        << QList<double>{400, 425, 450, 475, 500, 525, 550, 575, 600, 625, 650,
                         675, 700, 725, 750, 775, 800, 825, 850, 875, 900}
        << QList<double>{41.0, 39.6, 38.1, 36.7, 35.6, 34.4, 33.4, 32.4, 31.7, 30.8, 29.9,
                         29.1, 28.6, 28.0, 27.2, 26.9, 26.2, 25.8, 25.5, 25.1, 24.7}
        << QList<double>{19.972527907696268, 89.788768732812514, 0.0029963048688600434}
        << QList<double>{0.21954101138730575, 1.3500022336359927, 6.0725794057020087e-05}
        << 0.99973065446998988 << 0.08679849799224755 << 7;
    // Hardly bent: the readings fix the ambient only to ±16, its minimum is
    // flat, and the start found by the search already lies at it. Points as
    // above (24 + 46·e^(−0.001·t), noise ±0.4, seed 23); reference from the
    // same curve_fit call with the analytic Jacobian, method='trf' and
    // x_scale='jac' (its 'lm' stops earlier here: the two differ in the sixth
    // digit of the ambient, and this fit's sum of squares is lower than lm's).
    QList<double> everyTenSeconds;
    for (int i = 0; i < 30; ++i)
        everyTenSeconds << 10.0 * i;
    QTest::newRow("barely bent")
        << everyTenSeconds
        << QList<double>{70.26, 69.65, 69.0,  68.6,  68.15, 67.82, 67.22, 67.25, 66.26, 65.82,
                         65.78, 65.45, 64.86, 64.72, 63.96, 63.95, 63.5,  62.61, 62.37, 61.71,
                         61.4,  61.68, 61.24, 60.53, 60.13, 60.11, 59.19, 59.23, 58.91, 58.23}
        << QList<double>{18.819540808912539, 70.03770907531873, 0.00088745205237156309}
        << QList<double>{15.664644302081161, 0.11865724202865456, 0.00030796783739420023}
        << 0.99620329478161052 << 0.2256335166733984 << 6;
}

void FitsTest::coolingReference()
{
    QFETCH(QList<double>, t);
    QFETCH(QList<double>, y);
    QFETCH(QList<double>, values);
    QFETCH(QList<double>, se);
    QFETCH(double, r2);
    QFETCH(double, residualSd);
    QFETCH(int, digits);
    const FitResult r = analysis::fitCooling(t, y);
    QVERIFY(r.ok());
    QCOMPARE(r.model, analysis::Model::Cooling);
    QCOMPARE(r.points, t.size());
    QCOMPARE(r.parameters.size(), 3u);
    const char* names[] = {"ambient", "initial", "rate"};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(r.parameters[i].name, names[i]);
        QVERIFY_AGREES(r.parameters[i].value, values[i], digits);
        QVERIFY_AGREES(r.parameters[i].se, se[i], digits - 1);
    }
    QVERIFY_AGREES(1.0 - r.r2, 1.0 - r2, 6);
    QVERIFY_AGREES(r.residualSd, residualSd, 9);
    QVERIFY_AGREES(r.timeConstant, 1.0 / values[2], digits);
    QVERIFY_AGREES(r.halfTime, std::log(2.0) / values[2], digits);
}

void FitsTest::coolingRecoversCurve_data()
{
    QTest::addColumn<double>("ambient");
    QTest::addColumn<double>("initial");
    QTest::addColumn<double>("rate");
    QTest::addColumn<double>("firstTime");
    QTest::addColumn<double>("step");
    QTest::addColumn<int>("count");

    // Rates from a curve that bends a few percent over the readings to one
    // that is settled after a tenth of them: the starting values must find
    // every one without help.
    QTest::newRow("cup of tea") << 21.0 << 85.0 << 0.002 << 0.0 << 10.0 << 120;
    QTest::newRow("warming from the fridge") << 22.0 << 5.0 << 0.0005 << 0.0 << 60.0 << 200;
    QTest::newRow("bends 5 % over the readings") << 20.0 << 80.0 << 0.0001 << 0.0 << 1.0 << 500;
    QTest::newRow("settled after a tenth") << 20.0 << 80.0 << 0.5 << 0.0 << 1.0 << 100;
    QTest::newRow("an hour into the measurement") << 18.0 << 95.0 << 0.001 << 3600.0 << 5.0 << 400;
    QTest::newRow("negative values") << -12.0 << 4.0 << 0.05 << 0.0 << 0.5 << 300;
    QTest::newRow("100 000 readings") << 20.0 << 80.0 << 0.0005 << 0.0 << 0.1 << 100000;
}

void FitsTest::coolingRecoversCurve()
{
    QFETCH(double, ambient);
    QFETCH(double, initial);
    QFETCH(double, rate);
    QFETCH(double, firstTime);
    QFETCH(double, step);
    QFETCH(int, count);
    QList<double> t, y;
    for (int i = 0; i < count; ++i) {
        t << firstTime + step * i;
        y << ambient + (initial - ambient) * std::exp(-rate * t.last());
    }
    const FitResult r = analysis::fitCooling(t, y);
    QVERIFY(r.ok());
    QVERIFY_AGREES(r.parameters[0].value, ambient, 8);
    QVERIFY_AGREES(r.parameters[1].value, initial, 8);
    QVERIFY_AGREES(r.parameters[2].value, rate, 8);
    QVERIFY_AGREES(r.valueAt(t.last()), y.last(), 10);
    QVERIFY(r.r2 > 1.0 - 1e-12);
}

void FitsTest::coolingAtAnyScale_data()
{
    QTest::addColumn<double>("scale");     // of every value
    QTest::addColumn<double>("firstTime"); // s
    QTest::addColumn<double>("noise");     // relative, about normal
    QTest::addColumn<int>("seeds");

    // 40 readings a minute apart of scale·(20 + 60·e^(−(t − firstTime)/600)):
    // the same curve in other units, near exact, or far into a measurement.
    QTest::newRow("values 1e9") << 1e9 << 0.0 << 1e-6 << 3;
    QTest::newRow("values 1e12") << 1e12 << 0.0 << 1e-6 << 3;
    QTest::newRow("values 1e-11") << 1e-11 << 0.0 << 1e-6 << 3;
    QTest::newRow("values 1e-14") << 1e-14 << 0.0 << 1e-6 << 3;
    QTest::newRow("values 1e300") << 1e300 << 0.0 << 1e-6 << 3;
    QTest::newRow("noise 1e-12") << 1.0 << 0.0 << 1e-12 << 10;
    QTest::newRow("noise 1e-11") << 1.0 << 0.0 << 1e-11 << 10;
    QTest::newRow("noise 1e-10") << 1.0 << 0.0 << 1e-10 << 10;
    QTest::newRow("noise 1e-9") << 1.0 << 0.0 << 1e-9 << 10;
    QTest::newRow("from 1e6 s") << 1.0 << 1e6 << 1e-6 << 3;
    QTest::newRow("from 1e6 s, near exact") << 1.0 << 1e6 << 1e-12 << 3;
    QTest::newRow("from 1e6 s, values 1e-14") << 1e-14 << 1e6 << 1e-6 << 3;
}

void FitsTest::coolingAtAnyScale()
{
    QFETCH(double, scale);
    QFETCH(double, firstTime);
    QFETCH(double, noise);
    QFETCH(int, seeds);
    const double ambient = 20.0 * scale, start = 80.0 * scale, rate = 1.0 / 600.0;
    // Within six standard errors of the truth, with standard errors of the
    // size the noise gives (not so wide that anything passes).
    const auto near = [noise](const char* what, double value, double se, double truth) {
        const bool ok = std::abs(value - truth) <= 6.0 * se + 1e-14 * std::abs(truth) &&
                        se <= 1e3 * noise * std::abs(truth);
        if (!ok)
            qWarning("%s = %.17g ± %.3g, truth %.17g", what, value, se, truth);
        return ok;
    };
    for (int seed = 1; seed <= seeds; ++seed) {
        quint64 state = 0x9E3779B97F4A7C15ull * quint64(seed);
        const auto uniform = [&state] {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            return double(state >> 11) / 9007199254740992.0;
        };
        QList<double> t, y;
        for (int i = 0; i < 40; ++i) {
            double normal = -6.0;
            for (int k = 0; k < 12; ++k)
                normal += uniform();
            t << firstTime + 60.0 * i;
            y << (ambient + (start - ambient) * std::exp(-rate * 60.0 * i)) *
                     (1.0 + noise * normal);
        }
        const FitResult r = analysis::fitCooling(t, y);
        QVERIFY2(r.ok(), qPrintable(QStringLiteral("seed %1").arg(seed)));
        QVERIFY(near("ambient", r.parameters[0].value, r.parameters[0].se, ambient));
        QVERIFY(near("rate", r.parameters[2].value, r.parameters[2].se, rate));
        QCOMPARE(r.atFirstTime.t, firstTime);
        QVERIFY(near("at first time", r.atFirstTime.value, r.atFirstTime.se, start));
        if (firstTime == 0.0) {
            QCOMPARE(r.parameters[1].value, r.atFirstTime.value);
        } else {
            // e^(10⁶/600) is beyond a double: no value at t = 0 to give.
            QVERIFY(std::isnan(r.parameters[1].value) && std::isnan(r.parameters[1].se));
        }
        QVERIFY_AGREES(r.valueAt(firstTime + 600.0), ambient + (start - ambient) / std::exp(1.0),
                       5);
    }
}

void FitsTest::failures_data()
{
    QTest::addColumn<bool>("cooling");
    QTest::addColumn<QList<double>>("t");
    QTest::addColumn<QList<double>>("y");
    QTest::addColumn<FitFailure>("failure");
    using L = QList<double>;

    QTest::newRow("line: no point") << false << L{} << L{} << FitFailure::TooFewPoints;
    QTest::newRow("line: two points") << false << L{1, 2} << L{5, 6} << FitFailure::TooFewPoints;
    QTest::newRow("line: all times equal")
        << false << L{3, 3, 3, 3} << L{1, 2, 3, 4} << FitFailure::Degenerate;
    QTest::newRow("line: lengths differ")
        << false << L{1, 2, 3, 4} << L{1, 2, 3} << FitFailure::Degenerate;
    QTest::newRow("line: not a number")
        << false << L{1, 2, 3, 4} << L{1, noValue, 3, 4} << FitFailure::Degenerate;
    QTest::newRow("line: infinite time")
        << false << L{1, 2, infinite, 4} << L{1, 2, 3, 4} << FitFailure::Degenerate;

    QTest::newRow("cooling: three points")
        << true << L{0, 10, 20} << L{80, 50, 40} << FitFailure::TooFewPoints;
    QTest::newRow("cooling: all times equal")
        << true << L{5, 5, 5, 5} << L{80, 60, 50, 45} << FitFailure::Degenerate;
    QTest::newRow("cooling: two different times")
        << true << L{0, 0, 10, 10, 10} << L{80, 81, 50, 51, 50} << FitFailure::Degenerate;
    QTest::newRow("cooling: constant values")
        << true << L{0, 10, 20, 30, 40} << L(5, 21.5) << FitFailure::Degenerate;
    // No bend at all: the ambient could be anywhere along the line.
    QTest::newRow("cooling: straight line")
        << true << L{0, 10, 20, 30, 40, 50, 60} << L{80, 75, 70, 65, 60, 55, 50}
        << FitFailure::Degenerate;
    // 20 + 5·e^(t/200): running away from, not towards, a surrounding value.
    QTest::newRow("cooling: diverging")
        << true << L{0, 100, 200, 300, 400, 500}
        << L{25, 28.2436064, 33.5914091, 42.4084454, 56.9452805, 80.9123276}
        << FitFailure::Degenerate;
    // Settled before the second reading: every faster rate fits as well.
    QTest::newRow("cooling: a single jump")
        << true << L{0, 10, 20, 30, 40, 50} << L{80, 20, 20, 20, 20, 20} << FitFailure::Degenerate;
    QTest::newRow("cooling: noise without a trend")
        << true << L{0, 10, 20, 30, 40, 50, 60, 70}
        << L{20.1, 19.9, 20.0, 20.2, 19.8, 20.1, 20.0, 19.9} << FitFailure::Degenerate;
    QTest::newRow("cooling: lengths differ")
        << true << L{0, 10, 20, 30} << L{80, 60, 50} << FitFailure::Degenerate;
    QTest::newRow("cooling: infinite value")
        << true << L{0, 10, 20, 30, 40} << L{80, 60, -infinite, 45, 42} << FitFailure::Degenerate;
}

void FitsTest::failures()
{
    QFETCH(bool, cooling);
    QFETCH(QList<double>, t);
    QFETCH(QList<double>, y);
    QFETCH(FitFailure, failure);
    const FitResult r = cooling ? analysis::fitCooling(t, y) : analysis::fitLinear(t, y);
    QCOMPARE(r.failure, failure);
    QVERIFY(!r.ok());
    QVERIFY(r.parameters.empty());
    QVERIFY(std::isnan(r.valueAt(0.0)));
}

QTEST_APPLESS_MAIN(FitsTest)
#include "tst_fits.moc"
