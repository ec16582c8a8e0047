#include "exports/ExportFormats.h"
#include "exports/FigureExport.h"
#include "exports/HtmlExport.h"
#include "graph/GraphPlot.h"
#include "readings/MeasurementModel.h"
#include "readings/Results.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

// A data file is anyone's text: what it says lands in markup, in a
// spreadsheet and in a chart as text, and nowhere as code.
class GraphExportSafetyTest final : public QObject
{
    Q_OBJECT
private slots:
    void hostileTextsStayText_data();
    void hostileTextsStayText();

private:
    QTemporaryDir m_tmp;
};

namespace
{

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A measurement whose subject, value title and later subject change all say `text`.
QList<ReadRow> rowsSaying(const QString& text)
{
    QList<ReadRow> rows;
    ReadRow subject;
    subject.kind = RowKind::Subject;
    subject.texts = {text, u"2年1組"_s, {}, {}, {}};
    rows << subject;
    for (int i = 0; i < 6; ++i) {
        ReadRow row;
        row.number = i;
        row.elapsed = 2.0 * i;
        row.lap = i > 0 ? 2.0 : 0.0;
        row.target = 80.0 - 3.0 * i;
        rows << row;
        if (i == 2) {
            ReadRow changed;
            changed.kind = RowKind::ChangedSubject;
            changed.texts = {text, {}, {}, {}, {}};
            rows << changed;
        }
    }
    return rows;
}

// Whether `xml` reads to its end as XML, with no element `forbidden` names.
QString xmlProblem(const QByteArray& xml, const QStringList& forbidden)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement &&
            forbidden.contains(reader.name().toString().toLower()))
            return u"element "_s + reader.name().toString();
    }
    return reader.hasError() ? reader.errorString() : QString();
}

QString svgTitle(const QByteArray& svg)
{
    QXmlStreamReader reader(svg);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == "title"_L1)
            return reader.readElementText();
    }
    return {};
}

// Every page element and attribute as a browser's parser makes them, every
// workbook text, chart title and CSV cell: printed for the test to hold.
constexpr char16_t Check[] = uR"py(
import csv, json, sys, zipfile, re
import xml.etree.ElementTree as ET
html_path, xlsx_path, csv_path, png_page_path = sys.argv[1:5]
out = {}
try:
    import html5lib
    doc = html5lib.HTMLParser(strict=True, namespaceHTMLElements=False).parse(
        open(html_path, 'rb').read())
    tags = {e.tag.split('}')[-1].lower() for e in doc.iter() if isinstance(e.tag, str)}
    out['page_elements'] = sorted(t for t in tags if t in ('script', 'img', 'iframe', 'object'))
    out['page_on_attributes'] = sorted({a for e in doc.iter() for a in e.attrib
                                        if a.lower().startswith('on')})
    out['page_title'] = doc.find('.//h1').text
    # The page of a build without SVG: its one picture, and what it says.
    doc = html5lib.HTMLParser(strict=True, namespaceHTMLElements=False).parse(
        open(png_page_path, 'rb').read())
    out['png_page_images'] = [sorted(e.attrib) for e in doc.iter('img')]
    out['png_page_alt'] = [e.get('alt') for e in doc.iter('img')]
except ImportError:
    pass
book = zipfile.ZipFile(xlsx_path)
A = '{http://schemas.openxmlformats.org/drawingml/2006/main}'
S = '{http://schemas.openxmlformats.org/spreadsheetml/2006/main}'
titles = []
for name in book.namelist():
    if name.startswith('xl/charts/'):
        chart = ET.fromstring(book.read(name))
        for title in chart.iter('{http://schemas.openxmlformats.org/drawingml/2006/chart}title'):
            titles.append(''.join(t.text or '' for t in title.iter(A + 't')))
            assert title.find('.//{http://schemas.openxmlformats.org/drawingml/2006/chart}f') \
                is None, 'title as a reference'
out['chart_titles'] = titles
formulas = 0
for name in book.namelist():
    if name.startswith('xl/worksheets/'):
        formulas += len(ET.fromstring(book.read(name)).findall('.//' + S + 'f'))
out['formulas'] = formulas
out['book_strings'] = [''.join(t.text or '' for t in s.iter(S + 't'))
                       for name in book.namelist()
                       if name.startswith('xl/worksheets/') or name == 'xl/sharedStrings.xml'
                       for s in ET.fromstring(book.read(name)).iter()
                       if s.tag in (S + 'si', S + 'is')]
with open(csv_path, encoding='utf-8-sig', newline='') as f:
    cells = [c for row in csv.reader(f) for c in row]
out['csv_formula_cells'] = [c for c in cells if (c[:1] and c[:1] in '=+@\t\r') or
                            (c[:1] == '-' and not re.fullmatch(r'-[0-9.e+-]+', c))]
print(json.dumps(out))
)py";

} // namespace

