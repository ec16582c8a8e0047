#include "exports/FigureExport.h"

#include "exports/ExportFormats.h"
#include "exports/ExportTarget.h"
#include "exports/Figure.h"
#include "exports/HtmlExport.h"
#include "exports/SvgFigure.h"

#include <QFile>
#include <QFileInfo>
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

QString documentTitle(const Figure& figure)
{
    const QString subject = figure.figureTitle();
    return subject.isEmpty() ? QStringLiteral("クエルマーク グラフ") : subject;
}

// Draws into the guard's temporary file; the format comes from the target's
// suffix, as the temporary file has none of its own.
QString drawFigure(Figure& figure, const QString& suffix, const QString& temporary)
{
    QCustomPlot& plot = figure.figurePlot();
    bool ok = false;
    if (suffix == QStringLiteral("png")) {
        ok = plot.savePng(temporary, FigureWidth, FigureHeight);
    } else if (suffix == QStringLiteral("pdf")) {
        ok = plot.savePdf(temporary, FigureWidth, FigureHeight, QCP::epAllowCosmetic,
                          QStringLiteral("quellmark-graph"), documentTitle(figure));
    } else {
        const QByteArray bytes =
            svgFigure(plot, QSize(FigureWidth, FigureHeight), documentTitle(figure));
        QFile file(temporary);
        ok = !bytes.isEmpty() && file.open(QIODevice::WriteOnly) &&
             file.write(bytes) == bytes.size() && file.flush();
        if (!ok && file.error() != QFileDevice::NoError)
            return file.errorString();
    }
    return ok ? QString() : QStringLiteral("図を描けません");
}

} // namespace

bool exportFigure(Figure& figure, const QString& path, const FigureOptions& options,
                  QString* error, const QStringList& protectedFiles)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool known = suffix == QStringLiteral("png") || suffix == QStringLiteral("pdf") ||
                       suffix == QStringLiteral("svg");
    if (!known) {
        *error = QStringLiteral("PNG、SVG、PDF のどれかで保存してください: %1").arg(path);
        return false;
    }
    if (suffix == QStringLiteral("svg") && !svgFigureAvailable()) {
        *error = QStringLiteral("この版は SVG で保存できません。PNG か PDF で保存してください: %1")
                     .arg(path);
        return false;
    }
    const FitLabelForExport label(figure, options.fitLabel);
    const auto failed = writeExport(path, protectedFiles, [&](const QString& temporary) {
        return drawFigure(figure, suffix, temporary);
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
    if (format != ExportFormat::Html)
        return exportFigure(figure, path, options, error, source.protectedFiles);
    const MeasurementModel& model = source.model;
    HtmlPage page;
    page.subjectLines = model.initialSubjectLines();
    page.valueTitle = model.valueTitle();
    page.readings = model.readings();
    page.results = source.resultLines;
    putFigureOnPage(figure, options.fitLabel && source.results.fitShown(), page);
    return writeHtmlPage(path, page, error, source.protectedFiles);
}
