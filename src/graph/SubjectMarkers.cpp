#include "graph/SubjectMarkers.h"

#include <algorithm>
#include <numeric>

namespace
{

constexpr int TickLength = 6;
constexpr int LabelGap = 8;
constexpr int MaxLabelWidth = 260;

} // namespace

SubjectMarkers::SubjectMarkers(QCPAxisRect* rect)
    : QCPLayerable(rect->parentPlot(), QString(), rect), m_rect(rect)
{
    setAntialiased(false);
}

void SubjectMarkers::add(double x, const QString& label)
{
    if (!m_x.empty() && x < m_x.back())
        m_sorted = false;
    if (m_labels.isEmpty() || m_labels.last() != label)
        m_labels.append(label);
    m_x.push_back(x);
    m_label.push_back(int(m_labels.size()) - 1);
}

void SubjectMarkers::clear()
{
    m_x = {};
    m_label = {};
    m_labels = {};
    m_sorted = true;
    m_drawn = {};
}

const SubjectMarkers::Label* SubjectMarkers::labelAt(const QPointF& pos) const
{
    const auto it = std::find_if(m_drawn.begin(), m_drawn.end(),
                                 [&pos](const Label& label) { return label.box.contains(pos); });
    return it == m_drawn.end() ? nullptr : &*it;
}

void SubjectMarkers::applyDefaultAntialiasingHint(QCPPainter* painter) const
{
    applyAntialiasingHint(painter, mAntialiased, QCP::aeItems);
}

QRect SubjectMarkers::clipRect() const
{
    return m_rect->rect();
}

// A file edited by hand can put a block before an earlier reading.
void SubjectMarkers::sortByTime()
{
    std::vector<std::size_t> order(m_x.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [this](std::size_t a, std::size_t b) { return m_x[a] < m_x[b]; });
    std::vector<double> x(order.size());
    std::vector<int> label(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        x[i] = m_x[order[i]];
        label[i] = m_label[order[i]];
    }
    m_x = std::move(x);
    m_label = std::move(label);
    m_sorted = true;
}

void SubjectMarkers::draw(QCPPainter* painter)
{
    m_drawn.clear();
    if (m_x.empty())
        return;
    if (!m_sorted)
        sortByTime();
    const QCPAxis* axis = m_rect->axis(QCPAxis::atBottom);
    const QRect area = m_rect->rect();
    const auto begin = m_x.cbegin();
    const auto end = m_x.cend();
    // The first marker at or right of pixel column `px`.
    const auto firstFrom = [&](auto from, double px) {
        return std::lower_bound(from, end, axis->pixelToCoord(px));
    };

    // Ticks: one per pixel column that holds any marker.
    QVector<QLineF> ticks;
    for (auto it = firstFrom(begin, area.left()); it != end;) {
        const double px = std::round(axis->coordToPixel(*it));
        if (px > area.right())
            break;
        ticks.append(QLineF(px, area.top(), px, area.top() + TickLength));
        it = firstFrom(it + 1, px + 0.5);
    }
    painter->setPen(QPen(Qt::darkGray, 1));
    painter->drawLines(ticks);

    // Labels, left to right, each where the one before has left room.
    QFont font = mParentPlot->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    painter->setFont(font);
    const QFontMetrics metrics(font, painter->device());
    const int textTop = area.top() + TickLength + 2;
    const QPen dashed(QColor(110, 110, 110), 1, Qt::DashLine);
    for (auto it = firstFrom(begin, area.left()); it != end;) {
        const double px = std::round(axis->coordToPixel(*it));
        if (px > area.right() - LabelGap)
            break;
        // Of several markers in one column the last one's text is the one in force.
        const auto last = firstFrom(it + 1, px + 0.5) - 1;
        const QString& label = m_labels.at(m_label[std::size_t(last - begin)]);
        // The start and the end of a subject tell blocks apart best: what
        // changed is often the last word.
        const QString shown = metrics.elidedText(
            label, Qt::ElideMiddle, std::min(MaxLabelWidth, int(area.right() - px) - 4));
        const int width = metrics.horizontalAdvance(shown) + 6;
        painter->setPen(dashed);
        painter->drawLine(QLineF(px, area.top(), px, area.bottom()));
        if (!shown.isEmpty()) {
            const QRectF box(px + 1, textTop, width, metrics.height());
            painter->fillRect(box, QColor(255, 255, 255, 200));
            painter->setPen(QPen(QColor(60, 60, 60)));
            painter->drawText(box, Qt::AlignCenter, shown);
            m_drawn.push_back({box, shown, label});
        }
        it = firstFrom(last + 1, px + width + LabelGap);
    }
}
