#include "ui/GuideWindow.h"

#include "ui/AppIcon.h"
#include "ui/Fonts.h"
#include "ui/GuideText.h"
#include "ui/Twips.h"

#include <QDir>
#include <QEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QWindow>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace
{
constexpr QRect TexGuideDesigned = Twips::rect(120, 60, 4875, 7515);
constexpr QSize ClientSize(Twips::toPixels(5100), Twips::toPixels(7620));
// The box keeps these margins to the window's outer size, frame and title bar
// included.
constexpr int WidthMargin = Twips::toPixels(240);
constexpr int HeightMargin = Twips::toPixels(510);
// A window manager frames a new window within a few tens of milliseconds, and
// may report a changed frame with no event Qt passes on; so the frame is
// looked at for a while after every change of the window's geometry.
constexpr int FrameWatchIntervalMs = 50;
constexpr int FrameWatchChecks = 30;
} // namespace

GuideWindow::GuideWindow() : QWidget(nullptr), m_texGuide(new QPlainTextEdit(this))
{
    setObjectName(u"GuideForm"_s);
    setWindowTitle(u"QMKguide"_s);
    setWindowIcon(appIcon());
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(Fonts::gothic(9));
    resize(ClientSize);

    m_texGuide->setObjectName(u"TexGuide"_s);
    m_texGuide->setFont(Fonts::proportionalGothic(11.25));
    m_texGuide->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_texGuide->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_texGuide->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_texGuide->setGeometry(TexGuideDesigned);
    setFocusProxy(m_texGuide);

    m_frameWatch.setInterval(FrameWatchIntervalMs);
    connect(&m_frameWatch, &QTimer::timeout, this, [this] {
        checkFrame();
        if (--m_frameChecksLeft > 0)
            return;
        m_frameWatch.stop();
        m_placement.settle();
    });
}

void GuideWindow::load(QScreen* screen, QMargins frameMargins)
{
    m_screen = screen;
    resize(ClientSize);
    m_texGuide->setPlainText(guideText(
        QDir::toNativeSeparators(QDir::current().absoluteFilePath(QStringLiteral("DATA")))));
    placeAtTopRight(frameMargins);
    // The frame and every change of it are reported to the window; the
    // widget hears only of changes to its client area.
    create();
    windowHandle()->installEventFilter(this);
    // Normal, not over the whole page as a browser's Qt shows a window, where
    // it would have no title bar and no close box to go by.
    showNormal();
    m_texGuide->setFocus();
    watchFrame();
}

void GuideWindow::placeAtTopRight(QMargins frameMargins)
{
    const QSize outer(width() + frameMargins.left() + frameMargins.right(),
                      height() + frameMargins.top() + frameMargins.bottom());
    // move() places a top-level window by its frame.
    move(CornerPlacement::cornerFor(m_screen ? m_screen->geometry() : screen()->geometry(), outer));
}

bool GuideWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == windowHandle()) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
        case QEvent::Expose:
            // At once, so that a move the user makes right after the window
            // came on screen is already taken as the user's.
            checkFrame();
            watchFrame();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void GuideWindow::watchFrame()
{
    m_frameChecksLeft = FrameWatchChecks;
    if (!m_frameWatch.isActive())
        m_frameWatch.start();
}

void GuideWindow::checkFrame()
{
    // The window's own geometry: the widget learns of a move only after the
    // window has, and of a new frame not at all.
    QWindow* window = windowHandle();
    if (!window || !isVisible())
        return;
    fitTextBox();
    const QRect area = m_screen ? m_screen->geometry() : screen()->geometry();
    if (const auto corner = m_placement.observe(area, window->frameGeometry(), window->geometry(),
                                                window->isExposed()))
        window->setFramePosition(*corner);
}

void GuideWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitTextBox();
}

void GuideWindow::fitTextBox()
{
    const QSize outer =
        windowHandle() ? windowHandle()->frameGeometry().size() : frameGeometry().size();
    // A minimised or very small window must not give the box a negative size.
    m_texGuide->resize(std::max(0, outer.width() - WidthMargin),
                       std::max(0, outer.height() - HeightMargin));
}
