#include "ui/DesignLabel.h"

#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace
{
// Where the designed gothic fonts put the baseline in their em-high line; the
// ideographs of any Japanese font fill that band the same way.
constexpr qreal BaselineInEm = 0.86;
} // namespace

DesignLabel::DesignLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

qreal DesignLabel::linePitch() const
{
    return font().pointSizeF() * logicalDpiY() / 72.0;
}

int DesignLabel::layOut(QTextLayout& layout, qreal width, bool wrap) const
{
    QTextOption option(alignment() & Qt::AlignHorizontal_Mask);
    option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    layout.setTextOption(option);
    const qreal pitch = linePitch();
    int lines = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, lines * pitch + BaselineInEm * pitch - line.ascent()));
        ++lines;
    }
    layout.endLayout();
    return lines;
}

QSize DesignLabel::sizeHint() const
{
    QTextLayout layout(text(), font());
    const int lines = std::max(1, layOut(layout, 1e6, false));
    qreal width = 0;
    for (int i = 0; i < layout.lineCount(); ++i)
        width = std::max(width, layout.lineAt(i).naturalTextWidth());
    const int frame = 2 * frameWidth();
    return QSize(int(std::ceil(width)) + frame, int(std::lround(lines * linePitch())) + frame);
}

void DesignLabel::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect();
    painter.setClipRect(area);
    painter.setPen(palette().color(foregroundRole()));
    QTextLayout layout(text(), font(), this);
    layOut(layout, area.width(), wordWrap());
    layout.draw(&painter, area.topLeft());
}
