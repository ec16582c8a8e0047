#pragma once

#include <qcustomplot.h>

#include <vector>

// The edited subject blocks on the main plot, drawn as one layer: a short tick
// at the top for every block, and a dashed line with the block's text for as
// many as fit side by side. A repaint looks at no more markers than the plot
// has pixels, and the plot holds no item per marker, so a file with a hundred
// thousand edits costs the same to show as one with ten.
class SubjectMarkers : public QCPLayerable
{
public:
    explicit SubjectMarkers(QCPAxisRect* rect);

    void add(double x, const QString& label);
    void clear();
    int count() const { return int(m_x.size()); }
    // A label as the last repaint drew it: the text it shows, shortened in
    // the middle where it had no room, and the whole one.
    struct Label {
        QRectF box;
        QString shown;
        QString whole;
    };
    int labelsDrawn() const { return int(m_drawn.size()); }
    const std::vector<Label>& drawnLabels() const { return m_drawn; }
    const Label* labelAt(const QPointF& pos) const;

protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override;
    void draw(QCPPainter* painter) override;
    QRect clipRect() const override;

private:
    void sortByTime();

    QCPAxisRect* m_rect;
    std::vector<double> m_x;
    std::vector<int> m_label; // index into m_labels, per marker
    // Labels as they come, an equal one after another stored once.
    QStringList m_labels;
    bool m_sorted = true;
    std::vector<Label> m_drawn;
};
