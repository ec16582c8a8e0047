#include "ui/CornerPlacement.h"

QPoint CornerPlacement::cornerFor(const QRect& screen, QSize frameSize)
{
    return QPoint(screen.x() + screen.width() - frameSize.width(), screen.y());
}

std::optional<QPoint> CornerPlacement::observe(const QRect& screen, const QRect& frame,
                                               const QRect& client, bool exposed)
{
    const QMargins margins(client.left() - frame.left(), client.top() - frame.top(),
                           frame.right() - client.right(), frame.bottom() - client.bottom());
    const bool frameChanged = m_margins != margins;
    m_margins = margins;
    if (!m_following)
        return std::nullopt;

    if (frameChanged && m_settled) {
        // A frame that arrives or changes late: settle again around it.
        m_settled = false;
        m_attempts = 0;
    }
    // Until the window is on screen the window manager is still framing and
    // placing it; a move asked for now would be answered after its own
    // placement and look like the user's.
    if (!exposed)
        return std::nullopt;
    const QPoint corner = cornerFor(screen, frame.size());
    if (frame.topLeft() == corner) {
        m_unansweredFrom.reset();
        m_settled = true;
        return std::nullopt;
    }
    if (!frameChanged && m_unansweredFrom == frame.topLeft())
        return std::nullopt;
    if (m_settled && !frameChanged) {
        m_following = false;
        return std::nullopt;
    }
    if (m_attempts >= MaxAttempts) {
        m_following = false;
        return std::nullopt;
    }
    ++m_attempts;
    m_unansweredFrom = frame.topLeft();
    return corner;
}

void CornerPlacement::settle()
{
    m_settled = true;
    m_unansweredFrom.reset();
}
