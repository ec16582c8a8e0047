#include "readings/ResultFormatting.h"
#include "readings/ResultText.h"

#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

// The results as a worksheet takes them: rounded to their uncertainty, with
// units, and a warning where a number is not determined.
class GraphResultsTest final : public QObject
{
    Q_OBJECT
private slots:
    void roundsToTheUncertainty_data();
    void roundsToTheUncertainty();
    void r2BelowOneNeverReadsAsOne_data();
    void r2BelowOneNeverReadsAsOne();
    void unitFromTheColumnTitle_data();
    void unitFromTheColumnTitle();
    void coolingFitForAWorksheet();
    void periodNamesItsReadings_data();
    void periodNamesItsReadings();
};

void GraphResultsTest::roundsToTheUncertainty_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("se");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("text");
    QTest::newRow("two digits of the error")
        << 19.98765 << 0.012345 << u"℃"_s << u"19.988 ± 0.012 ℃"_s;
    QTest::newRow("error rounding up a place")
        << 1.23456 << 0.0996 << QString() << u"1.23 ± 0.10"_s;
    QTest::newRow("error larger than the value")
        << -5884.97 << 34753.7 << u"℃"_s << u"-6000 ± 35000 ℃"_s;
    QTest::newRow("small rate") << 0.0011110854898 << 2.1e-7 << u"1/s"_s
                                << u"(1.11109 ± 0.00021)×10⁻³ 1/s"_s;
    QTest::newRow("large value") << 1.2345678e9 << 4.5e5 << QString()
                                 << u"(1.23457 ± 0.00045)×10⁹"_s;
    QTest::newRow("exact line") << -0.1 << 1.4e-17 << u"℃/s"_s << u"-0.1 ± 0 ℃/s"_s;
    QTest::newRow("no minus zero") << -0.0004 << 0.012 << QString() << u"0.000 ± 0.012"_s;
    QTest::newRow("no error") << 20.0 << double(NAN) << u"℃"_s << u"20 ± — ℃"_s;
}

void GraphResultsTest::roundsToTheUncertainty()
{
    QFETCH(double, value);
    QFETCH(double, se);
    QFETCH(QString, unit);
    QFETCH(QString, text);
    QCOMPARE(valueWithUncertainty(value, se, unit), text);
}

void GraphResultsTest::r2BelowOneNeverReadsAsOne_data()
{
    QTest::addColumn<double>("r2");
    QTest::addColumn<QString>("text");
    QTest::newRow("six digits do") << 0.98765432 << u"0.987654"_s;
    QTest::newRow("one short of 1 at six digits") << 0.9999996 << u"0.9999996"_s;
    QTest::newRow("closer still") << 0.99999996 << u"0.99999996"_s;
    QTest::newRow("the last double below 1") << std::nextafter(1.0, 0.0) << u"0.9999999999999999"_s;
    QTest::newRow("exactly 1") << 1.0 << u"1"_s;
}

void GraphResultsTest::r2BelowOneNeverReadsAsOne()
{
    QFETCH(double, r2);
    QFETCH(QString, text);
    QCOMPARE(r2Text(r2), text);
}

void GraphResultsTest::unitFromTheColumnTitle_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("unit");
    QTest::newRow("after a space") << u"温度 ℃"_s << u"℃"_s;
    QTest::newRow("after an ideographic space") << u"周回　秒"_s << u"秒"_s;
    QTest::newRow("brackets") << u"長さ [cm]"_s << u"cm"_s;
    QTest::newRow("full-width parentheses") << u"温度（℃）"_s << u"℃"_s;
    QTest::newRow("one word") << u"温度"_s << QString();
}

void GraphResultsTest::unitFromTheColumnTitle()
{
    QFETCH(QString, title);
    QFETCH(QString, unit);
    QCOMPARE(unitOfValueTitle(title), unit);
}

