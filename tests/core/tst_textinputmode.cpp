#include "app/ScreenTexts.h"
#include "numbers/NumberText.h"
#include "support/FormHarness.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TextInputModeTest final : public QObject
{
    Q_OBJECT
private slots:
    void toggleTwiceWhileWaiting();
    void typingDuringMeasurementKeepsRows();
    void savedToggleReplacesRows();
    void savedSubjectClickKeepsRows();
    void subjectLineRing_data();
    void subjectLineRing();
    void enterInBoxWithModeOffIsAReadingToo();
    void prompts_data();
    void prompts();
    void promptValueUsedByReadings();
    void promptDuringMeasurementKeepsModeFromBefore();
};

void TextInputModeTest::toggleTwiceWhileWaiting()
{
    FormHarness h;
    h.logic->Label6_Click();
    QVERIFY(h.form.optionValue());
    QCOMPARE(h.form.backColor(TxEventTime), Colors::Red);
    QCOMPARE(h.screen(), u"　測定対象/条件、待受値/増分など入力作業中です。\r\n\r\n"
                         u"　終了したら エンターキーor[測定対象等入力on/off]クリック！"_s);
    h.enter();
    QCOMPARE(h.logic->data.eventCount, 0);
    h.form.setFocus(text1(6));
    h.logic->Label6_Click();
    QVERIFY(!h.form.optionValue());
    QCOMPARE(h.form.backColor(TxEventTime), Colors::SkyBlue);
    QCOMPARE(h.screen(), u"　測定開始待ち--測定対象/条件、待受値/増分など再確認！\r\n\r\n"
                         u"　測定開始は エンターキーorスペースキー !"_s);
    QCOMPARE(h.form.focus(), Text2);
    h.enter();
    QCOMPARE(h.logic->data.eventCount, 1);
}

void TextInputModeTest::typingDuringMeasurementKeepsRows()
{
    FormHarness h;
    h.enter();
    const QString rows = h.screen();
    h.logic->Text1_Click(6);
    QCOMPARE(h.form.backColor(TxEventTime), Colors::Red);
    QCOMPARE(h.screen(), rows);
    h.key(KeyCode::Space); // typing blanks
    h.key(KeyCode::Enter);
    h.logic->Text1_KeyDown(6, KeyCode::Enter, 0);
    QCOMPARE(h.logic->data.eventCount, 1);
    QVERIFY(!h.form.optionValue());
    QCOMPARE(h.form.backColor(TxEventTime), Colors::Yellow);
    QCOMPARE(h.screen(), rows);
    QCOMPARE(h.form.focus(), Text2);
}

void TextInputModeTest::savedToggleReplacesRows()
{
    FormHarness h;
    h.enter();
    h.logic->ComClear_Click();
    h.logic->Label6_Click();
    QCOMPARE(h.screen(), ScreenTexts::InputToggle);
    QCOMPARE(h.form.backColor(TxEventTime), Colors::Red);
    h.logic->Label6_Click();
    QCOMPARE(h.screen(), ScreenTexts::Waiting);
    QCOMPARE(h.form.backColor(TxEventTime), Colors::SkyBlue);
    QCOMPARE(h.form.caption(Label4), u"保存完了"_s);
    h.enter();
    QCOMPARE(h.screen(), ScreenTexts::Waiting);
}

void TextInputModeTest::savedSubjectClickKeepsRows()
{
    FormHarness h;
    h.enter();
    h.logic->ComClear_Click();
    const QString saved = h.screen();
    h.logic->Text1_Click(0);
    QCOMPARE(h.screen(), saved);
    QCOMPARE(h.form.backColor(TxEventTime), Colors::Red);
    h.logic->Text1_KeyDown(0, KeyCode::Enter, 0);
    QCOMPARE(h.screen(), ScreenTexts::Waiting);
    QCOMPARE(h.form.backColor(TxEventTime), Colors::SkyBlue);

    FormHarness w;
    w.logic->Text1_Click(3);
    QCOMPARE(w.screen(), ScreenTexts::InputSubjectBox);
    QVERIFY(ScreenTexts::InputSubjectBox.endsWith(
        u"　終了したらエンターキー打鍵or[測定対象等入力on/off]クリック！"_s));
    w.logic->Text1_Click(7);
    QCOMPARE(w.screen(), ScreenTexts::InputSubjectBox);
}

void TextInputModeTest::subjectLineRing_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("down");
    QTest::addColumn<int>("up");
    QTest::newRow("line 1") << 6 << 0 << 3;
    QTest::newRow("line 2") << 0 << 1 << 6;
    QTest::newRow("line 3") << 1 << 2 << 0;
    QTest::newRow("line 4") << 2 << 3 << 1;
    QTest::newRow("line 5") << 3 << 6 << 2;
    QTest::newRow("value name stays") << 7 << 7 << 7;
    QTest::newRow("target stays") << 4 << 4 << 4;
    QTest::newRow("increment stays") << 5 << 5 << 5;
}

void TextInputModeTest::subjectLineRing()
{
    QFETCH(int, from);
    QFETCH(int, down);
    QFETCH(int, up);
    FormHarness h;
    h.form.setOptionValue(true);
    h.form.setFocus(text1(from));
    h.logic->Text1_KeyDown(from, KeyCode::Down, 0);
    QCOMPARE(h.form.focus(), text1(down));
    h.form.setFocus(text1(from));
    h.logic->Text1_KeyDown(from, KeyCode::Up, 0);
    QCOMPARE(h.form.focus(), text1(up));
    QVERIFY(h.form.optionValue()); // moving changes nothing else
}

