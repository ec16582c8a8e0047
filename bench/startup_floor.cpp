// The floor for this toolkit: one empty Qt Widgets window of the main
// window's size, started and measured exactly as the program is.

#include "BenchSupport.h"
#include "StartupProbe.h"

#include "ui/Twips.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    const qint64 mainEnteredNs = Bench::steadyNs();
    Bench::useOffscreenPlatformByDefault();
    QApplication app(argc, argv);

    QWidget window;
    window.resize(Twips::toPixels(7590), Twips::toPixels(8655));
    Bench::StartupProbe probe(&window, mainEnteredNs);
    window.show();
    return app.exec();
}
