#include "app/StartFolder.h"
#include "measurement/Clock.h"
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
    installQtJapanese(app);
    QApplication::setApplicationName(u"Quellmark"_s);
    QGuiApplication::setDesktopFileName(u"quellmark"_s);

    SystemClock clock;
    RecorderWindow window(clock);
    endMeasurementOnSystemRequest(app, window);
    window.show();
    const int status = app.exec();
    saveUnwrittenRowsAtExit(window);
    return status;
}
