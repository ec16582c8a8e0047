#pragma once

// A label that keeps its lines one em apart, as the window's gothic fonts do.
// The substitute Japanese fonts ask for about one and a half em a line, which
// would not fit the designed boxes: two-line hints would lose their second
// line and the headings would run under the controls below them.

#include <QLabel>

class QTextLayout;

class DesignLabel : public QLabel
{
    Q_OBJECT
public:
    explicit DesignLabel(QWidget* parent = nullptr);

    // The caption on one line, one em high, plus the frame: what an auto-size
    // label resizes itself to.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    qreal linePitch() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int layOut(QTextLayout& layout, qreal width, bool wrap) const;
};
