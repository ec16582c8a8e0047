// Whole measurements done by hand on the real window: the subject typed,
// the two values entered through their prompts, readings, rejections,
// changes of subject, the end and the clearing; each compared with the whole
// data file it leaves and with the data screen.

#include "WindowDriving.h"

#include "measurement/MeasurementState.h"

#include <QLabel>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace Drive;

namespace
{
const QString FirstFile = u"QMK05_7_20_152736.csv"_s;
const QString Header = uR"("DATA\QMK05_7_20_152736.csv","05/7/20","","","","")"_s;

QString titles(const QString& valueName)
{
    return uR"("測定回","時刻","経過秒","今-前秒",")"_s + valueName + uR"(","備考")"_s;
}

// Five subject lines, top to bottom.
using Subject = QStringList;

QString quotedFive(const Subject& s)
{
    QStringList fields;
    for (int i = 0; i < 5; ++i)
        fields.append(u'"' + s.value(i) + u'"');
    return fields.join(u',');
}
QString subjectRow(const Subject& s)
{
    return quotedFive(s) + uR"(,"←対象等")"_s;
}
QString afterEndRow(const Subject& s)
{
    return quotedFive(s) + uR"(,"←対象等--終後変更")"_s;
}
QString summary(const Subject& s)
{
    return u"対象等:"_s + s.join(u',');
}

// The data screen: its lines joined by CR LF; the last one is left open.
QString screenLines(const QStringList& lines)
{
    return lines.join(u"\r\n"_s);
}

const Subject RunnerA = {u"走者A"_s, u"lap 400m"_s, QString(), QString(), u"晴れ"_s};
Subject withFirstLine(const QString& first)
{
    Subject s = RunnerA;
    s[0] = first;
    return s;
}
} // namespace

class WholeMeasurementTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_f = std::make_unique<MainWindowFixture>();
        QVERIFY(m_f->start());
    }
    void cleanup() { m_f.reset(); }

    void threeReadingsSecondRejectedTwice()
    {
        MainWindowFixture& f = *m_f;
        prepare(u"周回 秒"_s);
        if (QTest::currentTestFailed())
            return;

        f.key(Qt::Key_Return);
        f.clock.advanceMs(1250);
        f.key(Qt::Key_Space);
        f.key(Qt::Key_Backspace);
        f.key(Qt::Key_Backspace);
        f.clock.advanceMs(2500);
        f.key(Qt::Key_Return);
        click(f, ComClear);

        QCOMPARE(dataFiles(f), QStringList{FirstFile});
        QCOMPARE(
            fileText(f, FirstFile),
            rowsText({Header, subjectRow(RunnerA), titles(u"周回 秒"_s),
                      uR"(0,"15:27:36",0,0,50,"")"_s, uR"(1,"15:27:37",1.25,1.25,48," --NG")"_s,
                      uR"(2,"15:27:39",3.75,2.5,46,"")"_s, subjectRow(RunnerA)}));
        QCOMPARE(f.screen(),
                 screenLines({summary(RunnerA), u" 000   15:27:36        0.00        0.00     50"_s,
                              u" 001   15:27:37        1.25        1.25     48 --------NG"_s,
                              u" --------NG"_s, u" 002   15:27:39        3.75        2.50     46"_s,
                              summary(RunnerA)}));
        QCOMPARE(stateWord(f), StateWord::Saved);
        QCOMPARE(f.screenColor(), Colour::Green);
        QCOMPARE(label4Color(f), Colour::Green);
        QVERIFY(!f.window->findChild<QTimer*>(u"Timer2"_s)->isActive());
        // The end leaves the boxes where the readings took them.
        QCOMPARE(boxText(f, 4), u"44"_s);
        QCOMPARE(boxText(f, 5), u"-2"_s);
        QCOMPARE(f.focusName(), u"Text2"_s);
    }

    void changeDuringMeasurementThenReading()
    {
        MainWindowFixture& f = *m_f;
        prepare();
        if (QTest::currentTestFailed())
            return;

        f.key(Qt::Key_Return);
        retype(f, 6, u"走者B"_s);
        click(f, ComSave);
        QVERIFY(!inputMode(f));
        QCOMPARE(f.screenColor(), Colour::Yellow);
        QCOMPARE(f.focusName(), u"Text2"_s);
        // The pending reading is written at the click.
        QCOMPARE(fileText(f, FirstFile).count(u"\r\n"_s), 4);
        // Edited after the click: not part of the captured block.
        retype(f, 6, u"走者C"_s);
        f.key(Qt::Key_Return);
        f.clock.advanceMs(2000);
        f.key(Qt::Key_Return);
        f.clock.advanceMs(1000);
        click(f, ComClear);

        QCOMPARE(fileText(f, FirstFile),
                 rowsText({Header, subjectRow(RunnerA), titles(u"温度 ℃"_s),
                           uR"(0,"15:27:36",0,0,50,"")"_s, subjectRow(withFirstLine(u"走者B"_s)),
                           uR"(1,"15:27:38",2,2,48,"")"_s, subjectRow(withFirstLine(u"走者C"_s))}));
        QCOMPARE(f.screen(),
                 screenLines({summary(RunnerA), u" 000   15:27:36        0.00        0.00     50"_s,
                              summary(withFirstLine(u"走者B"_s)),
                              u" 001   15:27:38        2.00        2.00     48"_s,
                              summary(withFirstLine(u"走者C"_s))}));
    }

    void changeFollowedDirectlyByTheEnd()
    {
        MainWindowFixture& f = *m_f;
        prepare();
        if (QTest::currentTestFailed())
            return;

        f.key(Qt::Key_Return);
        retype(f, 6, u"走者B"_s);
        click(f, ComSave);
        retype(f, 6, u"走者C"_s);
        f.key(Qt::Key_Return); // leaves the box; no reading
        click(f, ComClear);

        QCOMPARE(fileText(f, FirstFile),
                 rowsText({Header, subjectRow(RunnerA), titles(u"温度 ℃"_s),
                           uR"(0,"15:27:36",0,0,50,"")"_s, subjectRow(withFirstLine(u"走者B"_s)),
                           subjectRow(withFirstLine(u"走者C"_s))}));
        QCOMPARE(
            f.screen(),
            screenLines({summary(RunnerA), u" 000   15:27:36        0.00        0.00     50"_s,
                         summary(withFirstLine(u"走者B"_s)), summary(withFirstLine(u"走者C"_s))}));
    }

    void twoChangesWithTheSubjectEditedBetween()
    {
        MainWindowFixture& f = *m_f;
        prepare();
        if (QTest::currentTestFailed())
            return;

        f.key(Qt::Key_Return);
        retype(f, 6, u"走者B"_s);
        click(f, ComSave);
        retype(f, 6, u"走者C"_s);
        click(f, ComSave);
        f.clock.advanceMs(1000);
        f.key(Qt::Key_Space);
        click(f, ComClear);

        const Subject b = withFirstLine(u"走者B"_s);
        const Subject c = withFirstLine(u"走者C"_s);
        QCOMPARE(fileText(f, FirstFile),
                 rowsText({Header, subjectRow(RunnerA), titles(u"温度 ℃"_s),
                           uR"(0,"15:27:36",0,0,50,"")"_s, subjectRow(b), subjectRow(c),
                           uR"(1,"15:27:37",1,1,48,"")"_s, subjectRow(c)}));
        QCOMPARE(f.screen(),
                 screenLines({summary(RunnerA), u" 000   15:27:36        0.00        0.00     50"_s,
                              summary(b), summary(c),
                              u" 001   15:27:37        1.00        1.00     48"_s, summary(c)}));
    }

    void threeChangesAfterTheEnd()
    {
        MainWindowFixture& f = *m_f;
        prepare();
        if (QTest::currentTestFailed())
            return;

        f.key(Qt::Key_Return);
        click(f, ComClear);
        const QString saved = f.screen();
        QStringList expectedRows = {Header, subjectRow(RunnerA), titles(u"温度 ℃"_s),
                                    uR"(0,"15:27:36",0,0,50,"")"_s, subjectRow(RunnerA)};
        QString expectedScreen = saved;
        for (const QString& runner : {u"走者X"_s, u"走者Y"_s, u"走者Z"_s}) {
            retype(f, 6, runner);
            QCOMPARE(f.screenColor(), Colour::Red);
            click(f, ComSave);
            QVERIFY(!inputMode(f));
            QCOMPARE(f.screenColor(), Colour::Green);
            QCOMPARE(f.focusName(), u"Text2"_s);
            QCOMPARE(stateWord(f), StateWord::Saved);
            expectedRows.append(afterEndRow(withFirstLine(runner)));
            expectedScreen += u"\r\n終後変更:"_s + withFirstLine(runner).join(u',');
        }

        QCOMPARE(fileText(f, FirstFile), rowsText(expectedRows));
        QCOMPARE(f.screen(), expectedScreen);
        QCOMPARE(saved,
                 screenLines({summary(RunnerA), u" 000   15:27:36        0.00        0.00     50"_s,
                              summary(RunnerA)}));
    }

    void endWhileTheInputModeIsOn()
    {
        MainWindowFixture& f = *m_f;
        prepare();
        if (QTest::currentTestFailed())
            return;

        f.key(Qt::Key_Return);
        const QString rows = f.screen();
        click(f, ModeToggle);
        f.key(Qt::Key_Return);
        f.key(Qt::Key_Space);
        QCOMPARE(f.screen(), rows);
        QCOMPARE(f.screenColor(), Colour::Red);

        click(f, ComClear);
        QCOMPARE(stateWord(f), StateWord::Saved);
        QCOMPARE(f.screenColor(), Colour::Green);
        QVERIFY(inputMode(f));
        const QString fileAtEnd = rowsText({Header, subjectRow(RunnerA), titles(u"温度 ℃"_s),
                                            uR"(0,"15:27:36",0,0,50,"")"_s, subjectRow(RunnerA)});
        QCOMPARE(fileText(f, FirstFile), fileAtEnd);
        QCOMPARE(f.screen(), rows + u"\r\n"_s + summary(RunnerA));

        // Leaving the mode in Saved: sky blue with the waiting text, the
        // state word unchanged, and still no reading.
        click(f, ModeToggle);
        QVERIFY(!inputMode(f));
        QCOMPARE(f.screenColor(), Colour::SkyBlue);
        QCOMPARE(stateWord(f), StateWord::Saved);
        f.key(Qt::Key_Return);
        QCOMPARE(f.screen(), Shown::Waiting);

        click(f, ComClear);
        QCOMPARE(stateWord(f), StateWord::WaitingToStart);
        QCOMPARE(fileText(f, FirstFile), fileAtEnd);
    }

    void clearingRestoresTheInitialValues()
    {
        MainWindowFixture& f = *m_f;
        prepare();
        if (QTest::currentTestFailed())
            return;

        for (int i = 0; i < 5; ++i) {
            if (i > 0)
                f.clock.advanceMs(500);
            f.key(Qt::Key_Return);
        }
        QCOMPARE(boxText(f, 4), u"40"_s);
        f.key(Qt::Key_Right);
        f.key(Qt::Key_Down);
        QCOMPARE(boxText(f, 5), u"-4"_s);
        QCOMPARE(boxText(f, 4), u"36"_s);
        f.dialogs->answers = {u"7"_s};
        click(f, text1(4));
        QVERIFY(backFromDialog(f));
        QCOMPARE(boxText(f, 4), u"7"_s);
        f.clock.advanceMs(500);
        f.key(Qt::Key_Return);
        QCOMPARE(boxText(f, 4), u"3"_s);
        click(f, ComClear);
        click(f, ComClear);

        QCOMPARE(fileText(f, FirstFile),
                 rowsText({Header, subjectRow(RunnerA), titles(u"温度 ℃"_s),
                           uR"(0,"15:27:36",0,0,50,"")"_s, uR"(1,"15:27:36",0.5,0.5,48,"")"_s,
                           uR"(2,"15:27:37",1,0.5,46,"")"_s, uR"(3,"15:27:37",1.5,0.5,44,"")"_s,
                           uR"(4,"15:27:38",2,0.5,42,"")"_s, uR"(5,"15:27:38",2.5,0.5,7,"")"_s,
                           subjectRow(RunnerA)}));
        QCOMPARE(boxText(f, 4), u"50"_s);
        QCOMPARE(boxText(f, 5), u"-2"_s);
        QCOMPARE(f.screen(), Shown::AfterClear);
        QCOMPARE(f.screenColor(), Colour::SkyBlue);
        QCOMPARE(stateWord(f), StateWord::WaitingToStart);
        QCOMPARE(label4Color(f), Colour::SkyBlue);
        QCOMPARE(f.window->text({Control::TxStartTime}), QString());
        QCOMPARE(f.window->text({Control::TxElapsed}), QString());
        QVERIFY(!f.find(ComClear)->isEnabled());
        QVERIFY(!f.find(ComSave)->isEnabled());
        QVERIFY(!inputMode(f));
        QCOMPARE(f.focusName(), u"Text2"_s);
        QCOMPARE(boxText(f, 6), RunnerA[0]);
        QCOMPARE(boxText(f, 3), RunnerA[4]);
        QCOMPARE(f.find<QLabel>(Label7)->text(), FirstFile);
    }

    void secondMeasurementAfterTheClearStartsANewFile()
    {
        MainWindowFixture& f = *m_f;
        prepare();
        if (QTest::currentTestFailed())
            return;

        f.key(Qt::Key_Return);
        retype(f, 6, u"走者B"_s);
        click(f, ComSave); // left pending at the end
        click(f, ComClear);
        click(f, ComClear);
        f.clock.advanceSeconds(60);
        f.key(Qt::Key_Return);
        f.clock.advanceMs(1500);
        f.key(Qt::Key_Return);
        click(f, ComClear);

        const Subject b = withFirstLine(u"走者B"_s);
        const QString secondFile = u"QMK05_7_20_152836.csv"_s;
        QCOMPARE(dataFiles(f), (QStringList{FirstFile, secondFile}));
        QCOMPARE(fileText(f, FirstFile),
                 rowsText({Header, subjectRow(RunnerA), titles(u"温度 ℃"_s),
                           uR"(0,"15:27:36",0,0,50,"")"_s, subjectRow(b), subjectRow(b)}));
        QCOMPARE(fileText(f, secondFile),
                 rowsText({uR"("DATA\QMK05_7_20_152836.csv","05/7/20","","","","")"_s,
                           subjectRow(b), titles(u"温度 ℃"_s), uR"(0,"15:28:36",0,0,50,"")"_s,
                           uR"(1,"15:28:37",1.5,1.5,48,"")"_s, subjectRow(b)}));
        QCOMPARE(f.screen(),
                 screenLines({summary(b), u" 000   15:28:36        0.00        0.00     50"_s,
                              u" 001   15:28:37        1.50        1.50     48"_s, summary(b)}));
        QCOMPARE(f.find<QLabel>(Label7)->text(), secondFile);
    }

