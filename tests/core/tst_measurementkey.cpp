#include "support/FormHarness.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

class MeasurementKeyTest final : public QObject
{
    Q_OBJECT
private slots:
    void firstReadingWritesHeadingRows();
    void targetAdvancesByIncrement();
    void elapsedAndLapFromPressTimes();
    void screenLineLayout();
    void readingThousandIsOneCharacterLonger();
    void nonNumericBoxesCountAsZero();
    void elapsedDisplayFollowsClock();
    void stalledHandlerRecordsPressTime();
    void wallClockChangeTouchesOnlyTimeColumn();
    void nameCollisionTakesNextFreeName();
    void autoRepeatIsNotAReading();
    void keysIgnoredInInputModeAndSaved();
    void failedWritesAreKeptAndWrittenLater();
};

void MeasurementKeyTest::firstReadingWritesHeadingRows()
{
    FormHarness h;
    h.enter();
    QCOMPARE(h.logic->data.dataFileName, u"DATA\\QMK05_7_20_152736.csv"_s);
    QVERIFY(QFile::exists(QDir(h.dir.path()).filePath(u"DATA/QMK05_7_20_152736.csv"_s)));
    QCOMPARE(h.rows(), (QStringList{
                           uR"("DATA\QMK05_7_20_152736.csv","05/7/20","","","","")"_s,
                           uR"("","","","","","←対象等")"_s,
                           uR"("測定回","時刻","経過秒","今-前秒","温度 ℃","備考")"_s,
                       }));
    QCOMPARE(h.screenLines().first(), u"対象等:,,,,"_s);
    QCOMPARE(h.form.caption(Label7), u"QMK05_7_20_152736.csv"_s);
    QCOMPARE(h.form.caption(Label4), u"測定中"_s);
    QVERIFY(h.form.isVisible(Label4));
    QCOMPARE(h.form.backColor(TxEventTime), Colors::Yellow);
    QVERIFY(h.form.isEnabled(Timer2));
    QVERIFY(h.form.isEnabled(ComSave));
    QCOMPARE(h.form.text(TxStartTime), u"15:27:36"_s);
    QCOMPARE(h.form.focus(), Text2);
}

void MeasurementKeyTest::targetAdvancesByIncrement()
{
    FormHarness h;
    h.setBox(4, u"50"_s);
    h.setBox(5, u"-2"_s);
    h.setSubject({u"走者A"_s, u"一周400m"_s});
    h.enter();
    h.enter();
    h.enter();
    h.enter(); // writes the third reading
    QCOMPARE(h.box(4), u"42"_s);
    const QStringList rows = h.rows();
    QCOMPARE(rows.size(), 6);
    QCOMPARE(rows[1], uR"("走者A","一周400m","","","","←対象等")"_s);
    QVERIFY(rows[3].endsWith(u",50,\"\""_s));
    QVERIFY(rows[4].endsWith(u",48,\"\""_s));
    QVERIFY(rows[5].endsWith(u",46,\"\""_s));
    QCOMPARE(h.screenLines().first(), u"対象等:走者A,一周400m,,,"_s);

    FormHarness three;
    three.setBox(4, u"50"_s);
    three.setBox(5, u"-2"_s);
    for (int i = 0; i < 3; ++i)
        three.enter();
    QCOMPARE(three.box(4), u"44"_s);
}

void MeasurementKeyTest::elapsedAndLapFromPressTimes()
{
    FormHarness h;
    h.enter();
    h.clock.advanceSeconds(1.234);
    h.enter();
    h.clock.advanceSeconds(3.5 - 1.234);
    h.enter();
    h.enter();
    const QStringList lines = h.screenLines();
    QCOMPARE(lines[1].mid(17, 22), u"      0.00        0.00"_s);
    QCOMPARE(lines[2].mid(17, 22), u"      1.23        1.23"_s);
    QCOMPARE(lines[3].mid(17, 22), u"      3.50        2.27"_s);
    const QStringList rows = h.rows();
    QCOMPARE(rows[3], uR"(0,"15:27:36",0,0,0,"")"_s);
    QCOMPARE(rows[4], uR"(1,"15:27:37",1.23,1.23,0,"")"_s);
    QCOMPARE(rows[5], uR"(2,"15:27:39",3.5,2.27,0,"")"_s);
}

void MeasurementKeyTest::screenLineLayout()
{
    FormHarness h;
    h.setBox(4, u"50"_s);
    h.enter();
    QCOMPARE(h.screenLines().last(), u" 000   15:27:36        0.00        0.00     50"_s);
    h.backSpace();
    QCOMPARE(h.screenLines()[1].indexOf(u"NG"_s), 55); // column 56
    QCOMPARE(h.screenLines()[1], u" 000   15:27:36        0.00        0.00     50 --------NG"_s);
}

void MeasurementKeyTest::readingThousandIsOneCharacterLonger()
{
    FormHarness h;
    for (int i = 0; i <= 1000; ++i)
        h.enter();
    const QStringList lines = h.screenLines();
    const QString reading999 = lines[lines.size() - 2];
    const QString reading1000 = lines.last();
    QVERIFY(reading999.startsWith(u" 999   "_s));
    QVERIFY(reading1000.startsWith(u" 1000   "_s));
    QCOMPARE(reading1000.size(), reading999.size() + 1);
}

void MeasurementKeyTest::nonNumericBoxesCountAsZero()
{
    FormHarness h;
    h.setBox(4, u"abc"_s);
    h.setBox(5, u"2"_s);
    h.enter();
    QVERIFY(h.screenLines()[1].endsWith(u"     0"_s));
    QCOMPARE(h.box(4), u"2"_s);

    FormHarness g;
    g.setBox(4, u"7"_s);
    g.setBox(5, u"xyz"_s);
    g.enter();
    g.enter();
    QCOMPARE(g.box(4), u"7"_s);
    QVERIFY(g.screenLines()[2].endsWith(u"     7"_s));
}

