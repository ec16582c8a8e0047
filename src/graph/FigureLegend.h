#pragma once

#include <qcustomplot.h>

#include <initializer_list>
#include <vector>

// The key to the main plot: an entry for each of the given graphs, in their
// order, that has something to show, in the corner of the plot that it
// hides the fewest points in (none, as a rule).
class FigureLegend
{
public:
    FigureLegend(QCPAxisRect* rect, std::initializer_list<QCPGraph*> entries);

    // After the graphs' data changed.
    void update();
    QCPLegend* legend() const { return m_legend; }

private:
    class PlacedLegend;
    // Where a legend of `size` hides the fewest points, in pixels.
    QRect emptiestCorner(const QSize& size) const;
    // How many points, up to `enough`, lie inside `box` (in pixels).
    int pointsWithin(const QRectF& box, int enough) const;

    QCPAxisRect* m_rect;
    QCPLegend* m_legend;
    std::vector<QCPGraph*> m_entries;
};