void TextInputModeTest::enterInBoxWithModeOffIsAReadingToo()
{
    FormHarness h;
    h.form.setFocus(text1(0));
    h.enter();
    h.logic->Text1_KeyDown(0, KeyCode::Enter, 0);
    QCOMPARE(h.logic->data.eventCount, 1);
    QCOMPARE(h.form.backColor(TxEventTime), Colors::Yellow);
    QVERIFY(h.screen().startsWith(u"対象等:"_s));
}

// state: 0 waiting, 1 measuring with mode off before the click, 2 measuring
// with mode on before the click, 3 saved.
void TextInputModeTest::prompts_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("answer"); // "<cancel>" cancels
    QTest::addColumn<QString>("shown");  // empty: refused
    const struct {
        int box;
        QString answer, shown;
    } cases[] = {
        {4, u"20"_s, u"20"_s},
        {5, u"1"_s, u"1"_s},
        {4, u" 50 "_s, u"50"_s},
        {5, u"-2"_s, u"-2"_s},
        {4, u"<cancel>"_s, QString()},
        {5, QString(), QString()},
        {4, u"abc"_s, QString()},
        {5, u"1e39"_s, QString()},
        {4, u"123456789"_s, u"1.234568E+08"_s},
        {5, u"0.1"_s, u"0.1"_s},
    };
    const char* states[] = {"waiting", "measuring", "measuring mode on", "saved"};
    for (int state = 0; state < 4; ++state) {
        for (const auto& c : cases) {
            QTest::addRow("%s, box %d, %s", states[state], c.box, qPrintable(c.answer))
                << c.box << c.answer << c.shown;
        }
    }
}

void TextInputModeTest::prompts()
{
    QFETCH(int, box);
    QFETCH(QString, answer);
    QFETCH(QString, shown);
    const QString tag = QString::fromLatin1(QTest::currentDataTag());
    FormHarness h;
    if (!tag.startsWith(u"waiting"_s))
        h.enter();
    if (tag.startsWith(u"saved"_s))
        h.logic->ComClear_Click();
    const bool modeOnBefore = tag.startsWith(u"measuring mode on"_s);
    if (modeOnBefore)
        h.logic->Label6_Click();
    const bool measuring = tag.startsWith(u"measuring"_s);
    const QString boxBefore = h.box(box);
    const QString screenBefore = h.screen();
    if (answer != u"<cancel>"_s)
        h.form.answers.append(answer);

    h.form.setFocus(text1(box));
    h.logic->Text1_Click(box);

    QCOMPARE(h.form.prompts.size(), 1);
    const FakeForm::Prompt& prompt = h.form.prompts.first();
    QCOMPARE(prompt.title, box == 4 ? u"測定待受け値の初期値"_s : u"測定待受け値に対する増分"_s);
    QCOMPARE(prompt.defaultAnswer, box == 4 ? u"20"_s : u"1"_s);
    if (tag.startsWith(u"waiting"_s))
        QCOMPARE(h.screen(), ScreenTexts::InputValueBox);
    else
        QCOMPARE(h.screen(), screenBefore);

    if (shown.isEmpty()) {
        QCOMPARE(h.box(box), boxBefore);
        QCOMPARE(h.form.backColor(TxEventTime), Colors::Red);
        QVERIFY(h.form.optionValue());
        QCOMPARE(h.form.focus(), text1(box));
        QCOMPARE(h.logic->data.initialTarget, 0.0);
        QCOMPARE(h.logic->data.initialIncrement, 0.0);
        return;
    }
    QCOMPARE(h.box(box), shown);
    QCOMPARE(h.form.focus(), Text2);
    const double value = numericValue(shown);
    if (measuring) {
        QCOMPARE(box == 4 ? h.logic->data.targetValue : h.logic->data.increment, value);
        QCOMPARE(h.form.backColor(TxEventTime), Colors::Yellow);
        QCOMPARE(h.form.optionValue(), modeOnBefore);
    } else {
        QCOMPARE(box == 4 ? h.logic->data.initialTarget : h.logic->data.initialIncrement, value);
        QVERIFY(h.form.optionValue());
        QCOMPARE(h.form.backColor(TxEventTime),
                 tag.startsWith(u"saved"_s) ? Colors::Green : Colors::Red);
    }
}

void TextInputModeTest::promptValueUsedByReadings()
{
    FormHarness h;
    h.form.answers = {u"0.1"_s, u"0.1"_s};
    h.logic->Text1_Click(4);
    h.logic->Text1_Click(5);
    h.logic->Label6_Click();
    h.enter();
    h.backSpace();
    h.enter();
    h.enter();
    const QStringList lines = h.screenLines();
    QVERIFY(lines[1].endsWith(u"     0.1 -------NG"_s));
    QCOMPARE(lines[1].indexOf(u"NG"_s), 55);
    QVERIFY(lines[2].endsWith(u"     0.2"_s));
    const QStringList rows = h.rows();
    QCOMPARE(rows[3], uR"(0,"15:27:36",0,0,0.1," --NG")"_s);
    QCOMPARE(rows[4], uR"(1,"15:27:36",0,0,0.2,"")"_s);
}

void TextInputModeTest::promptDuringMeasurementKeepsModeFromBefore()
{
    FormHarness h;
    h.enter();
    h.form.answers = {u"48"_s};
    h.logic->Text1_Click(4);
    QVERIFY(!h.form.optionValue());
    h.enter();
    QVERIFY(h.screenLines()[2].endsWith(u"     48"_s));
}

QTEST_APPLESS_MAIN(TextInputModeTest)
#include "tst_textinputmode.moc"
