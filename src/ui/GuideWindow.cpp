#include "ui/GuideWindow.h"

#include "ui/AppIcon.h"
#include "ui/Fonts.h"
#include "ui/GuideText.h"
#include "ui/Twips.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QTimer>

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
}

void GuideWindow::load(QScreen* screen, QMargins frameMargins)
{
    resize(ClientSize);
    m_texGuide->setPlainText(guideText());
    placeAtTopRight(screen, frameMargins);
    show();
    m_texGuide->setFocus();
    // The window system may add a frame of another width than guessed; once it
    // has, put the window back against the edge.
    QTimer::singleShot(0, this, [this, screen = QPointer<QScreen>(screen), frameMargins] {
        if (screen && frameGeometry().right() != screen->geometry().right())
            placeAtTopRight(screen, frameMargins);
    });
}

void GuideWindow::placeAtTopRight(QScreen* screen, QMargins frameMargins)
{
    const QRect area = screen->geometry();
    int outerWidth = frameGeometry().width();
    if (!isVisible())
        outerWidth = width() + frameMargins.left() + frameMargins.right();
    // move() places a top-level window by its frame.
    move(area.right() + 1 - outerWidth, area.top());
}

void GuideWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitTextBox();
}

void GuideWindow::fitTextBox()
{
    const QSize outer = frameGeometry().size();
    // A minimised or very small window must not give the box a negative size.
    m_texGuide->resize(std::max(0, outer.width() - WidthMargin),
                       std::max(0, outer.height() - HeightMargin));
}
