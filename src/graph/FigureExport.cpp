#include "graph/FigureExport.h"

#include "graph/GraphPlot.h"
#include "graph/HtmlExport.h"
#include "graph/SvgFigure.h"

#include <QFileInfo>

namespace
{

// Shows the fit label for the time of one export.
class FitLabelForExport
{
public:
    FitLabelForExport(GraphPlot& plot, bool shown) : m_plot(plot)
    {
        m_plot.setFitLabelShown(shown);
    }
    ~FitLabelForExport() { m_plot.setFitLabelShown(false); }
    FitLabelForExport(const FitLabelForExport&) = delete;
    FitLabelForExport& operator=(const FitLabelForExport&) = delete;

private:
    GraphPlot& m_plot;
};

QString documentTitle(const GraphPlot& plot)
{
    const QString subject = plot.figureTitle();
    return subject.isEmpty() ? QStringLiteral("クエルマーク グラフ") : subject;
}

} // namespace

bool exportFigure(GraphPlot& plot, const QString& path, const FigureOptions& options,
                  QString* error)
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
    const FitLabelForExport label(plot, options.fitLabel);
    bool ok = false;
    if (suffix == QStringLiteral("png"))
        ok = plot.savePng(path, FigureWidth, FigureHeight);
    else if (suffix == QStringLiteral("pdf"))
        ok = plot.savePdf(path, FigureWidth, FigureHeight, QCP::epAllowCosmetic,
                          QStringLiteral("quellmark-graph"), documentTitle(plot));
    else
        ok = writeSvgFigure(plot, path, QSize(FigureWidth, FigureHeight), documentTitle(plot));
    if (!ok)
        *error = QStringLiteral("図を保存できません: %1").arg(path);
    return ok;
}

QPixmap figurePixmap(GraphPlot& plot, const FigureOptions& options)
{
    const FitLabelForExport label(plot, options.fitLabel);
    return plot.toPixmap(FigureWidth, FigureHeight);
}

void putFigureOnPage(GraphPlot& plot, bool fitLabel, HtmlPage& page)
{
    page.title =
        plot.figureTitle().isEmpty() ? QStringLiteral("クエルマーク グラフ") : plot.figureTitle();
    plot.setFitLabelShown(fitLabel);
    page.svg = svgFigure(plot, QSize(FigureWidth, FigureHeight), page.title);
    plot.setFitLabelShown(false);
}
