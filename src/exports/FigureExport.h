#pragma once

#include <QPixmap>
#include <QString>
#include <QStringList>

class Figure;
struct HtmlPage;

// The figure as it leaves the program: the window's Save and Copy and the
// command line's --export all go through here, so that every copy of it has
// the same size, legend and fit label.
struct FigureOptions {
    // The fit's equation and numbers above the plot, when a fit is shown.
    bool fitLabel = true;
    // The SVG's and the PDF's title; empty: the figure's own.
    QString title = {};
};

inline constexpr int FigureWidth = 1200;
inline constexpr int FigureHeight = 800;

// Writes the figure as PNG, SVG or PDF, chosen by the suffix of `path`,
// through the export guard. On failure returns false with a message in
// Japanese in `error`. The plot in the window is left as it was.
bool exportFigure(Figure& figure, const QString& path, const FigureOptions& options, QString* error,
                  const QStringList& protectedFiles = {});

// How the page carries its figure: as SVG where the build can write it, else
// as a PNG at twice the figure's size, sharp on a high-density screen.
enum class PageFigure { Svg, Png };
PageFigure pageFigureOfThisBuild();

// The page's title (as given, else the figure's or the program's name) and its
// figure, with the fit's label when `fitLabel`. The window's save dialog and
// --export make their pages alike through here.
void putFigureOnPage(Figure& figure, bool fitLabel, HtmlPage& page,
                     PageFigure how = pageFigureOfThisBuild());

// A format this build cannot write, and why, for the save dialog to say
// rather than leave it out without a word.
struct UnwritableFormat {
    QString name;
    QString reason;
};
QList<UnwritableFormat> unwritableFormats();

// The figure as a picture, for the clipboard.
QPixmap figurePixmap(Figure& figure, const FigureOptions& options);

struct ExportSource;
// Any export the target's suffix names: the figure, the page (its figure
// drawn from `figure`, which shows the source's readings and results) or,
// through exportData, the formats that do not draw. The window's save dialog
// and the command line's --export both come here.
bool exportResults(const QString& path, const ExportSource& source, Figure& figure,
                   const FigureOptions& options, QString* error);
