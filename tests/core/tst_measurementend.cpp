#include "app/ScreenTexts.h"
#include "support/FormHarness.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace
{
const QString Header = uR"("DATA\QMK05_7_20_152736.csv","05/7/20","","","","")"_s;
const QString Titles = uR"("測定回","時刻","経過秒","今-前秒","温度 ℃","備考")"_s;
QString subjectRow(const QString& first)
{
    return uR"(")"_s + first + uR"(","","","","","←対象等")"_s;
}
} // namespace

class MeasurementEndTest final : public QObject
{
    Q_OBJECT
private slots:
    void clickBeforeAnyMeasurementOnlyFocuses();
    void threeReadingsSecondRejected();
    void rejectBeforeFirstReadingNeverReachesFile();
    void changeThenReading();
    void changeThenEnd();
    void twoChangesWithEditBetween();
    void changeThenRejectMarksCapturedBlock();
    void threeChangesAfterEnd();
    void endWhileInputModeOn();
    void clearRestoresInitialValues();
    void secondMeasurementStartsClean();
};

void MeasurementEndTest::clickBeforeAnyMeasurementOnlyFocuses()
{
    FormHarness h;
    h.form.setFocus(text1(6));
    h.logic->ComClear_Click();
    QCOMPARE(h.form.focus(), Text2);
    QCOMPARE(h.screen(), ScreenTexts::Greeting);
    QVERIFY(QDir(h.dir.filePath(u"DATA"_s)).isEmpty());
}

void MeasurementEndTest::threeReadingsSecondRejected()
{
    FormHarness h;
    h.setBox(4, u"50"_s);
    h.setBox(5, u"-2"_s);
    h.enter();
    h.clock.advanceSeconds(1);
    h.enter();
    h.backSpace();
    h.backSpace();
    h.clock.advanceSeconds(1);
    h.enter();
    h.logic->ComClear_Click();
    QCOMPARE(h.rows(), (QStringList{Header, subjectRow({}), Titles, uR"(0,"15:27:36",0,0,50,"")"_s,
                                    uR"(1,"15:27:37",1,1,48," --NG")"_s,
                                    uR"(2,"15:27:38",2,1,46,"")"_s, subjectRow({})}));
    QCOMPARE(h.screen(), u"対象等:,,,,\r\n"
                         u" 000   15:27:36        0.00        0.00     50\r\n"
                         u" 001   15:27:37        1.00        1.00     48 --------NG\r\n"
                         u" --------NG\r\n"
                         u" 002   15:27:38        2.00        1.00     46\r\n"
                         u"対象等:,,,,"_s);
    QCOMPARE(h.form.caption(Label4), u"保存完了"_s);
    QCOMPARE(h.form.backColor(TxEventTime), Colors::Green);
    QCOMPARE(h.form.backColor(Label4), Colors::Green);
    QVERIFY(!h.form.isEnabled(Timer2));
    QVERIFY(h.form.isEnabled(ComClear));
    QVERIFY(h.form.isEnabled(ComSave));
    QCOMPARE(h.logic->data.eventCount, 0);
}

void MeasurementEndTest::rejectBeforeFirstReadingNeverReachesFile()
{
    FormHarness h;
    h.backSpace();
    QCOMPARE(h.screen(), ScreenTexts::Greeting + u"NG\r\n"_s);
    h.enter();
    h.logic->ComClear_Click();
    QCOMPARE(h.rows()[3], uR"(0,"15:27:36",0,0,0,"")"_s);
}

void MeasurementEndTest::changeThenReading()
{
    FormHarness h;
    h.setSubject({u"走者A"_s});
    h.enter();
    h.setBox(6, u"走者B"_s);
    h.logic->ComSave_Click();
    QCOMPARE(h.rows().size(), 4); // the pending reading is written at once
    h.setBox(6, u"走者C"_s);      // edited after the click: not in the captured block
    h.enter();
    h.enter();
    QCOMPARE(h.rows(),
             (QStringList{Header, subjectRow(u"走者A"_s), Titles, uR"(0,"15:27:36",0,0,0,"")"_s,
                          subjectRow(u"走者B"_s), uR"(1,"15:27:36",0,0,0,"")"_s}));
    const QStringList lines = h.screenLines();
    QCOMPARE(lines[2], u"対象等:走者B,,,,"_s);
    QVERIFY(lines[3].startsWith(u" 001"_s));
}

void MeasurementEndTest::changeThenEnd()
{
    FormHarness h;
    h.enter();
    h.setBox(6, u"B"_s);
    h.logic->ComSave_Click();
    h.setBox(6, u"C"_s);
    h.logic->ComClear_Click();
    QCOMPARE(h.rows(), (QStringList{Header, subjectRow({}), Titles, uR"(0,"15:27:36",0,0,0,"")"_s,
                                    subjectRow(u"B"_s), subjectRow(u"C"_s)}));
    QVERIFY(!h.logic->data.subjectChangePending);
    QCOMPARE(h.screenLines().mid(2), (QStringList{u"対象等:B,,,,"_s, u"対象等:C,,,,"_s}));
}

