#include "GraphFiles.h"

#include "datafile/DataFileReader.h"
#include "exports/FigureExport.h"
#include "exports/HtmlExport.h"
#include "exports/JsonReport.h"
#include "exports/ReadingsCsvExport.h"
#include "exports/SvgFigure.h"
#include "exports/XlsxExport.h"
#include "graph/GraphPlot.h"
#include "readings/ExclusionStore.h"
#include "support/RowsByHand.h"

#include <QCryptographicHash>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

// What leaves the companion besides the figure: the readings left out, kept
// apart from the data file, and the readings as CSV and as a web page.
class GraphExportsTest final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void exclusionsBelongToOneMeasurement_data();
    void exclusionsBelongToOneMeasurement();
    void csvReadsBackAsWritten();
    void csvNeverOverADataFile_data();
    void csvNeverOverADataFile();
    void htmlPageIsValidAndSelfContained_data();
    void htmlPageIsValidAndSelfContained();
    void htmlFigureLooksAsExportedInABrowser();
    void xlsxOpensWithItsNumbersAndChart_data();
    void xlsxOpensWithItsNumbersAndChart();

private:
    QTemporaryDir m_tmp;
    QString m_path;
    DataFileContents m_contents;
};

namespace
{

QList<GraphFiles::Reading> pendulum()
{
    // Values with many digits, a negative one and an NG, to see every one come back.
    return {{0.0, 1.25},      {1.987, -0.001}, {4.013, 3.14159265358979},
            {6.0, 2.0, true}, {8.031, 1e-7},   {10.002, 123456.789}};
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Ran {
    bool finished = false;
    int status = -1;
    QByteArray output;
    QByteArray errors;
};

Ran runTool(const QString& program, const QStringList& arguments, int timeoutMs = 120000)
{
    QProcess process;
    process.start(program, arguments);
    Ran ran;
    ran.finished = process.waitForFinished(timeoutMs);
    if (!ran.finished)
        process.kill();
    ran.status = process.exitCode();
    ran.output = process.readAllStandardOutput();
    ran.errors = process.readAllStandardError();
    return ran;
}

// A CSV file as Python's csv module reads it: rows of fields, the numeric
// ones of the readings as numbers.
constexpr char16_t CsvAsJson[] = uR"py(
import csv, json, sys
def field(text):
    try:
        return float(text)
    except ValueError:
        return text
with open(sys.argv[1], encoding='utf-8-sig', newline='') as f:
    rows = list(csv.reader(f))
print(json.dumps({'header': rows[0], 'rows': [[field(x) for x in r[:4]] + r[4:] for r in rows[1:]]}))
)py";

// Each reading of `rows` (number, elapsed, lap, value, remark) as written.
void compareReadings(const QJsonArray& rows, const QList<Reading>& readings)
{
    QCOMPARE(rows.size(), readings.size());
    for (int i = 0; i < rows.size(); ++i) {
        const QJsonArray row = rows[i].toArray();
        const Reading& r = readings[i];
        QVERIFY2(row[0].isDouble() && row[1].isDouble() && row[2].isDouble() && row[3].isDouble(),
                 qPrintable(QString::fromUtf8(QJsonDocument(row).toJson(QJsonDocument::Compact))));
        QCOMPARE(row[0].toDouble(), double(r.number));
        QCOMPARE(row[1].toDouble(), r.elapsed);
        QCOMPARE(row[2].toDouble(), r.lap);
        QCOMPARE(row[3].toDouble(), r.value);
        QCOMPARE(row[4].toString(), r.rejected ? u"NG"_s : r.excluded ? u"除外"_s : QString());
    }
}

} // namespace

void GraphExportsTest::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    m_path = GraphFiles::writeMeasurement(QDir(m_tmp.path()), pendulum());
    m_contents = readDataFile(m_path);
    QVERIFY(m_contents.looksLikeDataFile);
}

void GraphExportsTest::exclusionsBelongToOneMeasurement_data()
{
    QTest::addColumn<QString>("reopened"); // "same", "rewritten" (other measurement), "other path"
    QTest::addColumn<bool>("cleared");
    QTest::addColumn<bool>("restored");
    QTest::newRow("same file") << u"same"_s << false << true;
    QTest::newRow("cleared") << u"same"_s << true << false;
    QTest::newRow("other measurement, same path") << u"rewritten"_s << false << false;
    QTest::newRow("other path") << u"other path"_s << false << false;
}

