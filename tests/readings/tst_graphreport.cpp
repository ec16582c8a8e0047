#include "exports/JsonReport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace
{

struct Point {
    double elapsed;
    double lap;
    double target;
    bool rejected;
};

DataFileContents contentsOf(const QList<Point>& points)
{
    DataFileContents contents;
    contents.opened = true;
    ReadRow title;
    title.kind = RowKind::ColumnTitle;
    contents.rows.append(title);
    for (int i = 0; i < points.size(); ++i) {
        ReadRow row;
        row.number = i;
        row.elapsed = points[i].elapsed;
        row.lap = points[i].lap;
        row.target = points[i].target;
        row.rejected = points[i].rejected;
        contents.rows.append(row);
    }
    return contents;
}

QJsonObject parsed(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        qWarning() << error.errorString() << json;
    return document.object();
}

} // namespace

Q_DECLARE_METATYPE(DataFileContents)

class GraphReportTest final : public QObject
{
    Q_OBJECT
private slots:
    void numbersKeepEveryDigit_data();
    void numbersKeepEveryDigit();
    void report_data();
    void report();
    void linearFitParameters();
    void coolingFitNamesItsParameters();
    void unreadableFilesAndFailedFits_data();
    void unreadableFilesAndFailedFits();
};

void GraphReportTest::numbersKeepEveryDigit_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("json");
    QTest::newRow("tenth") << 0.1 << "0.10000000000000001"_ba;
    QTest::newRow("integer") << 42.0 << "42"_ba;
    QTest::newRow("tiny") << 5e-324 << "4.9406564584124654e-324"_ba;
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << "null"_ba;
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << "null"_ba;
}

void GraphReportTest::numbersKeepEveryDigit()
{
    QFETCH(double, value);
    QFETCH(QByteArray, json);
    QCOMPARE(jsonNumber(value), json);
}

// Counts and lap statistics: reading 000 and NG readings stay out of the laps.
void GraphReportTest::report_data()
{
    QTest::addColumn<QList<Point>>("points");
    QTest::addColumn<int>("readings");
    QTest::addColumn<int>("rejected");
    QTest::addColumn<int>("lapCount");
    QTest::addColumn<double>("mean");
    QTest::addColumn<double>("sd"); // NaN: null in the report

    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("three laps") << QList<Point>{{0, 0, 80, false},
                                                {1, 1, 70, false},
                                                {3, 2, 60, false},
                                                {6, 3, 50, false}}
                                << 4 << 0 << 3 << 2.0 << 1.0;
    QTest::newRow("NG lap left out") << QList<Point>{{0, 0, 80, false},
                                                     {1, 1, 70, false},
                                                     {101, 100, 10, true},
                                                     {103, 2, 60, false}}
                                     << 4 << 1 << 2 << 1.5 << std::sqrt(0.5);
    QTest::newRow("one lap: no sd")
        << QList<Point>{{0, 0, 80, false}, {4, 4, 70, false}} << 2 << 0 << 1 << 4.0 << nan;
    QTest::newRow("only reading 000")
        << QList<Point>{{0, 0, 80, false}} << 1 << 0 << 0 << nan << nan;
}

void GraphReportTest::report()
{
    QFETCH(QList<Point>, points);
    QFETCH(int, readings);
    QFETCH(int, rejected);
    QFETCH(int, lapCount);
    QFETCH(double, mean);
    QFETCH(double, sd);

    const Report report = buildReport(u"DATA/QMK.csv"_s, contentsOf(points), {});
    QVERIFY(report.ok);
    QVERIFY(report.json.endsWith('\n'));
    QCOMPARE(report.json.count('\n'), 1);
    const QJsonObject json = parsed(report.json);
    QCOMPARE(json.value("file"_L1).toString(), u"DATA/QMK.csv"_s);
    QCOMPARE(json.value("readings"_L1).toInt(), readings);
    QCOMPARE(json.value("rejected"_L1).toInt(), rejected);
    QVERIFY(json.contains("fit"_L1) && json.value("fit"_L1).isNull());
    const QJsonObject laps = json.value("laps"_L1).toObject();
    QCOMPARE(laps.value("count"_L1).toInt(), lapCount);
    if (std::isnan(mean))
        QVERIFY(laps.value("mean"_L1).isNull());
    else
        QCOMPARE(laps.value("mean"_L1).toDouble(), mean);
    if (std::isnan(sd))
        QVERIFY(laps.value("sd"_L1).isNull() && laps.value("sem"_L1).isNull());
    else
        QVERIFY(std::abs(laps.value("sd"_L1).toDouble() - sd) < 1e-15);
}

