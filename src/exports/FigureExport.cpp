#include "exports/FigureExport.h"

#include "exports/ExportFormats.h"
#include "exports/ExportTarget.h"
#include "exports/Figure.h"
#include "exports/HtmlExport.h"
#include "exports/SafeText.h"
#include "exports/SvgFigure.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QStorageInfo>
#include <qcustomplot.h>

namespace
{

// Shows the fit label for the time of one export.
class FitLabelForExport
{
public:
    FitLabelForExport(Figure& figure, bool shown) : m_figure(figure)
    {
        m_figure.setFitLabelShown(shown);
        m_figure.setWindowStateShown(false);
    }
    ~FitLabelForExport()
    {
        m_figure.setFitLabelShown(false);
        m_figure.setWindowStateShown(true);
    }
    FitLabelForExport(const FitLabelForExport&) = delete;
    FitLabelForExport& operator=(const FitLabelForExport&) = delete;

private:
    Figure& m_figure;
};

QString documentTitle(const Figure& figure, const QString& title = {})
{
    const QString subject = title.isEmpty() ? figure.figureTitle() : title;
    return subject.isEmpty() ? QStringLiteral("クエルマーク グラフ") : subject;
}

// Draws into the guard's temporary file; the format comes from the target's
// suffix, as the temporary file has none of its own.
QString drawFigure(Figure& figure, const QString& suffix, const QString& title,
                   const QString& temporary)
{
    QCustomPlot& plot = figure.figurePlot();
    const QString cannotDraw = QStringLiteral("図を描けません");
    if (suffix == QStringLiteral("png")) {
        // As QCustomPlot's savePng draws it, but written by us, so that a
        // failed write says why.
        QImage image = plot.toPixmap(FigureWidth, FigureHeight).toImage();
        const int dotsPerMeter = int(96 / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        if (image.isNull() || !QImageWriter(&png, "png").write(image))
            return cannotDraw;
        return writeWholeFile(temporary, png.data());
    }
    if (suffix == QStringLiteral("svg")) {
        const QByteArray bytes =
            svgFigure(plot, QSize(FigureWidth, FigureHeight), documentTitle(figure, title));
        return bytes.isEmpty() ? cannotDraw : writeWholeFile(temporary, bytes);
    }
    // Qt escapes the title in the PDF's metadata, but carries control
    // characters into its XML (XMP) copy.
    if (plot.savePdf(temporary, FigureWidth, FigureHeight, QCP::epAllowCosmetic,
                     QStringLiteral("quellmark-graph"),
                     withoutXmlForbidden(documentTitle(figure, title))))
        return QString();
    // The PDF printer keeps its reason to itself; a full disk is the usual one.
    if (const QStorageInfo disk(QFileInfo(temporary).absolutePath());
        disk.isValid() && disk.bytesAvailable() == 0)
        return QStringLiteral("ディスクに空きがありません");
    return cannotDraw;
}

} // namespace

bool exportFigure(Figure& figure, const QString& path, const FigureOptions& options, QString* error,
                  const QStringList& protectedFiles)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool known = suffix == QStringLiteral("png") || suffix == QStringLiteral("pdf") ||
                       suffix == QStringLiteral("svg");
    if (!known) {
        *error = QStringLiteral("PNG、SVG、PDF、HTML、XLSX、CSV のどれかで保存してください: %1")
                     .arg(path);
        return false;
    }
    if (suffix == QStringLiteral("svg") && !svgFigureAvailable()) {
        *error = QStringLiteral("この版は SVG で保存できません。PNG か PDF で保存してください: %1")
                     .arg(path);
        return false;
    }
    const FitLabelForExport label(figure, options.fitLabel);
    const auto failed = writeExport(path, protectedFiles, [&](const QString& temporary) {
        return drawFigure(figure, suffix, options.title, temporary);
    });
    if (failed)
        *error = failed->message;
    return !failed;
}

QPixmap figurePixmap(Figure& figure, const FigureOptions& options)
{
    const FitLabelForExport label(figure, options.fitLabel);
    return figure.figurePlot().toPixmap(FigureWidth, FigureHeight);
}

void putFigureOnPage(Figure& figure, bool fitLabel, HtmlPage& page)
{
    if (page.title.isEmpty())
        page.title = documentTitle(figure);
    const FitLabelForExport label(figure, fitLabel);
    page.svg = svgFigure(figure.figurePlot(), QSize(FigureWidth, FigureHeight), page.title);
}

bool exportResults(const QString& path, const ExportSource& source, Figure& figure,
                   const FigureOptions& options, QString* error)
{
    const std::optional<ExportFormat> format = exportFormatOf(path);
    if (format && !exportFormatDraws(*format))
        return exportData(*format, path, source, error);
    if (format != ExportFormat::Html) {
        FigureOptions titled = options;
        titled.title = exportTitle(source.model);
        return exportFigure(figure, path, titled, error, source.protectedFiles);
    }
    const MeasurementModel& model = source.model;
    HtmlPage page;
    page.subjectLines = model.initialSubjectLines();
    page.valueTitle = model.valueTitle();
    page.readings = model.readings();
    page.results = source.resultLines;
    page.title = exportTitle(model);
    page.subjectChanges = subjectChangeLines(model.subjectChanges());
    page.marks = pressMarks(source.results.goodPeriod());
    putFigureOnPage(figure, options.fitLabel && source.results.fitShown(), page);
    return writeHtmlPage(path, page, error, source.protectedFiles);
}
