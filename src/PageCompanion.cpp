// In the page, the companion is no program of its own: the page's button
// opens its window beside the main window, following the newest data file of
// this page's measurement as the desktop companion follows DATA.

#include "graph/GraphWindow.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QScreen>
#include <QWindow>

#include <emscripten.h>

#include <algorithm>

namespace
{

// What the window shows, for the page (its tests and support) to read.
EM_JS(void, tellPageReadingsShown, (int readings),
      { globalThis.quellmarkGraphReadings = readings; });

// Beside the main window and behind it, so that the measurement goes on in
// sight of its graph: what the main window leaves of the page, and on a
// page too narrow for both, as much more as the companion needs.
void placeBeside(QWidget& window)
{
    QWidget* main = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QStringLiteral("RecorderForm"))
            main = w;
    }
    const QRect screen = window.screen()->availableGeometry();
    const QMargins frame = window.windowHandle()->frameMargins();
    const int left = main ? main->frameGeometry().right() + 1 : screen.left();
    const int width = std::min(
        screen.width(), std::max(screen.right() + 1 - left,
                                 window.minimumSizeHint().width() + frame.left() + frame.right()));
    window.setGeometry(
        QRect(QPoint(screen.right() + 1 - width + frame.left(), screen.top() + frame.top()),
              QPoint(screen.right() - frame.right(), screen.bottom() - frame.bottom())));
    // The measurement key stays with the main window.
    if (main) {
        main->raise();
        main->activateWindow();
    }
}

} // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void quellmarkShowGraph()
{
    static QPointer<GraphWindow> window;
    if (!window) {
        window = new GraphWindow(QDir::current().filePath(QStringLiteral("DATA")));
        // A title bar to move it by and a box to close it with.
        window->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
        window->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(window, &GraphWindow::readingsShown, window,
                         [](int readings) { tellPageReadingsShown(readings); });
        // Not the whole page, as a browser's Qt shows every window.
        window->showNormal();
        placeBeside(*window);
        return;
    }
    window->showNormal();
    window->raise();
    window->activateWindow();
}
