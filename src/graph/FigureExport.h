#pragma once

#include <QPixmap>
#include <QString>

class GraphPlot;
struct HtmlPage;

// The figure as it leaves the program: the window's Save and Copy and the
// command line's --export all go through here, so that every copy of it has
// the same size, legend and fit label.
struct FigureOptions {
    // The fit's equation and numbers above the plot, when a fit is shown.
    bool fitLabel = true;
};

inline constexpr int FigureWidth = 1200;
inline constexpr int FigureHeight = 800;

// Writes `plot` as PNG, SVG or PDF, chosen by the suffix of `path`. On failure
// returns false with a message in Japanese in `error`. The plot in the window
// is left as it was.
bool exportFigure(GraphPlot& plot, const QString& path, const FigureOptions& options,
                  QString* error);

// The page's title (the figure's, or the program's name) and its figure as
// inline SVG, with the fit's label when `fitLabel`. The window's save dialog
// and --export make their pages alike through here.
void putFigureOnPage(GraphPlot& plot, bool fitLabel, HtmlPage& page);

// The figure as a picture, for the clipboard.
QPixmap figurePixmap(GraphPlot& plot, const FigureOptions& options);
