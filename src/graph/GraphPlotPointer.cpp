#include "graph/GraphPlot.h"

#include "graph/NumberedPoints.h"
#include "graph/PlainToolTip.h"
#include "graph/SubjectMarkers.h"

#include <QHelpEvent>
#include <QToolTip>

#include <utility>

// The plot under the pointer: a click that takes a reading's point, and the
// whole text of a subject marker whose label is shortened.

namespace
{

// How far from a point a click still takes it, and how far the pointer may
// move between press and release for a click rather than a dragged range
// (QCustomPlot's own limit).
constexpr double ClickReach = 8.0;
constexpr int ClickSlop = 3;

} // namespace

std::optional<int> GraphPlot::readingAt(const QPoint& pos) const
{
    std::optional<int> nearest;
    double best = ClickReach * ClickReach;
    for (const NumberedPoints* points :
         {m_validPoints.get(), m_excludedPoints.get(), m_rejectedPoints.get(), m_lapPoints.get(),
          m_excludedLapPoints.get()}) {
        const QCPGraph* graph = points->graph();
        if (!graph->keyAxis()->axisRect()->rect().contains(pos) ||
            !graph->keyAxis()->axisRect()->visible())
            continue;
        // Only the points within reach of the pointer's x: a click costs the
        // same at a million readings.
        double from = graph->keyAxis()->pixelToCoord(pos.x() - ClickReach);
        double to = graph->keyAxis()->pixelToCoord(pos.x() + ClickReach);
        if (from > to)
            std::swap(from, to);
        const QCPGraphDataContainer& data = *graph->data();
        const int first = int(data.findBegin(from, false) - data.constBegin());
        const int last = int(data.findEnd(to, false) - data.constBegin());
        for (int i = first; i < last; ++i) {
            const NumberedPoints::Point p = points->at(i);
            const QPointF at = graph->coordsToPixels(p.key, p.value);
            const double dx = at.x() - pos.x();
            const double dy = at.y() - pos.y();
            if (dx * dx + dy * dy <= best) {
                best = dx * dx + dy * dy;
                nearest = p.number;
            }
        }
    }
    return nearest;
}

void GraphPlot::mousePressEvent(QMouseEvent* event)
{
    m_pressedAt = event->pos();
    QCustomPlot::mousePressEvent(event);
}

void GraphPlot::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = event->button() == Qt::LeftButton &&
                       (event->pos() - m_pressedAt).manhattanLength() <= ClickSlop;
    QCustomPlot::mouseReleaseEvent(event);
    if (!click)
        return;
    if (const std::optional<int> number = readingAt(event->pos()))
        emit readingClicked(*number);
}

bool GraphPlot::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QCustomPlot::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const SubjectMarkers::Label* label = m_markers->labelAt(help->pos());
    if (!label) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QToolTip::showText(help->globalPos(), plainToolTip(label->whole), this,
                       label->box.toAlignedRect());
    return true;
}
