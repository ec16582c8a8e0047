// The program asked to end by the system while measuring, and rows that no
// write could deliver when it goes.

#include "MainWindowFixture.h"

#include "datafile/DataFileName.h"
#include "measurement/MeasurementState.h"
#include "support/DataFileReading.h"
#include "ui/ProgramEnd.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

using namespace Qt::StringLiterals;

namespace
{
QString dataFile(const MainWindowFixture& f)
{
    return localPath(f.window->form().data.dataFileName, f.folder.dir());
}
} // namespace

class ProgramEndTest final : public QObject
{
    Q_OBJECT

private slots:
    void terminationEndsTheMeasurement()
    {
#ifndef Q_OS_UNIX
        QSKIP("signals are a Unix matter");
#endif
        MainWindowFixture f;
        QVERIFY(f.folder.dir().mkdir(u"DATA"_s));
        QVERIFY(f.start());
        endMeasurementOnSystemRequest(*qApp, *f.window);
        f.key(Qt::Key_Return);
        f.clock.advanceSeconds(1.5);
        f.key(Qt::Key_Space);

        std::raise(SIGTERM);
        QTRY_COMPARE(f.window->caption(Label4), u"保存完了"_s);
        const QStringList rows = readRows(dataFile(f));
        QCOMPARE(rows.size(), 6);
        QVERIFY(rows[4].startsWith(u"1,"_s));
        QVERIFY(rows[4].contains(u",1.5,1.5,"_s));
        QCOMPARE(rows[5], uR"("","","","","","←対象等")"_s);
        // A plain close by the user is allowed again now that it has ended.
        QVERIFY(f.window->close());
    }

    // A prompt waits in a loop of its own for its answer; the request to end
    // must not wait with it.
    void terminationClosesAnOpenPrompt_data()
    {
        QTest::addColumn<bool>("measuring");
        QTest::newRow("before a measurement") << false;
        QTest::newRow("while measuring") << true;
    }

    void terminationClosesAnOpenPrompt()
    {
#ifndef Q_OS_UNIX
        QSKIP("signals are a Unix matter");
#endif
        QFETCH(bool, measuring);
        MainWindowFixture f;
        QVERIFY(f.folder.dir().mkdir(u"DATA"_s));
        QVERIFY(f.start());
        f.dialogs.reset(); // no one answers the prompt
        endMeasurementOnSystemRequest(*qApp, *f.window);
        if (measuring) {
            f.key(Qt::Key_Return);
            f.clock.advanceSeconds(1.5);
            f.key(Qt::Key_Space);
        }
        bool leftOpen = false;
        connect(f.window.get(), &RecorderWindow::dialogAboutToOpen, this,
                [&leftOpen](QDialog* dialog) {
                    std::raise(SIGTERM);
                    // Only so that a failure ends the test instead of hanging it.
                    QTimer::singleShot(10'000, dialog, [&leftOpen, dialog] {
                        leftOpen = true;
                        dialog->reject();
                    });
                });
        QTest::mouseClick(f.find(text1(4)), Qt::LeftButton);
        QVERIFY(!leftOpen);
        if (!measuring)
            return;
        QTRY_COMPARE(f.window->caption(Label4), u"保存完了"_s);
        const QStringList rows = readRows(dataFile(f));
        QCOMPARE(rows.size(), 6);
        QVERIFY(rows[4].startsWith(u"1,"_s));
    }

    // The first start in a new folder shows its message before the event
    // loop runs; the program must still end at once.
    void terminationDuringTheFirstStartMessage()
    {
#ifndef Q_OS_UNIX
        QSKIP("signals are a Unix matter");
#endif
        QTemporaryDir folder;
        QProcess program;
        program.setWorkingDirectory(folder.path());
        program.start(QStringLiteral(QUELLMARK_PROGRAM), {});
        QVERIFY(program.waitForStarted());
        // The folder is made just before the message opens.
        QTRY_VERIFY_WITH_TIMEOUT(QDir(folder.path()).exists(u"DATA"_s), 20'000);
        program.terminate();
        QVERIFY2(program.waitForFinished(2'000), "still running two seconds after SIGTERM");
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }

    void unwrittenRowsGoToRecoveryFileAtExit()
    {
        MainWindowFixture f;
        QVERIFY(f.folder.dir().mkdir(u"DATA"_s));
        QVERIFY(f.start());
        f.key(Qt::Key_Return);
        const QString file = dataFile(f);
        // The data file is taken away and a folder stands in its place, so
        // every later write fails while the folder itself is still there.
        QVERIFY(QFile::rename(file, file + u".aside"_s));
        QVERIFY(QDir().mkpath(file));
        f.key(Qt::Key_Return);
        QTest::mouseClick(f.find({Control::ComClear}), Qt::LeftButton);
        QCOMPARE(f.window->form().writer().unwrittenRowCount(), 3);

        saveUnwrittenRowsAtExit(*f.window);
        QVERIFY(f.dialogs->seen.isEmpty());
        QString recovery = file;
        recovery.replace(u".csv"_s, u".recovered.csv"_s);
        const QStringList rows = readRows(recovery);
        QCOMPARE(rows.size(), 3);
        QVERIFY(rows[0].startsWith(u"0,"_s));
        QVERIFY(rows[1].startsWith(u"1,"_s));
        QCOMPARE(rows[2], uR"("","","","","","←対象等")"_s);
    }

    void userToldWhereRowsWereLost()
    {
        MainWindowFixture f;
        QVERIFY(f.folder.dir().mkdir(u"DATA"_s));
        QVERIFY(f.start());
        f.key(Qt::Key_Return);
        QVERIFY(f.folder.dir().rename(u"DATA"_s, u"DATA.gone"_s));
        f.key(Qt::Key_Return);
        saveUnwrittenRowsAtExit(*f.window);
        QCOMPARE(f.dialogs->seen.size(), 1);
        QVERIFY(f.dialogs->seen.first().text.contains(QDir::toNativeSeparators(dataFile(f))));
    }
};

QTEST_MAIN(ProgramEndTest)
#include "tst_programend.moc"
