#include "exports/HtmlExport.h"

#include "exports/ExportTarget.h"
#include "exports/SafeText.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace
{

// Phones first; for print the figure is held to a height that leaves the
// results room on the first A4 page, and the table begins on the next.
constexpr char Style[] = R"css(
body { font-family: sans-serif; margin: 0 auto; padding: 0.5em; max-width: 60em; line-height: 1.5; }
h1 { font-size: 1.3em; margin: 0.3em 0; }
h2 { font-size: 1.1em; margin: 1em 0 0.3em; }
.subject { margin: 0; color: #333; }
figure { margin: 0.5em 0; }
figure svg, figure img { display: block; width: 100%; height: auto; }
.results p { margin: 0.1em 0; }
.table { overflow-x: auto; }
table { border-collapse: collapse; font-variant-numeric: tabular-nums; }
th, td { border: 1px solid #999; padding: 0.15em 0.5em; }
td { text-align: right; }
td.remark, td.used { text-align: center; }
tr.left-out td { color: #777; }
.note { font-weight: bold; }
@page { size: A4; margin: 12mm; }
@media print {
  body { max-width: none; padding: 0; font-size: 10pt; }
  figure svg, figure img { max-height: 150mm; object-fit: contain; }
  .readings { break-before: page; }
  tr { break-inside: avoid; }
}
)css";

QString escaped(const QString& text)
{
    return markupEscaped(text);
}

QByteArray number(double value)
{
    if (!std::isfinite(value))
        return QByteArrayLiteral("—");
    return QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

QByteArray utf8(const QString& text)
{
    return text.toUtf8();
}

// Written straight into UTF-8 bytes: a table of a hundred thousand rows
// built as QString first took its size three times over.
void appendReadingsTable(QByteArray& html, const HtmlPage& page)
{
    const QString value =
        page.valueTitle.trimmed().isEmpty() ? QStringLiteral("値") : page.valueTitle;
    html += utf8(QStringLiteral("<section class=\"readings\">\n<h2>測定値</h2>\n"));
    const qsizetype shown = std::min(page.readings.size(), HtmlTableMaxRows);
    if (shown < page.readings.size()) {
        html +=
            utf8(QStringLiteral("<p class=\"note\">この表には初めの %1 点（測定回 %2〜%3）だけを"
                                "載せています。そのあとの %4 点（測定回 %5〜%6）は載せていません。"
                                "すべての測定値は CSV と XLSX の書き出しにあります。</p>\n")
                     .arg(shown)
                     .arg(page.readings.front().number)
                     .arg(page.readings[shown - 1].number)
                     .arg(page.readings.size() - shown)
                     .arg(page.readings[shown].number)
                     .arg(page.readings.back().number));
    }
    html += utf8(QStringLiteral("<div class=\"table\"><table>\n<thead><tr><th>番号</th>"
                                "<th>経過時間 (秒)</th><th>ラップ (秒)</th><th>") +
                 escaped(value) +
                 QStringLiteral("</th><th>備考</th><th>計算に使う</th></tr></thead>\n<tbody>\n"));
    const QByteArray used = utf8(QStringLiteral("○"));
    const QByteArray unused = utf8(QStringLiteral("—"));
    for (qsizetype i = 0; i < shown; ++i) {
        const Reading& r = page.readings[i];
        const bool inUse = !r.rejected && !r.excluded;
        html += inUse ? "<tr><td>" : "<tr class=\"left-out\"><td>";
        html += QByteArray::number(r.number);
        html += "</td><td>";
        html += utf8(tableSeconds(r.elapsed));
        html += "</td><td>";
        html += utf8(tableSeconds(r.lap));
        html += "</td><td>";
        html += number(r.value);
        html += "</td><td class=\"remark\">";
        html += utf8(escaped(tableRemark(r, page.marks)));
        html += "</td><td class=\"used\">";
        html += inUse ? used : unused;
        html += "</td></tr>\n";
    }
    html += "</tbody>\n</table></div>\n</section>\n";
}

} // namespace

QByteArray inlineSvg(const QByteArray& svg)
{
    const qsizetype start = svg.indexOf("<svg");
    if (start < 0)
        return {};
    const qsizetype rootEnd = svg.indexOf('>', start);
    if (rootEnd < 0)
        return {};
    QString root = QString::fromUtf8(svg.mid(start, rootEnd - start));
    static const QRegularExpression dropped(
        QStringLiteral(R"re(\s(?:width|height|xmlns(?::\w+)?)="[^"]*")re"));
    root.remove(dropped);
    return root.toUtf8() + svg.mid(rootEnd);
}

QByteArray htmlPage(const HtmlPage& page)
{
    QString head = QStringLiteral("<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n"
                                  "<meta charset=\"utf-8\">\n"
                                  "<meta name=\"viewport\" content=\"width=device-width, "
                                  "initial-scale=1\">\n<title>") +
                   escaped(page.title) + QStringLiteral("</title>\n<style>") +
                   QString::fromUtf8(Style) + QStringLiteral("</style>\n</head>\n<body>\n<h1>") +
                   escaped(page.title) + QStringLiteral("</h1>\n");
    for (const QString& line : page.subjectLines) {
        if (!line.trimmed().isEmpty() && line != page.title)
            head +=
                QStringLiteral("<p class=\"subject\">") + escaped(line) + QStringLiteral("</p>\n");
    }
    for (const QString& line : page.subjectChanges)
        head += QStringLiteral("<p class=\"subject\">") + escaped(line) + QStringLiteral("</p>\n");
    QByteArray html = head.toUtf8();
    const QByteArray svg = inlineSvg(page.svg);
    html.reserve(html.size() + svg.size() + page.png.size() * 4 / 3 +
                 std::min(page.readings.size(), HtmlTableMaxRows) * 120 + 4096);
    if (!svg.isEmpty()) {
        html += "<figure>\n" + svg.trimmed() + "\n</figure>\n";
    } else if (!page.png.isEmpty()) {
        // Inside the page, so that it stays one file that opens offline.
        html += "<figure>\n<img src=\"data:image/png;base64," + page.png.toBase64() + "\" alt=\"" +
                utf8(escaped(page.figureText)) + "\" width=\"" +
                QByteArray::number(page.pngSize.width()) + "\" height=\"" +
                QByteArray::number(page.pngSize.height()) + "\">\n</figure>\n";
    }
    html += "<section class=\"results\">\n";
    html += utf8(QStringLiteral("<h2>結果</h2>\n"));
    for (const QString& line : page.results) {
        if (!line.trimmed().isEmpty())
            html += "<p>" + utf8(escaped(line)) + "</p>\n";
    }
    html += "</section>\n";
    appendReadingsTable(html, page);
    html += "</body>\n</html>\n";
    return html;
}

bool writeHtmlPage(const QString& path, const HtmlPage& page, QString* error,
                   const QStringList& protectedFiles)
{
    if (const auto failed = writeExportBytes(path, protectedFiles, htmlPage(page))) {
        *error = failed->message;
        return false;
    }
    return true;
}
