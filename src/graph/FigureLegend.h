#pragma once

#include <qcustomplot.h>

#include <initializer_list>
#include <vector>

// The key to the main plot, in its top right corner: an entry for each of the
// given graphs, in their order, that has something to show.
class FigureLegend
{
public:
    FigureLegend(QCPAxisRect* rect, std::initializer_list<QCPGraph*> entries);

    // After the graphs' data changed.
    void update();
    QCPLegend* legend() const { return m_legend; }

private:
    QCPLegend* m_legend;
    std::vector<QCPGraph*> m_entries;
};
