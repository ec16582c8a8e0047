#include "exports/HtmlExport.h"

#include "exports/ExportTarget.h"

#include <QLocale>
#include <QRegularExpression>

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
figure svg { display: block; width: 100%; height: auto; }
.results p { margin: 0.1em 0; }
.table { overflow-x: auto; }
table { border-collapse: collapse; font-variant-numeric: tabular-nums; }
th, td { border: 1px solid #999; padding: 0.15em 0.5em; }
td { text-align: right; }
td.remark, td.used { text-align: center; }
tr.left-out td { color: #777; }
@page { size: A4; margin: 12mm; }
@media print {
  body { max-width: none; padding: 0; font-size: 10pt; }
  figure svg { max-height: 150mm; }
  .readings { break-before: page; }
  tr { break-inside: avoid; }
}
)css";

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

QString number(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("—");
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString readingsTable(const HtmlPage& page)
{
    const QString value =
        page.valueTitle.trimmed().isEmpty() ? QStringLiteral("値") : page.valueTitle;
    QString html = QStringLiteral("<section class=\"readings\">\n<h2>測定値</h2>\n"
                                  "<div class=\"table\"><table>\n<thead><tr><th>番号</th>"
                                  "<th>経過時間 (秒)</th><th>ラップ (秒)</th><th>") +
                   escaped(value) +
                   QStringLiteral("</th><th>備考</th><th>計算に使う</th></tr></thead>\n<tbody>\n");
    for (const Reading& r : page.readings) {
        const bool used = !r.rejected && !r.excluded;
        html += used ? QStringLiteral("<tr>") : QStringLiteral("<tr class=\"left-out\">");
        html +=
            QStringLiteral("<td>%1</td><td>%2</td><td>%3</td><td>%4</td>"
                           "<td class=\"remark\">%5</td><td class=\"used\">%6</td></tr>\n")
                .arg(QString::number(r.number), number(r.elapsed), number(r.lap), number(r.value),
                     escaped(readingRemark(r)), used ? QStringLiteral("○") : QStringLiteral("—"));
    }
    return html + QStringLiteral("</tbody>\n</table></div>\n</section>\n");
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
    QString html = QStringLiteral("<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n"
                                  "<meta charset=\"utf-8\">\n"
                                  "<meta name=\"viewport\" content=\"width=device-width, "
                                  "initial-scale=1\">\n<title>") +
                   escaped(page.title) + QStringLiteral("</title>\n<style>") +
                   QString::fromUtf8(Style) + QStringLiteral("</style>\n</head>\n<body>\n<h1>") +
                   escaped(page.title) + QStringLiteral("</h1>\n");
    for (const QString& line : page.subjectLines) {
        if (!line.trimmed().isEmpty() && line != page.title)
            html +=
                QStringLiteral("<p class=\"subject\">") + escaped(line) + QStringLiteral("</p>\n");
    }
    QByteArray bytes = html.toUtf8();
    if (const QByteArray svg = inlineSvg(page.svg); !svg.isEmpty())
        bytes += "<figure>\n" + svg.trimmed() + "\n</figure>\n";
    html = QStringLiteral("<section class=\"results\">\n<h2>結果</h2>\n");
    for (const QString& line : page.results) {
        if (!line.trimmed().isEmpty())
            html += QStringLiteral("<p>") + escaped(line) + QStringLiteral("</p>\n");
    }
    html +=
        QStringLiteral("</section>\n") + readingsTable(page) + QStringLiteral("</body>\n</html>\n");
    return bytes + html.toUtf8();
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
