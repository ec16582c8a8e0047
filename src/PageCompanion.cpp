// In the page, the companion is no program of its own: the page's button
// opens its window beside the main window, following the newest data file of
// this page's measurement as the desktop companion follows DATA.

#include "graph/GraphWindow.h"

#include <QDir>
#include <QPointer>

#include <emscripten.h>

namespace
{

// What the window shows, for the page (its tests and support) to read.
EM_JS(void, tellPageReadingsShown, (int readings),
      { globalThis.quellmarkGraphReadings = readings; });

} // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void quellmarkShowGraph()
{
    static QPointer<GraphWindow> window;
    if (!window) {
        window = new GraphWindow(QDir::current().filePath(QStringLiteral("DATA")));
        window->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(window, &GraphWindow::readingsShown, window,
                         [](int readings) { tellPageReadingsShown(readings); });
    }
    window->show();
    window->raise();
    window->activateWindow();
}