void MeasurementEndTest::twoChangesWithEditBetween()
{
    FormHarness h;
    h.enter();
    h.setBox(6, u"A"_s);
    h.logic->ComSave_Click();
    h.setBox(6, u"B"_s);
    h.logic->ComSave_Click();
    h.enter();
    h.logic->ComClear_Click();
    QCOMPARE(h.rows(), (QStringList{Header, subjectRow({}), Titles, uR"(0,"15:27:36",0,0,0,"")"_s,
                                    subjectRow(u"A"_s), subjectRow(u"B"_s),
                                    uR"(1,"15:27:36",0,0,0,"")"_s, subjectRow(u"B"_s)}));
    const QStringList lines = h.screenLines();
    QCOMPARE(lines[2], u"対象等:A,,,,"_s);
    QCOMPARE(lines[3], u"対象等:B,,,,"_s);
}

void MeasurementEndTest::changeThenRejectMarksCapturedBlock()
{
    FormHarness h;
    h.enter();
    h.logic->ComSave_Click();
    h.backSpace();
    QCOMPARE(h.screenLines()[2], u"対象等:,,,, --NG"_s);
    h.enter();
    h.logic->ComClear_Click();
    const QStringList rows = h.rows();
    QCOMPARE(rows[4], uR"("","","","","","←対象等 --NG")"_s);
    QCOMPARE(rows[5], uR"(1,"15:27:36",0,0,0,"")"_s);
}

void MeasurementEndTest::threeChangesAfterEnd()
{
    FormHarness h;
    h.enter();
    h.logic->ComClear_Click();
    h.logic->Text1_Click(6);
    for (const QString& runner : {u"X"_s, u"Y"_s, u"Z"_s}) {
        h.setBox(6, runner);
        h.logic->ComSave_Click();
        QVERIFY(!h.form.optionValue());
        QCOMPARE(h.form.backColor(TxEventTime), Colors::Green);
        QCOMPARE(h.form.focus(), Text2);
    }
    const QStringList rows = h.rows();
    QCOMPARE(rows.mid(5), (QStringList{uR"("X","","","","","←対象等--終後変更")"_s,
                                       uR"("Y","","","","","←対象等--終後変更")"_s,
                                       uR"("Z","","","","","←対象等--終後変更")"_s}));
    QCOMPARE(h.screenLines().mid(3),
             (QStringList{u"終後変更:X,,,,"_s, u"終後変更:Y,,,,"_s, u"終後変更:Z,,,,"_s}));
}

void MeasurementEndTest::endWhileInputModeOn()
{
    FormHarness h;
    h.enter();
    h.logic->Label6_Click();
    h.logic->ComClear_Click();
    QCOMPARE(h.form.backColor(TxEventTime), Colors::Green);
    QVERIFY(h.form.optionValue());
    QCOMPARE(h.rows().size(), 5);
    h.logic->ComClear_Click();
    QVERIFY(!h.form.optionValue());
    QCOMPARE(h.form.backColor(TxEventTime), Colors::SkyBlue);
}

void MeasurementEndTest::clearRestoresInitialValues()
{
    FormHarness h;
    h.form.answers = {u"50"_s, u"-2"_s};
    h.logic->Text1_Click(4);
    h.logic->Text1_Click(5);
    h.logic->Label6_Click();
    for (int i = 0; i < 5; ++i)
        h.enter();
    h.key(KeyCode::Right);
    h.key(KeyCode::Down);
    h.form.answers = {u"7"_s};
    h.logic->Text1_Click(4);
    QCOMPARE(h.box(4), u"7"_s);
    h.logic->ComClear_Click();
    h.clock.advanceSeconds(3);
    h.logic->Timer2_Timer(); // no tick counts once the measurement has ended
    h.logic->ComClear_Click();
    QCOMPARE(h.box(4), u"50"_s);
    QCOMPARE(h.box(5), u"-2"_s);
    QCOMPARE(h.form.caption(Label4), u"開始待"_s);
    QCOMPARE(h.form.backColor(Label4), Colors::SkyBlue);
    QCOMPARE(h.screen(), u"　測定対象/条件など、待受値/増分を更新ください。"_s);
    QCOMPARE(h.form.text(TxStartTime), QString());
    QCOMPARE(h.form.text(TxElapsed), QString());
    QVERIFY(!h.form.isEnabled(ComClear));
    QVERIFY(!h.form.isEnabled(ComSave));
    QCOMPARE(h.form.focus(), Text2);
}

void MeasurementEndTest::secondMeasurementStartsClean()
{
    FormHarness h;
    h.enter();
    h.logic->ComSave_Click(); // a change left pending at the end
    h.logic->ComClear_Click();
    h.logic->ComClear_Click();
    const QString firstFile = h.dataFilePath();
    h.clock.advanceSeconds(60);
    h.enter();
    h.clock.advanceSeconds(1.5);
    h.enter();
    QVERIFY(h.dataFilePath() != firstFile);
    QCOMPARE(h.logic->data.dataFileName, u"DATA\\QMK05_7_20_152836.csv"_s);
    const QStringList rows = h.rows();
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows[3], uR"(0,"15:28:36",0,0,0,"")"_s);
    QVERIFY(h.screenLines()[2].startsWith(u" 001   15:28:37        1.50        1.50"_s));
}

QTEST_APPLESS_MAIN(MeasurementEndTest)
#include "tst_measurementend.moc"
