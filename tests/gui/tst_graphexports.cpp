#include "GraphFiles.h"

#include "datafile/DataFileReader.h"
#include "graph/ExclusionStore.h"
#include "graph/GraphPlot.h"
#include "graph/HtmlExport.h"
#include "graph/ReadingsCsvExport.h"
#include "graph/SvgFigure.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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
    void htmlPageIsValidAndSelfContained();

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
    const QList<ExportedReading> readings = exportedReadings(m_contents.rows, {2});
    const QString out = QDir(m_tmp.path()).filePath(u"readings.csv"_s);
    QString error;
    QVERIFY2(writeReadingsCsv(out, readings, m_contents.valueTitle, &error), qPrintable(error));

    const QByteArray bytes = fileBytes(out);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QStringList lines = QString::fromUtf8(bytes.mid(3)).split(u"\r\n"_s);
    QCOMPARE(lines.takeLast(), QString()); // the last line ends too
    QCOMPARE(
        lines.takeFirst().split(u','),
        (QStringList{u"番号"_s, u"経過時間 (秒)"_s, u"ラップ (秒)"_s, u"温度 ℃"_s, u"備考"_s}));
    const QList<GraphFiles::Reading> written = pendulum();
    QCOMPARE(lines.size(), written.size());
    for (int i = 0; i < lines.size(); ++i) {
        const QStringList fields = lines[i].split(u',');
        QCOMPARE(fields.size(), 5);
        QCOMPARE(fields[0].toInt(), i);
        QCOMPARE(fields[1].toDouble(), readings[i].elapsed);
        QCOMPARE(fields[2].toDouble(), readings[i].lap);
        QCOMPARE(fields[3].toDouble(), readings[i].value);
        QCOMPARE(fields[3].toDouble(), written[i].target);
        const QString remark = written[i].rejected ? u"NG"_s : i == 2 ? u"除外"_s : QString();
        QCOMPARE(fields[4], remark);
    }
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
    QVERIFY(!writeReadingsCsv(path, exportedReadings(m_contents.rows, {}), QString(), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(fileBytes(path), before);
}

void GraphExportsTest::htmlPageIsValidAndSelfContained()
{
    const QByteArray python = qgetenv("QUELLMARK_PYTHON");
    if (python.isEmpty())
        QSKIP("no python3 to validate the page with");
    GraphPlot plot;
    plot.appendRows(m_contents.rows, m_contents.valueTitle, m_contents.subjectLines);
    HtmlPage page;
    page.title = plot.figureTitle();
    page.subjectLines = m_contents.subjectLines;
    page.svg = svgFigure(plot, QSize(1200, 800), page.title);
    page.results = {u"ラップの平均 = 2.00 ± 0.01 s <&>"_s};
    page.valueTitle = m_contents.valueTitle;
    page.readings = exportedReadings(m_contents.rows, {2});
    const QString out = QDir(m_tmp.path()).filePath(u"results.html"_s);
    QString error;
    QVERIFY2(writeHtmlPage(out, page, &error), qPrintable(error));

    // html5lib in strict mode stops at the first parse error.
    const QString check = uR"py(
import sys, re, html5lib
data = open(sys.argv[1], 'rb').read()
doc = html5lib.HTMLParser(strict=True, namespaceHTMLElements=False).parse(data)
text = data.decode('utf-8').lower()
assert '<script' not in text, 'script'
assert not re.search(r'https?:', text), 'outside reference'
assert not re.search(r'\b(src|href)\s*=', text), 'resource'
svg = [e for e in doc.iter() if e.tag.endswith('svg')]
assert len(svg) == 1 and len(list(svg[0].iter())) > 20, 'figure'
rows = doc.findall('.//tbody/tr')
print(len(rows), ';'.join('|'.join(td.text or '' for td in r) for r in rows))
)py"_s;
    QProcess process;
    process.start(QString::fromLocal8Bit(python), {u"-c"_s, check, out});
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
    QCOMPARE(rows.value(3), u"3|6|1.99|2|NG|—"_s);
    QCOMPARE(rows.value(4), u"4|8.03|2.03|1e-07||○"_s);
}

QTEST_MAIN(GraphExportsTest)
#include "tst_graphexports.moc"