// An exact line with an NG outlier: the outlier must not move the fit.
void GraphReportTest::linearFitParameters()
{
    QList<Point> points;
    for (int i = 0; i < 6; ++i)
        points.append({10.0 * i, 10.0, 2.0 + 0.5 * 10.0 * i, false});
    points.append({70.0, 10.0, 1000.0, true});
    const Report report = buildReport(u"f"_s, contentsOf(points), {FitChoice::Linear, false, {}});
    QVERIFY(report.ok);
    const QJsonObject fit = parsed(report.json).value("fit"_L1).toObject();
    QCOMPARE(fit.value("model"_L1).toString(), u"linear"_s);
    QCOMPARE(fit.value("points"_L1).toInt(), 6);
    const QJsonObject parameters = fit.value("parameters"_L1).toObject();
    QCOMPARE(parameters.keys(), (QStringList{u"intercept"_s, u"slope"_s}));
    QVERIFY(std::abs(parameters.value("intercept"_L1)["value"_L1].toDouble() - 2.0) < 1e-12);
    QVERIFY(std::abs(parameters.value("slope"_L1)["value"_L1].toDouble() - 0.5) < 1e-14);
    QVERIFY(std::abs(fit.value("r2"_L1).toDouble() - 1.0) < 1e-12);
    QVERIFY(!fit.contains("time_constant"_L1));
}

void GraphReportTest::coolingFitNamesItsParameters()
{
    QList<Point> points;
    for (int i = 0; i < 20; ++i) {
        const double t = 30.0 * i;
        points.append({t, 30.0, 20.0 + 60.0 * std::exp(-t / 200.0) + 0.01 * ((i % 3) - 1), false});
    }
    const Report report = buildReport(u"f"_s, contentsOf(points), {FitChoice::Cooling, false, {}});
    QVERIFY2(report.ok, qPrintable(report.error));
    const QJsonObject fit = parsed(report.json).value("fit"_L1).toObject();
    QCOMPARE(fit.value("model"_L1).toString(), u"cooling"_s);
    QCOMPARE(fit.value("parameters"_L1).toObject().keys(),
             (QStringList{u"ambient"_s, u"initial"_s, u"rate"_s}));
    const QJsonObject tau = fit.value("time_constant"_L1).toObject();
    const QJsonObject half = fit.value("half_time"_L1).toObject();
    QVERIFY(std::abs(tau.value("value"_L1).toDouble() - 200.0) < 1.0);
    QVERIFY(std::abs(half.value("value"_L1).toDouble() - 200.0 * std::log(2.0)) < 1.0);
    // The rate's relative error, carried over.
    const QJsonObject rate = fit.value("parameters"_L1)["rate"_L1].toObject();
    const double relative = rate.value("se"_L1).toDouble() / rate.value("value"_L1).toDouble();
    QVERIFY(relative > 0);
    QCOMPARE(tau.value("se"_L1).toDouble(), relative * tau.value("value"_L1).toDouble());
    QCOMPARE(half.value("se"_L1).toDouble(), relative * half.value("value"_L1).toDouble());
}

void GraphReportTest::unreadableFilesAndFailedFits_data()
{
    QTest::addColumn<DataFileContents>("contents");
    QTest::addColumn<int>("model"); // -1 none, else analysis::Model
    QTest::addColumn<QString>("message");

    DataFileContents missing;
    missing.openError = u"ファイルがありません"_s;
    QTest::newRow("not opened") << missing << -1 << u"ファイルがありません"_s;
    DataFileContents empty;
    empty.opened = true;
    QTest::newRow("empty") << empty << -1 << u"空のファイル"_s;
    DataFileContents garbage;
    garbage.opened = true;
    garbage.firstProblem = ReadProblem{1, u"?"_s};
    QTest::newRow("not a data file") << garbage << -1 << u"データファイルではありません"_s;
    const DataFileContents two = contentsOf({{0, 0, 80, false}, {1, 1, 70, false}});
    QTest::newRow("too few for a line") << two << int(analysis::Model::Linear) << u"少なすぎ"_s;
    QTest::newRow("too few for cooling") << two << int(analysis::Model::Cooling) << u"少なすぎ"_s;
}

void GraphReportTest::unreadableFilesAndFailedFits()
{
    QFETCH(DataFileContents, contents);
    QFETCH(int, model);
    QFETCH(QString, message);
    const FitChoice fit = model < 0                                           ? FitChoice::None
                          : analysis::Model(model) == analysis::Model::Linear ? FitChoice::Linear
                                                                              : FitChoice::Cooling;
    const Report report = buildReport(u"DATA/QMK.csv"_s, contents, {fit, false, {}});
    QVERIFY(!report.ok);
    QVERIFY(report.json.isEmpty());
    QVERIFY2(report.error.startsWith(u"DATA/QMK.csv: "_s), qPrintable(report.error));
    QVERIFY2(report.error.contains(message), qPrintable(report.error));
}

QTEST_GUILESS_MAIN(GraphReportTest)
#include "tst_graphreport.moc"