void GraphExportSafetyTest::hostileTextsStayText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown"); // what every export shows of it

    QTest::newRow("script") << u"<script>alert(1)</script>"_s << u"<script>alert(1)</script>"_s;
    QTest::newRow("end of the SVG")
        << u"</svg><svg onload=alert(1)>"_s << u"</svg><svg onload=alert(1)>"_s;
    QTest::newRow("onerror attribute")
        << u"\"><img src=x onerror='alert(1)'>"_s << u"\"><img src=x onerror='alert(1)'>"_s;
    QTest::newRow("ampersand") << u"R&D &amp; Co"_s << u"R&D &amp; Co"_s;
    QTest::newRow("control characters") << u"a\u0001b\u001B[31mc\u0008"_s << u"ab[31mc"_s;
    QTest::newRow("formula") << u"=HYPERLINK(\"http://x\",\"y\")"_s
                             << u"=HYPERLINK(\"http://x\",\"y\")"_s;
}

void GraphExportSafetyTest::hostileTextsStayText()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QVERIFY(m_tmp.isValid());

    MeasurementModel model;
    model.append(rowsSaying(text), text, {text, {}, {}, {}, {}});
    Results results = computeResults(model, {FitChoice::Linear, false, {}});
    GraphPlot plot(model);
    plot.showReadings();
    plot.showResults(results);
    plot.refresh();
    const ExportSource source{model, results, {text}, {}};
    const QDir dir(m_tmp.path());
    QString error;
    QMap<QString, QString> paths;
    for (const QString& suffix : {u"svg"_s, u"pdf"_s, u"html"_s, u"xlsx"_s, u"csv"_s}) {
        paths[suffix] =
            dir.filePath(u"%1.%2"_s.arg(QString::fromLatin1(QTest::currentDataTag()), suffix));
        QVERIFY2(exportResults(paths[suffix], source, plot, {}, &error), qPrintable(error));
    }

    const QByteArray svg = fileBytes(paths[u"svg"_s]);
    const QString svgError = xmlProblem(svg, {u"script"_s, u"img"_s, u"foreignobject"_s});
    QVERIFY2(svgError.isEmpty(), qPrintable(svgError));
    // The whole first subject block, as text.
    QCOMPARE(svgTitle(svg), shown + u"  2年1組"_s);
    QCOMPARE(svg.count("<svg"), 1);

    // The PDF's metadata, where Qt writes it as XML.
    const QByteArray pdf = fileBytes(paths[u"pdf"_s]);
    const qsizetype xmp = pdf.indexOf("<x:xmpmeta");
    if (xmp >= 0) {
        const qsizetype end = pdf.indexOf("</x:xmpmeta>", xmp);
        QVERIFY(end > xmp);
        const QString pdfError = xmlProblem(pdf.mid(xmp, end + 12 - xmp), {});
        QVERIFY2(pdfError.isEmpty(), qPrintable(pdfError));
    }

    HtmlPage pngPage;
    pngPage.title = text;
    putFigureOnPage(plot, false, pngPage, PageFigure::Png);
    const QString pngPagePath =
        dir.filePath(u"%1-png.html"_s.arg(QString::fromLatin1(QTest::currentDataTag())));
    QVERIFY2(writeHtmlPage(pngPagePath, pngPage, &error), qPrintable(error));

    const QByteArray python = qgetenv("QUELLMARK_PYTHON");
    if (python.isEmpty())
        QSKIP("no python3 to read the page, workbook and CSV with");
    QProcess process;
    process.start(QString::fromLocal8Bit(python),
                  {u"-c"_s, QString::fromUtf16(Check), paths[u"html"_s], paths[u"xlsx"_s],
                   paths[u"csv"_s], pngPagePath});
    QVERIFY(process.waitForFinished(60000));
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
    const QJsonObject json = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
    if (json.contains("page_title"_L1)) {
        QCOMPARE(json["page_elements"_L1].toArray(), QJsonArray());
        QCOMPARE(json["page_on_attributes"_L1].toArray(), QJsonArray());
        // The whole first subject block, as text.
        QCOMPARE(json["page_title"_L1].toString(), shown + u"  2年1組"_s);
        QCOMPARE(json["png_page_images"_L1].toArray(),
                 QJsonArray({QJsonArray({u"alt"_s, u"height"_s, u"src"_s, u"width"_s})}));
        QVERIFY(json["png_page_alt"_L1][0].toString().contains(u"「"_s + shown + u"」"_s));
    }
    // A title beginning with '=' stays text, behind a space.
    const QString chartTitle = (shown.startsWith(u'=') ? u" "_s : QString()) + shown;
    QCOMPARE(json["chart_titles"_L1].toArray(),
             QJsonArray({chartTitle + u"  2年1組"_s, u"経過時間 (秒)"_s, chartTitle}));
    QCOMPARE(json["formulas"_L1].toInt(), 0);
    QVERIFY(json["book_strings"_L1].toArray().contains(shown));
    QCOMPARE(json["csv_formula_cells"_L1].toArray(), QJsonArray());
}

QTEST_MAIN(GraphExportSafetyTest)
#include "tst_graphexportsafety.moc"
