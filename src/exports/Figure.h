#pragma once

#include <QString>

class QCustomPlot;

// What the figure exports draw: a plot that can show the fit's equation and
// numbers above itself for the time of an export. The companion's plot is
// one; the exports know it by this alone.
class Figure
{
public:
    virtual QCustomPlot& figurePlot() = 0;
    // The subject block the figure is titled with; empty when there is none.
    virtual QString figureTitle() const = 0;
    virtual void setFitLabelShown(bool shown) = 0;
    // What only the window shows (a selection, a dragged range), hidden for
    // the time of an export.
    virtual void setWindowStateShown(bool /*shown*/) {}

protected:
    ~Figure() = default;
};