void GraphExportsTest::exclusionsBelongToOneMeasurement()
{
    QFETCH(QString, reopened);
    QFETCH(bool, cleared);
    QFETCH(bool, restored);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString settings = dir.filePath(u"config/exclusions.ini"_s);
    const QString path = GraphFiles::writeMeasurement(QDir(dir.path()), pendulum());
    const QByteArray before = fileBytes(path);
    const QSet<int> left{1, 4};
    {
        ExclusionStore store(settings);
        store.save(path, measurementIdentity(readDataFile(path).rows), left);
        if (cleared)
            store.clear(path);
    }
    QCOMPARE(fileBytes(path), before);

    QString openedPath = path;
    if (reopened == u"rewritten"_s) {
        // Another measurement under the same path: another subject block.
        QFile::remove(path);
        QDir(dir.path()).mkpath(u"DATA"_s);
        QList<CsvRow> rows{
            RowKinds::headerRow(GraphFiles::Name, QDate(2026, 12, 7)),
            RowKinds::subjectRow({u"振り子 50 cm"_s, u"2年2組"_s, QString(), QString(), QString()}),
            RowKinds::columnTitleRow(u"温度 ℃"_s)};
        DataFileWriter(QDir(dir.path())).write(GraphFiles::Name, rows);
    } else if (reopened == u"other path"_s) {
        openedPath = dir.filePath(u"copy.csv"_s);
        QVERIFY(QFile::copy(path, openedPath));
    }
    const ExclusionStore store(settings);
    const QSet<int> loaded =
        store.load(openedPath, measurementIdentity(readDataFile(openedPath).rows));
    QCOMPARE(loaded, restored ? left : QSet<int>());
}

void GraphExportsTest::csvReadsBackAsWritten()
{
    const QByteArray python = qgetenv("QUELLMARK_PYTHON");
    if (python.isEmpty())
        QSKIP("no python3 to read the CSV with");
    const QList<Reading> readings = readingsOf(m_contents.rows, {2});
    const QString out = QDir(m_tmp.path()).filePath(u"readings.csv"_s);
    // A title that needs quoting, as a user may type one.
    const QString title = u"温度, \"外\" ℃"_s;
    QString error;
    QVERIFY2(writeReadingsCsv(out, readings, title, &error), qPrintable(error));

    const QByteArray bytes = fileBytes(out);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count("\r\n"), readings.size() + 1);
    const Ran read =
        runTool(QString::fromLocal8Bit(python), {u"-c"_s, QString::fromUtf16(CsvAsJson), out});
    QVERIFY2(read.status == 0, read.errors.constData());
    const QJsonObject csv = QJsonDocument::fromJson(read.output).object();
    QCOMPARE(csv.value("header"_L1).toArray(),
             QJsonArray({u"番号"_s, u"経過時間 (秒)"_s, u"ラップ (秒)"_s, title, u"備考"_s}));
    const QJsonArray rows = csv.value("rows"_L1).toArray();
    compareReadings(rows, readings);
    QCOMPARE(rows[2][4].toString(), u"除外"_s);
    QCOMPARE(rows[3][4].toString(), u"NG"_s);
}

void GraphExportsTest::csvNeverOverADataFile_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("the data file itself") << u"DATA/QMK26_12_7_101500.csv"_s;
    QTest::newRow("a data file's name") << u"QMK26_12_8_090000_2.csv"_s;
    QTest::newRow("a data file under another name") << u"renamed.csv"_s;
}

