#include "exports/ExportFormats.h"
#include "exports/FigureExport.h"
#include "exports/XlsxExport.h"
#include "graph/GraphPlot.h"
#include "readings/MeasurementModel.h"
#include "readings/Results.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

// The tables of the page, the CSV and the workbook say what the window says:
// times to the hundredth (the CSV keeps every digit), the period fit's
// doubled and missed presses, the readings left out and each subject change
// with the reading it came after.
class GraphExportTablesTest final : public QObject
{
    Q_OBJECT
private slots:
    void tablesSayWhatTheWindowSays_data();
    void tablesSayWhatTheWindowSays();
};

namespace
{

// A pendulum of 2 s: reading 4 pressed twice, the swing after reading 7
// missed, reading 10 NG, the subject changed after reading 5.
QList<ReadRow> pendulumRows()
{
    QList<ReadRow> rows;
    ReadRow subject;
    subject.kind = RowKind::Subject;
    subject.texts = {u"振り子"_s, u"糸 1 m"_s, {}, {}, {}};
    rows << subject;
    const QList<double> times{0,     2.01,  3.99,  6.02, 6.3,   8.0,
                              10.01, 11.98, 16.02, 18.0, 19.99, 22.01};
    double previous = 0;
    for (int i = 0; i < times.size(); ++i) {
        ReadRow row;
        row.number = i;
        row.elapsed = times[i];
        row.lap = std::round((times[i] - previous) * 100) / 100;
        row.target = 1.0;
        row.rejected = i == 10;
        previous = times[i];
        rows << row;
        if (i == 5) {
            ReadRow changed;
            changed.kind = RowKind::ChangedSubject;
            changed.texts = {u"振り子"_s, u"糸 50 cm"_s, {}, {}, {}};
            rows << changed;
        }
    }
    return rows;
}

constexpr char16_t Read[] = uR"py(
import json, sys, zipfile, re
path = sys.argv[1]
if path.endswith('.csv'):
    import csv
    with open(path, encoding='utf-8-sig', newline='') as f:
        rows = list(csv.reader(f))[1:]
    print(json.dumps({'rows': [[r[0], r[1], r[2], r[4]] for r in rows],
                      'text': [t for r in rows for t in r[4].split('、')]}))
elif path.endswith('.html'):
    import html5lib
    doc = html5lib.HTMLParser(namespaceHTMLElements=False).parse(open(path, 'rb').read())
    rows = [[td.text or '' for td in r] for r in doc.findall('.//tbody/tr')]
    text = [p.text or '' for p in doc.iter('p')]
    print(json.dumps({'rows': [[r[0], r[1], r[2], r[4]] for r in rows], 'text': text}))
else:
    import openpyxl
    book = openpyxl.load_workbook(path)
    sheet = book['測定値']
    rows = [[str(r[0].value), r[1].number_format, r[2].number_format, r[4].value or '']
            for r in sheet.iter_rows(min_row=2, max_col=5)]
    results = book['結果']
    text = [r[0] for r in results.iter_rows(max_col=1, values_only=True) if r[0]]
    labels = {r[0]: r[3] for r in results.iter_rows(max_col=4, values_only=True) if r[3]}
    charts = [len(c.series) for s in book.worksheets for c in s._charts]
    print(json.dumps({'rows': rows, 'text': text, 'labels': labels, 'charts': charts,
                      'fit_width': sheet.page_setup.fitToWidth or 1,  # 1 when left out
                      'fit_to_page': sheet.sheet_properties.pageSetUpPr.fitToPage}))
)py";

} // namespace

void GraphExportTablesTest::tablesSayWhatTheWindowSays_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QStringList>("row4");  // number, elapsed, lap, remark
    QTest::addColumn<QStringList>("row10"); // the NG one
    QTest::newRow("page") << u"html"_s << QStringList{u"4"_s, u"6.30"_s, u"0.28"_s, u"二度押し"_s}
                          << QStringList{u"10"_s, u"19.99"_s, u"1.99"_s, u"NG"_s};
    QTest::newRow("CSV") << u"csv"_s << QStringList{u"4"_s, u"6.3"_s, u"0.28"_s, u"二度押し"_s}
                         << QStringList{u"10"_s, u"19.99"_s, u"1.99"_s, u"NG"_s};
    QTest::newRow("workbook") << u"xlsx"_s
                              << QStringList{u"4"_s, u"0.00"_s, u"0.00"_s, u"二度押し"_s}
                              << QStringList{u"10"_s, u"0.00"_s, u"0.00"_s, u"NG"_s};
}

void GraphExportTablesTest::tablesSayWhatTheWindowSays()
{
    QFETCH(QString, suffix);
    QFETCH(QStringList, row4);
    QFETCH(QStringList, row10);
    if (suffix == u"xlsx"_s && !xlsxExportAvailable())
        QSKIP("this build writes no XLSX");
    const QByteArray python = qgetenv("QUELLMARK_PYTHON");
    if (python.isEmpty())
        QSKIP("no python3 to read the exports with");

    MeasurementModel model;
    model.append(pendulumRows(), u"回"_s, {u"振り子"_s, u"糸 50 cm"_s, {}, {}, {}});
    const Results results = computeResults(model, {FitChoice::Period, false, {}});
    QVERIFY(results.goodPeriod());
    QCOMPARE(results.period->doubled, std::vector<int>{4});
    QCOMPARE(results.period->missed, std::vector<int>{8});
    GraphPlot plot(model);
    plot.showReadings();
    plot.showResults(results);
    plot.refresh();
    const ExportSource source{model, results, results.fitText.split(u'\n'), {}};
    QTemporaryDir tmp;
    const QString out = QDir(tmp.path()).filePath(u"tables."_s + suffix);
    QString error;
    QVERIFY2(exportResults(out, source, plot, {}, &error), qPrintable(error));

    QProcess process;
    process.start(QString::fromLocal8Bit(python), {u"-c"_s, QString::fromUtf16(Read), out});
    QVERIFY(process.waitForFinished(60000));
    const QByteArray errors = process.readAllStandardError();
    if (errors.contains("No module named"))
        QSKIP("html5lib or openpyxl is not installed");
    QVERIFY2(process.exitCode() == 0, errors.constData());
    const QJsonObject json = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
    const QJsonArray rows = json["rows"_L1].toArray();
    QCOMPARE(rows.size(), 12);
    const auto strings = [](const QJsonValue& v) {
        QStringList list;
        for (const QJsonValue& s : v.toArray())
            list << s.toString();
        return list;
    };
    QCOMPARE(strings(rows[4]), row4);
    QCOMPARE(strings(rows[10]), row10);
    QCOMPARE(strings(rows[8]).last(), u"押し忘れ"_s);
    const QStringList text = strings(json["text"_L1]);
    QVERIFY(text.contains(u"題目の変更（測定回 005 のあと）: 振り子  糸 50 cm"_s));
    if (suffix == u"xlsx"_s) {
        QCOMPARE(json["labels"_L1]["period"_L1].toString(), u"周期 T（すべての押しの当てはめ）"_s);
        // The readings' chart, then the fitted line through the presses.
        QCOMPARE(json["charts"_L1].toArray(), (QJsonArray{1, 2}));
        QCOMPARE(json["fit_width"_L1].toInt(), 1);
        QVERIFY(json["fit_to_page"_L1].toBool());
    }
}

QTEST_MAIN(GraphExportTablesTest)
#include "tst_graphexporttables.moc"