// A cooling fit over readings that hardly bend: ambient and initial are not
// determined, and the text says so in words.
void GraphResultsTest::coolingFitForAWorksheet()
{
    analysis::FitResult fit;
    fit.model = analysis::Model::Cooling;
    fit.points = 40;
    const double rate = 1.0 / 900.0;
    fit.parameters = {
        {"ambient", -5884.97, 34753.7}, {"initial", 80.0123, 0.0456}, {"rate", rate, 0.002 * rate}};
    fit.r2 = 0.99991234;
    fit.residualSd = 0.0512345;
    fit.timeConstant = 900.0;
    fit.halfTime = 900.0 * std::log(2.0);
    const QString text = fitResultText(fit, u"℃"_s);
    for (const QString& line :
         {u"周囲の値 c = -6000 ± 35000 ℃"_s, u"初期値 y0 = 80.012 ± 0.046 ℃"_s,
          u"速さ k = (1.1111 ± 0.0022)×10⁻³ 1/s"_s, u"時定数 1/k = 900.0 ± 1.8 s"_s,
          u"半減期 ln2/k = 623.8 ± 1.2 s"_s, u"残差の標準偏差 = 0.0512 ℃"_s,
          u"注意: 周囲の値 c は標準誤差が値そのものより大きく"_s})
        QVERIFY2(text.contains(line), qPrintable(line + u"\n\n"_s + text));
    QVERIFY2(!text.contains(u"注意: 初期値"_s), qPrintable(text));
}

void GraphResultsTest::periodNamesItsReadings_data()
{
    QTest::addColumn<bool>("halfSwing");
    QTest::addColumn<QList<int>>("missed");
    QTest::addColumn<QList<int>>("doubled");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("one missed, one doubled")
        << false << QList<int>{7} << QList<int>{12}
        << QStringList{u"周期 t = t₀ + T·n（20 点）"_s,
                       u"周期 T（すべての押しの当てはめ） = 2.0034 ± 0.0012 s"_s,
                       u"周期 T（最初と最後の押しだけ） = 2.0040 ± 0.0049 s"_s,
                       u"最初から最後の押しまで 21 周期"_s,
                       u"押し忘れ: 測定回 007（その前のラップを 2 回分以上に数えた）"_s,
                       u"二度押し: 測定回 012（計算に使わない）"_s,
                       u"1 回の押しのばらつき（残差の標準偏差） = 0.043 s（手で計る時間の誤差は、"
                       u"予期できる出来事で約 0.05〜0.1 s）"_s};
    QTest::newRow("half swings, none missed")
        << true << QList<int>{} << QList<int>{}
        << QStringList{u"(T/2)·n（半周期ごとに押した、20 点）"_s,
                       u"最初から最後の押しまで 21 半周期"_s, u"押し忘れ: なし"_s,
                       u"二度押し: なし"_s};
    QTest::newRow("a long list") << false << QList<int>{41, 3,  5,  7,  9,  11, 13, 15, 17,
                                                        19, 21, 23, 25, 27, 29, 31, 33}
                                 << QList<int>{2}
                                 << QStringList{u"押し忘れ: 測定回 003, 005, 007"_s,
                                                u", 029, 031 ほか 2 点"_s};
}

// Both estimates, each said which it is; the readings by the numbers the
// main program showed.
void GraphResultsTest::periodNamesItsReadings()
{
    QFETCH(bool, halfSwing);
    QFETCH(QList<int>, missed);
    QFETCH(QList<int>, doubled);
    QFETCH(QStringList, lines);
    analysis::PeriodFit fit;
    fit.points = 20;
    fit.start = {0.0123, 0.0151};
    fit.period = {2.00341, 0.00118};
    fit.firstLastPeriod = {2.00402, 0.00487};
    fit.swings = 21;
    fit.missed.assign(missed.begin(), missed.end());
    fit.doubled.assign(doubled.begin(), doubled.end());
    fit.r2 = 0.9999987;
    fit.residualSd = 0.04321;
    const QString text = periodResultText(fit, halfSwing);
    for (const QString& line : lines)
        QVERIFY2(text.contains(line), qPrintable(line + u"\n\n"_s + text));
}

QTEST_MAIN(GraphResultsTest)
#include "tst_graphresults.moc"