void GraphExportsTest::csvNeverOverADataFile()
{
    QFETCH(QString, target);
    const QString path = QDir(m_tmp.path()).filePath(target);
    if (target == u"renamed.csv"_s && !QFile::exists(path))
        QVERIFY(QFile::copy(m_path, path));
    const QByteArray before = fileBytes(path);
    QString error;
    QVERIFY(!writeReadingsCsv(path, readingsOf(m_contents.rows, {}), QString(), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(fileBytes(path), before);
}

void GraphExportsTest::htmlPageIsValidAndSelfContained_data()
{
    QTest::addColumn<PageFigure>("how");
    QTest::newRow("figure as svg") << PageFigure::Svg;
    // As the Windows build, which has no SVG, makes it.
    QTest::newRow("figure as png") << PageFigure::Png;
}

void GraphExportsTest::htmlPageIsValidAndSelfContained()
{
    QFETCH(PageFigure, how);
    const QByteArray python = qgetenv("QUELLMARK_PYTHON");
    if (python.isEmpty())
        QSKIP("no python3 to validate the page with");
    MeasurementModel model;
    model.append(m_contents.rows, m_contents.valueTitle, m_contents.subjectLines);
    GraphPlot plot(model);
    plot.showReadings();
    HtmlPage page;
    page.title = plot.figureTitle();
    page.subjectLines = m_contents.subjectLines;
    page.results = {u"ラップの平均 = 2.00 ± 0.01 s <&>"_s};
    page.valueTitle = m_contents.valueTitle;
    page.readings = readingsOf(m_contents.rows, {2});
    putFigureOnPage(plot, false, page, how);
    const QString out = QDir(m_tmp.path()).filePath(u"results.html"_s);
    QString error;
    QVERIFY2(writeHtmlPage(out, page, &error), qPrintable(error));

    // html5lib in strict mode stops at the first parse error.
    const QString check = uR"py(
import base64, struct, sys, re, html5lib
data = open(sys.argv[1], 'rb').read()
doc = html5lib.HTMLParser(strict=True, namespaceHTMLElements=False).parse(data)
text = data.decode('utf-8').lower()
assert '<script' not in text, 'script'
assert not re.search(r'https?:', text), 'outside reference'
assert len(re.findall(r'\b(src|href)\s*=', text)) == len(doc.findall('.//img')), 'resource'
svg = [e for e in doc.iter() if e.tag.endswith('svg')]
img = doc.findall('.//figure/img')
if sys.argv[2] == 'svg':
    assert len(svg) == 1 and len(list(svg[0].iter())) > 20 and not img, 'figure'
else:
    assert len(img) == 1 and not svg, 'figure'
    src = img[0].get('src')
    assert src.startswith('data:image/png;base64,'), 'figure inside the page'
    png = base64.b64decode(src.split(',', 1)[1])
    assert png[:8] == b'\x89PNG\r\n\x1a\n', 'png'
    width, height = struct.unpack('>II', png[16:24])
    shown = (int(img[0].get('width')), int(img[0].get('height')))
    assert (width, height) == (2 * shown[0], 2 * shown[1]), 'twice the resolution'
    assert '経過時間' in img[0].get('alt'), 'text alternative'
rows = doc.findall('.//tbody/tr')
print(len(rows), ';'.join('|'.join(td.text or '' for td in r) for r in rows))
)py"_s;
    QProcess process;
    process.start(QString::fromLocal8Bit(python),
                  {u"-c"_s, check, out, how == PageFigure::Svg ? u"svg"_s : u"png"_s});
    QVERIFY(process.waitForFinished(60000));
    const QByteArray errors = process.readAllStandardError();
    if (errors.contains("No module named 'html5lib'"))
        QSKIP("python3-html5lib is not installed");
    QVERIFY2(process.exitCode() == 0, errors.constData());
    const QStringList output =
        QString::fromUtf8(process.readAllStandardOutput().trimmed()).split(u' ');
    QCOMPARE(output.value(0).toInt(), pendulum().size());
    const QStringList rows = output.value(1).split(u';');
    QCOMPARE(rows.value(2), u"2|4.01|2.03|3.14159265358979|除外|—"_s);
    QCOMPARE(rows.value(3), u"3|6.00|1.99|2|NG|—"_s);
    QCOMPARE(rows.value(4), u"4|8.03|2.03|1e-07||○"_s);
}

// The page's inline figure as a browser draws it, against the figure the
// companion exports as PNG: the same ink in the same places, at a scale where
// the two renderers' fonts and anti-aliasing no longer count.
void GraphExportsTest::htmlFigureLooksAsExportedInABrowser()
{
    const QString chromium = QStandardPaths::findExecutable(u"chromium"_s);
    if (chromium.isEmpty())
        QSKIP("chromium is not installed");
    MeasurementModel model;
    model.append(m_contents.rows, m_contents.valueTitle, m_contents.subjectLines);
    GraphPlot plot(model);
    plot.showReadings();
    plot.showResults(computeResults(model, {FitChoice::Linear, false, {}}));
    plot.refresh();
    HtmlPage page;
    page.title = plot.figureTitle();
    page.svg = svgFigure(plot, QSize(FigureWidth, FigureHeight), page.title);
    const QString html = QDir(m_tmp.path()).filePath(u"figure-page.html"_s);
    QString error;
    QVERIFY2(writeHtmlPage(html, page, &error), qPrintable(error));
    const QByteArray written = fileBytes(html);
    const qsizetype from = written.indexOf("<figure>");
    const qsizetype to = written.indexOf("</figure>");
    QVERIFY(from >= 0 && to > from);
    // The figure alone, as the page holds it, at the size it was drawn for.
    const QString figure = QDir(m_tmp.path()).filePath(u"figure-only.html"_s);
    QFile file(figure);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><style>body, figure "
               "{ margin: 0; } svg { display: block; width: " +
               QByteArray::number(FigureWidth) + "px; height: auto; }</style></head><body>" +
               written.mid(from, to - from + 9) + "</body></html>\n");
    file.close();

    QTemporaryDir profile;
    QVERIFY(profile.isValid());
    const QString shot = QDir(m_tmp.path()).filePath(u"browser.png"_s);
    const Ran ran =
        runTool(chromium,
                {u"--headless=new"_s, u"--no-sandbox"_s, u"--disable-gpu"_s, u"--hide-scrollbars"_s,
                 u"--user-data-dir="_s + profile.path(), u"--screenshot="_s + shot,
                 u"--window-size=%1,%2"_s.arg(FigureWidth).arg(FigureHeight),
                 QUrl::fromLocalFile(figure).toString()},
                90000);
    QVERIFY2(ran.finished, "chromium did not finish within 90 s");
    const QImage browser(shot);
    QVERIFY2(!browser.isNull(), ran.errors.constData());
    const QImage exported = figurePixmap(plot, {.fitLabel = false}).toImage();

    // Where the ink is: cells of 10 × 10 pixels holding any pixel clearly
    // darker than the white ground.
    constexpr int Cell = 10;
    QCOMPARE(browser.size(), exported.size());
    const QImage a = browser.convertToFormat(QImage::Format_Grayscale8);
    const QImage b = exported.convertToFormat(QImage::Format_Grayscale8);
    QSet<int> inkA, inkB;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const int cell = (y / Cell) * (FigureWidth / Cell) + x / Cell;
            if (a.constScanLine(y)[x] < 200)
                inkA.insert(cell);
            if (b.constScanLine(y)[x] < 200)
                inkB.insert(cell);
        }
    }
    const qsizetype apart = (inkA - inkB).size() + (inkB - inkA).size();
    qInfo("%lld of %lld inked cells differ", qint64(apart), qint64(inkB.size()));
    QVERIFY(inkB.size() > FigureWidth * FigureHeight / Cell / Cell / 20); // not an empty page
    QVERIFY(apart < inkB.size() / 10);
}

