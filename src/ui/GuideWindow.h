#pragma once

// The operation guide: a second top-level window, modeless and without an
// owner, holding the guide text in one editable box that follows the
// window's size. The main window creates it on demand and it deletes itself
// when closed, so every opening starts again from the top right corner of the
// screen with freshly built text.

#include "ui/CornerPlacement.h"

#include <QMargins>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class QPlainTextEdit;
class QScreen;

class GuideWindow final : public QWidget
{
    Q_OBJECT
public:
    GuideWindow();

    // Shows the window at the top right corner of `screen` with freshly built
    // text. `frameMargins` is the best guess of the window frame until the
    // window system has told its own.
    void load(QScreen* screen, QMargins frameMargins);

    QPlainTextEdit* texGuide() const { return m_texGuide; }

    // True while the window still looks out for a frame the window system
    // adds or changes after the window was shown.
    bool watchesFrame() const { return m_frameWatch.isActive(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeAtTopRight(QMargins frameMargins);
    void watchFrame();
    void checkFrame();
    void fitTextBox();

    QPlainTextEdit* m_texGuide;
    QPointer<QScreen> m_screen;
    CornerPlacement m_placement;
    QTimer m_frameWatch;
    int m_frameChecksLeft = 0;
};
