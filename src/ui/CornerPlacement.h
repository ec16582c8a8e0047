#pragma once

// Keeps a window's outer frame in the top right corner of a screen while the
// window system is still settling it, and lets go once the user has moved it.
//
// Under X11 the window manager draws the frame around a window only after it
// has been mapped, and may change it later: a window placed by its client
// area before then ends up with its title bar above the screen. So the frame
// is placed again whenever it turns out to differ from what the last
// placement assumed. Nothing is moved before the window is on screen, when
// the window manager has finished framing and placing it. A move that comes
// with no change of the frame is the window manager's while the window is
// settling (it is put back a few times at most) and the user's once it has
// settled (the window then stays where the user put it).

#include <QMargins>
#include <QPoint>
#include <QRect>

#include <optional>

class CornerPlacement
{
public:
    // How often a window manager that keeps putting the window elsewhere is
    // contradicted before it wins.
    static constexpr int MaxAttempts = 4;

    // The frame's top left corner that puts a frame of `frameSize` against the
    // top right corner of `screen`.
    static QPoint cornerFor(const QRect& screen, QSize frameSize);

    // What the window looks like now: its outer frame and its client area in
    // screen coordinates, and whether it is on screen yet. Returns where to
    // move the frame to, or nothing when it is to stay.
    std::optional<QPoint> observe(const QRect& screen, const QRect& frame, const QRect& client,
                                  bool exposed);

    // The window system has had its time: from now on a move is the user's.
    void settle();

    // False once the user has moved the window away from the corner.
    bool followsCorner() const { return m_following; }

private:
    std::optional<QMargins> m_margins;
    bool m_following = true;
    bool m_settled = false;
    int m_attempts = 0;
    // Where the frame was when the last move was asked for, while the window
    // system has not answered it yet.
    std::optional<QPoint> m_unansweredFrom;
};