void GraphExportsTest::xlsxOpensWithItsNumbersAndChart_data()
{
    QTest::addColumn<QString>("reader");
    QTest::addColumn<bool>("period"); // instead of the line
    QTest::newRow("openpyxl") << u"openpyxl"_s << false;
    QTest::newRow("LibreOffice") << u"soffice"_s << false;
    QTest::newRow("openpyxl, period fit") << u"openpyxl"_s << true;
}

void GraphExportsTest::xlsxOpensWithItsNumbersAndChart()
{
    QFETCH(QString, reader);
    QFETCH(bool, period);
    if (!xlsxExportAvailable())
        QSKIP("this build writes no XLSX");
    const QByteArray python = qgetenv("QUELLMARK_PYTHON");
    if (python.isEmpty())
        QSKIP("no python3 to read the workbook with");
    const QString soffice = QStandardPaths::findExecutable(u"soffice"_s);
    if (reader == u"soffice"_s && soffice.isEmpty())
        QSKIP("LibreOffice is not installed");

    const QSet<int> left{2};
    XlsxBook book;
    book.subjectLines = m_contents.subjectLines;
    book.valueTitle = m_contents.valueTitle;
    book.readings = readingsOf(m_contents.rows, left);
    const MeasuredPoints points = measuredPoints(m_contents.rows, left);
    const analysis::FitResult fit = analysis::fitLinear(points.t, points.y);
    const analysis::PeriodFit periodFit =
        analysis::fitPeriod(pressesOf(m_contents.rows, left), false);
    QVERIFY(periodFit.ok());
    book.fit = period ? nullptr : &fit;
    book.period = period ? &periodFit : nullptr;
    book.laps = analysis::lapStatistics(points.laps);
    book.results = {u"直線 y = a + b·t"_s};
    const QString out = QDir(m_tmp.path())
                            .filePath(u"results-%1.xlsx"_s.arg(
                                QString::fromUtf8(QTest::currentDataTag()).replace(u' ', u'_')));
    QString error;
    QVERIFY2(writeXlsxBook(out, book, &error), qPrintable(error));

    QJsonArray rows;
    if (reader == u"soffice"_s) {
        QTemporaryDir converted;
        QVERIFY(converted.isValid());
        // A profile of its own: another LibreOffice running does not take the job.
        const Ran ran =
            runTool(soffice, {u"-env:UserInstallation="_s +
                                  QUrl::fromLocalFile(converted.filePath(u"profile"_s)).toString(),
                              u"--headless"_s, u"--convert-to"_s,
                              u"csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false"_s,
                              u"--outdir"_s, converted.path(), out});
        QVERIFY2(ran.finished && ran.status == 0, ran.errors.constData());
        const QString csv = converted.filePath(QFileInfo(out).completeBaseName() + u".csv"_s);
        const Ran read =
            runTool(QString::fromLocal8Bit(python), {u"-c"_s, QString::fromUtf16(CsvAsJson), csv});
        QVERIFY2(read.status == 0, read.errors.constData());
        rows = QJsonDocument::fromJson(read.output)["rows"_L1].toArray();
    } else {
        const QString check = uR"py(
import json, sys
import openpyxl
book = openpyxl.load_workbook(sys.argv[1])
sheet = book.worksheets[0]
def cells(formula):
    name, area = formula.rsplit('!', 1)
    return [row[0].value for row in book[name.strip("'")][area.replace('$', '')]]
series = [list(zip(cells(s.xVal.numRef.f), cells(s.yVal.numRef.f)))
          for chart in sheet._charts for s in chart.series]
rows = [['' if v is None else v for v in r]
        for r in sheet.iter_rows(min_row=2, max_col=5, values_only=True)]
# The unrounded numbers: a name, then its value and standard error.
numbers = {r[0]: list(r[1:3]) for r in book['結果'].iter_rows(max_col=3, values_only=True)
           if isinstance(r[0], str) and isinstance(r[1], (int, float))}
print(json.dumps({'rows': rows, 'charts': [type(c).__name__ for c in sheet._charts],
                  'series': series, 'numbers': numbers}))
)py"_s;
        const Ran read = runTool(QString::fromLocal8Bit(python), {u"-c"_s, check, out});
        if (read.errors.contains("No module named 'openpyxl'"))
            QSKIP("python3-openpyxl is not installed");
        QVERIFY2(read.status == 0, read.errors.constData());
        const QJsonObject json = QJsonDocument::fromJson(read.output).object();
        rows = json.value("rows"_L1).toArray();
        QCOMPARE(json.value("charts"_L1).toArray(), QJsonArray{u"ScatterChart"_s});
        const QJsonArray series = json.value("series"_L1).toArray();
        const QJsonObject numbers = json.value("numbers"_L1).toObject();
        // The readings the fit used, then the fitted line across them; the
        // period has no line of the value to draw.
        QCOMPARE(series.size(), period ? 1 : 2);
        QJsonArray measured;
        for (std::size_t i = 0; i < points.t.size(); ++i)
            measured.append(QJsonArray{points.t[i], points.y[i]});
        QCOMPARE(series[0].toArray(), measured);
        if (period) {
            QCOMPARE(numbers["period"_L1][0].toDouble(), periodFit.period.value);
            QCOMPARE(numbers["period"_L1][1].toDouble(), periodFit.period.se);
            QCOMPARE(numbers["first_last_period"_L1][1].toDouble(), periodFit.firstLastPeriod.se);
            QCOMPARE(numbers["swings"_L1][0].toInt(), periodFit.swings);
            QVERIFY(!numbers.contains("slope"_L1));
        } else {
            QCOMPARE(numbers["slope"_L1][0].toDouble(), fit.parameters[1].value);
            const QJsonArray curve = series[1].toArray();
            QVERIFY(curve.size() > 2);
            QCOMPARE(curve.first()[0].toDouble(), points.t.front());
            QCOMPARE(curve.last()[0].toDouble(), points.t.back());
            for (const QJsonValue& point : curve)
                QCOMPARE(point[1].toDouble(), fit.valueAt(point[0].toDouble()));
        }
    }
    compareReadings(rows, book.readings);
}

QTEST_MAIN(GraphExportsTest)
#include "tst_graphexports.moc"
