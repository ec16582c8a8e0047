#pragma once

#include "exports/ExportTables.h"
#include "readings/Reading.h"

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

// The results as one page that opens offline in any current browser, on a
// school tablet as on a desktop: the figure as inline SVG (or, in a build
// without SVG, as a PNG inside the page), the results as
// text and the table of readings, with no script and nothing fetched from
// outside. The first screen (title, figure, results) prints on one A4 page.
struct HtmlPage {
    QString title;            // the subject, or the program's name
    QStringList subjectLines; // shown under the title, empty ones left out
    QByteArray svg;           // the figure as svgFigure() makes it
    QByteArray png;           // or as PNG, shown at pngSize CSS pixels
    QSize pngSize;
    QString figureText;  // what the PNG shows, for those who cannot see it
    QStringList results; // the fit and lap results, one line each
    QString valueTitle;  // the value column's title
    QList<Reading> readings;
    QStringList subjectChanges; // as subjectChangeLines() gives them
    PressMarks marks;           // of the period fit, in the table's remarks
};

// The most readings the page's table lists: a browser draws a table of these
// in seconds; the page names those past it and sends the reader to the CSV
// and the workbook, which hold every one.
constexpr qsizetype HtmlTableMaxRows = 20000;

QByteArray htmlPage(const HtmlPage& page);

// Writes htmlPage() to `path` through the export guard. On failure returns
// false with a message in Japanese in `error`.
bool writeHtmlPage(const QString& path, const HtmlPage& page, QString* error,
                   const QStringList& protectedFiles = {});

// An SVG document as an element to put into HTML: the XML declaration and
// anything else before <svg> dropped, the fixed size of the root replaced so
// that the figure takes the page's width, the namespaces left to the HTML
// parser, which gives them itself. Exposed for the tests.
QByteArray inlineSvg(const QByteArray& svg);
