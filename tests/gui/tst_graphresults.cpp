#include "graph/ResultFormatting.h"
#include "graph/ResultText.h"

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
    void unitFromTheColumnTitle_data();
    void unitFromTheColumnTitle();
    void coolingFitForAWorksheet();
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

QTEST_MAIN(GraphResultsTest)
#include "tst_graphresults.moc"