void MeasurementKeyTest::elapsedDisplayFollowsClock()
{
    FormHarness h;
    h.enter();
    h.clock.advanceMs(10);
    h.logic->Timer2_Timer();
    QCOMPARE(h.form.text(TxElapsed), u"0.01"_s);
    h.clock.advanceMs(123'440);
    h.logic->Timer2_Timer();
    QCOMPARE(h.form.text(TxElapsed), u"123.45"_s);
    // However few ticks arrived, the next reading has the real elapsed time.
    h.clock.advanceMs(1'000);
    h.enter();
    QVERIFY(h.screenLines()[2].contains(u"    124.45      124.45"_s));
}

void MeasurementKeyTest::stalledHandlerRecordsPressTime()
{
    FormHarness h;
    h.enter();
    h.clock.advanceMs(2'000);
    const qint64 pressed = h.clock.monotonicNs();
    h.clock.advanceMs(700); // the event loop was busy; the handler runs late
    h.enterPressedAt(pressed);
    QVERIFY(h.screenLines()[2].contains(u"      2.00        2.00"_s));
    QCOMPARE(h.form.text(TxStartTime), u"15:27:36"_s);

    // A timestamp from the future is no reason to run ahead of the clock.
    h.enterPressedAt(h.clock.monotonicNs() + 5'000'000'000);
    QVERIFY(h.screenLines()[3].contains(u"      2.70        0.70"_s));
}

void MeasurementKeyTest::wallClockChangeTouchesOnlyTimeColumn()
{
    FormHarness h;
    h.enter();
    h.clock.advanceSeconds(5);
    h.clock.shiftWallClockMs(-3'600'000); // clock set back an hour
    h.enter();
    QCOMPARE(h.screenLines()[2], u" 001   14:27:41        5.00        5.00     0"_s);
}

void MeasurementKeyTest::nameCollisionTakesNextFreeName()
{
    FormHarness first;
    first.enter();
    first.logic->ComClear_Click();
    first.logic->ComClear_Click();
    first.enter(); // same second as the first measurement
    QCOMPARE(first.logic->data.dataFileName, u"DATA\\QMK05_7_20_152736_2.csv"_s);
    QCOMPARE(first.form.caption(Label7), u"QMK05_7_20_152736_2.csv"_s);
    QCOMPARE(first.rows().first(), uR"("DATA\QMK05_7_20_152736_2.csv","05/7/20","","","","")"_s);
    const QStringList original =
        readRows(QDir(first.dir.path()).filePath(u"DATA/QMK05_7_20_152736.csv"_s));
    QCOMPARE(original.size(), 5); // heading rows, one data row, end subject row
}

void MeasurementKeyTest::autoRepeatIsNotAReading()
{
    FormHarness h;
    h.enter();
    h.logic->Form_KeyDown({KeyCode::Enter, 0, true, std::nullopt});
    h.logic->Form_KeyDown({KeyCode::Space, 0, true, std::nullopt});
    QCOMPARE(h.logic->data.eventCount, 1);
    h.key(KeyCode::Space);
    QCOMPARE(h.logic->data.eventCount, 2);
    // Other keys keep their auto-repeat.
    h.setBox(5, u"1"_s);
    h.logic->Form_KeyDown({KeyCode::Down, 0, true, std::nullopt});
    h.logic->Form_KeyDown({KeyCode::Down, 0, true, std::nullopt});
    QCOMPARE(h.box(4), u"2"_s);
}

void MeasurementKeyTest::keysIgnoredInInputModeAndSaved()
{
    FormHarness h;
    h.form.setOptionValue(true);
    h.enter();
    QCOMPARE(h.logic->data.eventCount, 0);
    QVERIFY(!h.form.isVisible(Label4));
    h.form.setOptionValue(false);
    h.enter();
    h.logic->ComClear_Click();
    const QString saved = h.screen();
    h.enter();
    h.key(KeyCode::Up);
    h.backSpace();
    QCOMPARE(h.screen(), saved);
    QCOMPARE(h.form.caption(Label4), u"保存完了"_s);
}

void MeasurementKeyTest::failedWritesAreKeptAndWrittenLater()
{
    FormHarness h;
    QDir(h.dir.path()).rmdir(u"DATA"_s);
    h.enter();
    h.enter();
    QVERIFY(!h.form.fileStatuses.isEmpty());
    QVERIFY(!h.form.fileStatuses.last().ok);
    QVERIFY(QDir::fromNativeSeparators(h.form.fileStatuses.last().path)
                .endsWith(u"DATA/QMK05_7_20_152736.csv"_s));
    QVERIFY(!h.form.fileStatuses.last().reason.isEmpty());
    QCOMPARE(h.form.fileStatuses.last().unwrittenRows, 4);
    QCOMPARE(h.logic->data.eventCount, 2); // the measurement goes on

    QDir(h.dir.path()).mkdir(u"DATA"_s);
    h.enter();
    QVERIFY(h.form.fileStatuses.last().ok);
    const QStringList rows = h.rows();
    QCOMPARE(rows.size(), 5);
    QVERIFY(rows[0].startsWith(u"\"DATA\\QMK"_s));
    QVERIFY(rows[3].startsWith(u"0,"_s));
    QVERIFY(rows[4].startsWith(u"1,"_s));
}

QTEST_APPLESS_MAIN(MeasurementKeyTest)
#include "tst_measurementkey.moc"
