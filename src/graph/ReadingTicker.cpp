#include "graph/ReadingTicker.h"

#include <algorithm>
#include <cmath>

double ReadingTicker::getTickStep(const QCPRange& range)
{
    const QFontMetrics metrics(m_axis->tickLabelFont());
    const double widest = std::max(std::abs(range.lower), std::abs(range.upper));
    const QString label = QString::number(std::floor(widest), 'f', 0);
    // A label and the gap of two of its digits before the next one.
    const int room = metrics.horizontalAdvance(label) + 2 * metrics.horizontalAdvance(u'0');
    // Ticks are made before the layout: the panel's width is the plot's
    // (an exported figure's size is set by then) less the margins the last
    // layout left beside it, or a guess at them before the first one.
    const QCPAxisRect* rect = m_axis->axisRect();
    const int margins = rect->width() > 0 ? rect->outerRect().width() - rect->width() : 100;
    const int width = m_axis->parentPlot()->viewport().width() - margins;
    const double labels = std::max(1, width / std::max(1, room));
    const double wanted = std::max(1.0, range.size() / labels);
    // 1, 2, 5, 10, 20, 50, …: the smallest such step as wide as wanted.
    const double magnitude = std::pow(10.0, std::floor(std::log10(wanted)));
    for (const double mantissa : {1.0, 2.0, 5.0, 10.0}) {
        if (mantissa * magnitude >= wanted)
            return mantissa * magnitude;
    }
    return 10.0 * magnitude;
}

int ReadingTicker::getSubTickCount(double tickStep)
{
    // A sub-tick on every reading while there is room for them.
    const double between = tickStep - 1.0;
    return tickStep <= 10.0 ? int(between) : 0;
}
