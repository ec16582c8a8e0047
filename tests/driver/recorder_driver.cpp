// A measurement without a window, for tests that end the program from
// outside: records readings as fast as the data file allows and prints each
// completed reading, so a test can tell what must be in the file when it
// signals or kills the process.
//
// usage: recorder_driver <working dir> <readings, 0 = until signalled> [marks]
// With "marks", every fifth reading is marked NG by BackSpace right after it,
// reported as "marked <reading number>" once its handler has returned.

#include "app/RecorderForm.h"
#include "app/ShutdownSignals.h"
#include "measurement/Clock.h"
#include "support/FakeForm.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QDir workingDir(QString::fromLocal8Bit(argv[1]));
    const int readings = QString::fromLocal8Bit(argv[2]).toInt();
    const bool marks = argc > 3 && QByteArray(argv[3]) == "marks";

    FakeForm form;
    SystemClock clock;
    RecorderForm logic(form, clock, workingDir);
    logic.Form_Load();
    logic.Form_Activate();
    form.setText(text1(6), QStringLiteral("driver"));

    int done = 0;
    QTimer timer;
    ShutdownSignals shutdown;
    QObject::connect(&shutdown, &ShutdownSignals::shutdownRequested, &app, [&] {
        timer.stop();
        logic.endBeforeExit();
        for (const QString& lost : logic.saveUnwrittenRows())
            std::fprintf(stderr, "nothing could be written to %s\n", qPrintable(lost));
        std::printf("ended %d\n", done);
        std::fflush(stdout);
        app.quit();
    });

    QObject::connect(&timer, &QTimer::timeout, &app, [&] {
        logic.Form_KeyDown({KeyCode::Enter, 0, false, std::nullopt});
        ++done;
        std::printf("reading %d\n", done);
        std::fflush(stdout);
        if (marks && done % 5 == 0) {
            logic.Form_KeyDown({KeyCode::BackSpace, 0, false, std::nullopt});
            std::printf("marked %d\n", done - 1);
            std::fflush(stdout);
        }
        if (readings > 0 && done >= readings) {
            timer.stop();
            logic.ComClear_Click();
            std::printf("ended\n");
            std::fflush(stdout);
            app.quit();
        }
    });
    timer.start(0);
    return app.exec();
}
