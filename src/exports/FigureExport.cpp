#include "exports/FigureExport.h"

#include "exports/ExportFormats.h"
#include "exports/ExportTarget.h"
#include "exports/Figure.h"
#include "exports/HtmlExport.h"
#include "exports/SafeText.h"
#include "exports/SvgFigure.h"
#include "exports/XlsxExport.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPageLayout>
#include <QPdfWriter>
#include <QStorageInfo>
#include <qcustomplot.h>

#include <algorithm>

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

// The figure as PNG bytes, at `scale` times its size and as many dots per
// inch more than the screen's 96; empty when it cannot be drawn.
QByteArray pngOf(QCustomPlot& plot, double scale)
{
    QImage image = plot.toPixmap(FigureWidth, FigureHeight, scale).toImage();
    const int dotsPerMeter = int(96 * scale / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    if (image.isNull() || !QImageWriter(&png, "png").write(image))
        return {};
    return png.data();
}

bool endsAsPdf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 16 || !file.seek(file.size() - 16))
        return false;
    return file.read(16).contains("%%EOF");
}

// The figure on an A4 page in landscape, as a teacher prints it, its
// proportions kept and centred within the margins.
QString drawPdf(QCustomPlot& plot, const QString& title, const QString& temporary)
{
    QPdfWriter pdf(temporary);
    // At the screen's resolution, so that a hairline is as thin as on screen.
    pdf.setResolution(96);
    pdf.setCreator(QStringLiteral("quellmark-graph"));
    // Qt escapes the title in the PDF's metadata, but carries control
    // characters into its XML (XMP) copy: the caller drops them.
    pdf.setTitle(title);
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                  QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    // The PDF writer keeps its reasons to itself and drops a failed write
    // silently: a file without its end is one that was not written whole, and
    // a full disk is the usual reason.
    const auto failed = [&temporary] {
        if (const QStorageInfo disk(QFileInfo(temporary).absolutePath());
            disk.isValid() && disk.bytesAvailable() == 0)
            return QStringLiteral("ディスクに空きがありません");
        return QStringLiteral("図を書き込めません");
    };
    QCPPainter painter;
    if (!painter.begin(&pdf))
        return failed();
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    const QRect area = pdf.pageLayout().paintRectPixels(pdf.resolution());
    const double scale =
        std::min(double(area.width()) / FigureWidth, double(area.height()) / FigureHeight);
    painter.translate((area.width() - FigureWidth * scale) / 2,
                      (area.height() - FigureHeight * scale) / 2);
    painter.scale(scale, scale);
    plot.toPainter(&painter, FigureWidth, FigureHeight);
    if (!painter.end() || !endsAsPdf(temporary))
        return failed();
    return QString();
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
        const QByteArray png = pngOf(plot, 1.0);
        return png.isEmpty() ? cannotDraw : writeWholeFile(temporary, png);
    }
    if (suffix == QStringLiteral("svg")) {
        const QByteArray bytes =
            svgFigure(plot, QSize(FigureWidth, FigureHeight), documentTitle(figure, title));
        return bytes.isEmpty() ? cannotDraw : writeWholeFile(temporary, bytes);
    }
    return drawPdf(plot, withoutXmlForbidden(documentTitle(figure, title)), temporary);
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

QList<UnwritableFormat> unwritableFormats()
{
    QList<UnwritableFormat> formats;
    if (!svgFigureAvailable())
        formats.append(
            {QStringLiteral("SVG"),
             QStringLiteral("この版は Qt の SVG モジュールなしで作られています。"
                            "図は PNG か PDF で保存でき、HTML のページの図は PNG です")});
    if (!xlsxExportAvailable())
        formats.append(
            {QStringLiteral("XLSX"), QStringLiteral("この版は libxlsxwriter なしで作られています。"
                                                    "測定値は CSV で保存できます")});
    return formats;
}

QPixmap figurePixmap(Figure& figure, const FigureOptions& options)
{
    const FitLabelForExport label(figure, options.fitLabel);
    return figure.figurePlot().toPixmap(FigureWidth, FigureHeight);
}

PageFigure pageFigureOfThisBuild()
{
    return svgFigureAvailable() ? PageFigure::Svg : PageFigure::Png;
}

void putFigureOnPage(Figure& figure, bool fitLabel, HtmlPage& page, PageFigure how)
{
    if (page.title.isEmpty())
        page.title = documentTitle(figure);
    const FitLabelForExport label(figure, fitLabel);
    QCustomPlot& plot = figure.figurePlot();
    if (how == PageFigure::Svg) {
        page.svg = svgFigure(plot, QSize(FigureWidth, FigureHeight), page.title);
        return;
    }
    page.png = pngOf(plot, 2.0);
    page.pngSize = QSize(FigureWidth, FigureHeight);
    page.figureText =
        QStringLiteral("グラフ「%1」: 横軸 %2、縦軸 %3、測定値 %4 点。結果と測定値は下の表のとおり")
            .arg(page.title, plot.xAxis->label(), plot.yAxis->label())
            .arg(page.readings.size());
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
