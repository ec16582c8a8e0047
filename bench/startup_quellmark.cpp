// The program's own start-up (as src/main.cpp does it) with the start-up
// probe attached. The launcher starts it in a folder that already has "DATA".

#include "BenchSupport.h"
#include "StartupProbe.h"

#include "measurement/Clock.h"
#include "ui/RecorderWindow.h"

#include <QApplication>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[])
{
    const qint64 mainEnteredNs = Bench::steadyNs();
    Bench::useOffscreenPlatformByDefault();
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Quellmark"_s);
    QGuiApplication::setDesktopFileName(u"quellmark"_s);

    SystemClock clock;
    RecorderWindow window(clock);
    Bench::StartupProbe probe(&window, mainEnteredNs);
    window.show();
    return app.exec();
}