private:
    // Types the subject block and, when given, the value name; enters 50
    // and -2 through the prompts; leaves the input mode by Label6.
    void prepare(const QString& valueName = QString())
    {
        MainWindowFixture& f = *m_f;
        retype(f, 6, RunnerA[0]);
        for (int line = 1; line < 5; ++line) {
            f.key(Qt::Key_Down); // the next subject line down
            if (!RunnerA[line].isEmpty())
                retype(f, f.focusName().mid(6).toInt(), RunnerA[line]);
        }
        QCOMPARE(f.focusName(), u"Text1_3"_s);
        if (!valueName.isEmpty())
            retype(f, 7, valueName);
        QCOMPARE(f.screenColor(), Colour::Red);

        f.dialogs->answers = {u"50"_s, u"-2"_s};
        click(f, text1(4));
        QVERIFY(backFromDialog(f));
        click(f, text1(5));
        QVERIFY(backFromDialog(f));
        QCOMPARE(boxText(f, 4), u"50"_s);
        QCOMPARE(boxText(f, 5), u"-2"_s);

        click(f, ModeToggle);
        QVERIFY(!inputMode(f));
        QCOMPARE(f.screenColor(), Colour::SkyBlue);
        QCOMPARE(f.focusName(), u"Text2"_s);
        QVERIFY(dataFiles(f).isEmpty());
    }

    std::unique_ptr<MainWindowFixture> m_f;
};

QTEST_MAIN(WholeMeasurementTest)
#include "tst_whole_measurement.moc"
