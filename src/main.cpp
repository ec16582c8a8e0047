#include "app/ShutdownSignals.h"
#include "app/StartFolder.h"
#include "measurement/Clock.h"
#include "ui/Fonts.h"
#include "ui/PageTextInput.h"
#include "ui/ProgramEnd.h"
#include "ui/QtTranslations.h"
#include "ui/RecorderWindow.h"

#include <QApplication>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[])
{
    // Before anything is read or written: the data folder is below it.
    StartFolder::enterIfAsked(argc, argv);
    QApplication app(argc, argv);
    Fonts::addBundled();
    installQtJapanese(app);
    PageTextInput::install(app);
    QApplication::setApplicationName(u"Quellmark"_s);
    QGuiApplication::setDesktopFileName(u"quellmark"_s);

    SystemClock clock;
    RecorderWindow window(clock);
    const ShutdownSignals& shutdown = endMeasurementOnSystemRequest(app, window);
    // Normal, not the whole page as a browser's Qt shows a window: in its
    // own size, with its title, and room for the companion beside it.
    window.showNormal();
    // A request taken while the load step's message was open came before
    // the loop that a quit would end.
    const int status = shutdown.received() ? 0 : app.exec();
    saveUnwrittenRowsAtExit(window);
    return status;
}
