#include "graph/FigureLegend.h"

#include <limits>
#include <utility>

namespace
{

// A point's mark reaches a few pixels beyond its centre.
constexpr double MarkReach = 6.0;

} // namespace

// Chooses its corner each time the plot is laid out, at whatever size: the
// window's, or an exported figure's.
class FigureLegend::PlacedLegend : public QCPLegend
{
public:
    explicit PlacedLegend(const FigureLegend& owner) : m_owner(owner) {}
    void update(UpdatePhase phase) override
    {
        if (phase == upLayout && visible())
            setOuterRect(m_owner.emptiestCorner(outerRect().size()));
        QCPLegend::update(phase);
    }

private:
    const FigureLegend& m_owner;
};

FigureLegend::FigureLegend(QCPAxisRect* rect, std::initializer_list<QCPGraph*> entries)
    : m_rect(rect), m_legend(new PlacedLegend(*this)), m_entries(entries)
{
    rect->insetLayout()->addElement(m_legend, Qt::AlignRight | Qt::AlignTop);
    m_legend->setLayer(QStringLiteral("legend"));
    m_legend->setFont(rect->parentPlot()->font());
    m_legend->setBrush(QColor(255, 255, 255, 220));
    m_legend->setBorderPen(QPen(QColor(160, 160, 160)));
    m_legend->setSelectableParts(QCPLegend::spNone);
    m_legend->setVisible(false);
}

void FigureLegend::update()
{
    std::vector<QCPGraph*> wanted;
    for (QCPGraph* graph : m_entries) {
        if (!graph->data()->isEmpty())
            wanted.push_back(graph);
    }
    bool same = int(wanted.size()) == m_legend->itemCount();
    for (std::size_t i = 0; same && i < wanted.size(); ++i)
        same = m_legend->itemWithPlottable(wanted[i]) == m_legend->item(int(i));
    // Removing an entry and adding it again would change the order: all anew.
    if (!same) {
        m_legend->clearItems();
        for (QCPGraph* graph : wanted)
            graph->addToLegend(m_legend);
    }
    m_legend->setVisible(!wanted.empty());
}

int FigureLegend::pointsWithin(const QRectF& box, int enough) const
{
    int count = 0;
    for (const QCPGraph* graph : m_entries) {
        const QCPAxis* keys = graph->keyAxis();
        const QCPAxis* values = graph->valueAxis();
        double from = keys->pixelToCoord(box.left());
        double to = keys->pixelToCoord(box.right());
        if (from > to)
            std::swap(from, to);
        // Only the points below the box's width: as quick at a million readings.
        const QCPGraphDataContainer& data = *graph->data();
        const auto end = data.findEnd(to, false);
        for (auto it = data.findBegin(from, false); it != end; ++it) {
            if (box.contains(keys->coordToPixel(it->key), values->coordToPixel(it->value)) &&
                ++count >= enough)
                return count;
        }
    }
    return count;
}

QRect FigureLegend::emptiestCorner(const QSize& size) const
{
    const QRect area = m_rect->rect();
    QRect best(area.right() - size.width() + 1, area.top(), size.width(), size.height());
    int fewest = std::numeric_limits<int>::max();
    for (const Qt::Alignment corner :
         {Qt::AlignRight | Qt::AlignTop, Qt::AlignLeft | Qt::AlignTop,
          Qt::AlignRight | Qt::AlignBottom, Qt::AlignLeft | Qt::AlignBottom}) {
        const int x = corner & Qt::AlignLeft ? area.left() : area.right() - size.width() + 1;
        const int y = corner & Qt::AlignTop ? area.top() : area.bottom() - size.height() + 1;
        const QRect box(x, y, size.width(), size.height());
        const int covered = pointsWithin(
            QRectF(box).adjusted(-MarkReach, -MarkReach, MarkReach, MarkReach), fewest);
        if (covered < fewest) {
            fewest = covered;
            best = box;
        }
        if (fewest == 0)
            break;
    }
    return best;
}
