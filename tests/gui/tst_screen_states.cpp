// What the data screen tells the user in each state of the real window: the
// instruction texts of the input mode and of waiting, the colours, the way
// the subject lines are walked with Up and Down, the option button clicked
// on its own, and the column of a rejection mark.

#include "WindowDriving.h"

#include "measurement/MeasurementState.h"

#include <QLabel>

using namespace Qt::StringLiterals;
using namespace Drive;

namespace
{
enum class State { StartUp, Cleared, Measuring, Saved };

const char* stateName(State s)
{
    switch (s) {
    case State::StartUp:
        return "start-up";
    case State::Cleared:
        return "cleared";
    case State::Measuring:
        return "measuring";
    case State::Saved:
        return "saved";
    }
    return "";
}

void reach(MainWindowFixture& f, State state)
{
    if (state == State::StartUp)
        return;
    f.key(Qt::Key_Return);
    if (state == State::Measuring)
        return;
    click(f, ComClear);
    if (state == State::Cleared)
        click(f, ComClear);
}

// The reading lines of the data screen.
int readings(const MainWindowFixture& f)
{
    int count = 0;
    for (const QString& line : f.screen().split(u"\r\n"_s))
        count += line.size() > 4 && line.startsWith(u' ') && line[1].isDigit() ? 1 : 0;
    return count;
}

enum class WayIn { Toggle, SubjectBox, ValueBox };
enum class WayOut { Toggle, EnterInBox };
} // namespace

Q_DECLARE_METATYPE(State)
Q_DECLARE_METATYPE(WayIn)
Q_DECLARE_METATYPE(WayOut)

class ScreenStatesTest final : public QObject
{
    Q_OBJECT

private slots:
    void inputModeInEveryState_data()
    {
        QTest::addColumn<State>("state");
        QTest::addColumn<WayIn>("wayIn");
        QTest::addColumn<int>("box"); // the Text1 member clicked
        QTest::addColumn<WayOut>("wayOut");
        for (State state : {State::StartUp, State::Cleared, State::Measuring, State::Saved}) {
            auto row = [state](const char* what, WayIn in, int box, WayOut out) {
                QTest::addRow("%s, %s", stateName(state), what) << state << in << box << out;
            };
            row("toggle twice", WayIn::Toggle, -1, WayOut::Toggle);
            row("top line, Enter", WayIn::SubjectBox, 6, WayOut::EnterInBox);
            row("bottom line, toggle", WayIn::SubjectBox, 3, WayOut::Toggle);
            row("value name, Enter", WayIn::SubjectBox, 7, WayOut::EnterInBox);
            row("target cancelled, Enter", WayIn::ValueBox, 4, WayOut::EnterInBox);
            row("increment cancelled, toggle", WayIn::ValueBox, 5, WayOut::Toggle);
        }
    }

    void inputModeInEveryState()
    {
        QFETCH(State, state);
        QFETCH(WayIn, wayIn);
        QFETCH(int, box);
        QFETCH(WayOut, wayOut);
        MainWindowFixture f;
        QVERIFY(f.start());
        reach(f, state);
        const bool measuring = state == State::Measuring;
        const QString word = stateWord(f);
        const QColor label4Before = label4Color(f);
        const QString screenBefore = f.screen();
        const int readingsBefore = readings(f);

        if (wayIn == WayIn::Toggle) {
            click(f, ModeToggle);
        } else {
            click(f, text1(box));
            if (wayIn == WayIn::ValueBox)
                QVERIFY(backFromDialog(f)); // the prompt was cancelled
        }

        QVERIFY(inputMode(f));
        QCOMPARE(f.screenColor(), Colour::Red);
        QString expected = screenBefore;
        if (wayIn == WayIn::Toggle && !measuring)
            expected = Shown::InputToggle;
        else if (wayIn != WayIn::Toggle && (state == State::StartUp || state == State::Cleared))
            expected = wayIn == WayIn::ValueBox ? Shown::InputValueBox : Shown::InputSubjectBox;
        QCOMPARE(f.screen(), expected);
        QCOMPARE(f.focusName(), wayIn == WayIn::Toggle ? u"Text2"_s : objectNameOf(text1(box)));
        // Nothing typed is a measurement key or a rejection.
        const QString screenIn = f.screen();
        QTest::keyClicks(QApplication::focusWidget(), u" x "_s);
        f.key(Qt::Key_Backspace);
        if (wayIn == WayIn::Toggle)
            f.key(Qt::Key_Return); // in Text2: neither a reading nor the way out
        QVERIFY(inputMode(f));
        QCOMPARE(f.screen(), screenIn);

        if (wayOut == WayOut::Toggle)
            click(f, ModeToggle);
        else
            f.key(Qt::Key_Return);

        QVERIFY(!inputMode(f));
        QCOMPARE(f.focusName(), u"Text2"_s);
        QCOMPARE(f.screenColor(), measuring ? Colour::Yellow : Colour::SkyBlue);
        QCOMPARE(f.screen(), measuring ? screenBefore : Shown::Waiting);
        QCOMPARE(readings(f), measuring ? readingsBefore : 0);
        QCOMPARE(stateWord(f), word);
        QCOMPARE(label4Color(f), label4Before);
        if (state == State::Cleared)
            QCOMPARE(label4Before, Colour::SkyBlue);
        if (measuring)
            QCOMPARE(label4Before, Colour::Yellow);
        if (state == State::Saved)
            QCOMPARE(label4Before, Colour::Green);

        // The measurement key is back, except in Saved, where only the
        // clearing click brings it back.
        const QString screenOut = f.screen();
        f.key(Qt::Key_Space);
        if (state == State::Saved) {
            QCOMPARE(f.screen(), screenOut);
        } else {
            QCOMPARE(readings(f), readingsBefore + 1);
            QCOMPARE(stateWord(f), StateWord::Measuring);
            QCOMPARE(f.screenColor(), Colour::Yellow);
        }
    }

    void subjectLinesFormARing_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("below");
        QTest::addColumn<int>("above");
        QTest::newRow("line 1") << 6 << 0 << 3;
        QTest::newRow("line 2") << 0 << 1 << 6;
        QTest::newRow("line 3") << 1 << 2 << 0;
        QTest::newRow("line 4") << 2 << 3 << 1;
        QTest::newRow("line 5") << 3 << 6 << 2;
        QTest::newRow("value name") << 7 << 7 << 7;
        QTest::newRow("target") << 4 << 4 << 4;
        QTest::newRow("increment") << 5 << 5 << 5;
    }

    void subjectLinesFormARing()
    {
        QFETCH(int, from);
        QFETCH(int, below);
        QFETCH(int, above);
        MainWindowFixture f;
        QVERIFY(f.start());
        f.find<QLineEdit>(text1(4))->setText(u"48"_s);
        f.find<QLineEdit>(text1(5))->setText(u"-2"_s);
        click(f, ModeToggle);
        const QString screen = f.screen();

        for (auto [key, to] : {std::pair{Qt::Key_Down, below}, std::pair{Qt::Key_Up, above}}) {
            // Reached as by Tab: the click on a value box would open a prompt.
            f.find(text1(from))->setFocus(Qt::TabFocusReason);
            f.key(key);
            QCOMPARE(f.focusName(), objectNameOf(text1(to)));
            QVERIFY(inputMode(f));
            QCOMPARE(f.screenColor(), Colour::Red);
            QCOMPARE(f.screen(), screen);
            QCOMPARE(boxText(f, 4), u"48"_s);
        }
    }

    void ringWithTheModeOffAlsoStepsTheTarget()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        f.find<QLineEdit>(text1(4))->setText(u"48"_s);
        f.find<QLineEdit>(text1(5))->setText(u"-2"_s);
        f.find(text1(3))->setFocus(Qt::TabFocusReason);

        f.key(Qt::Key_Down);
        QCOMPARE(boxText(f, 4), u"46"_s);
        QCOMPARE(f.focusName(), u"Text1_6"_s);
        f.key(Qt::Key_Up);
        QCOMPARE(boxText(f, 4), u"48"_s);
        QCOMPARE(f.focusName(), u"Text1_3"_s);
        QVERIFY(!inputMode(f));
    }

    void enterInALineReachedByTabIsAlsoAReading()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        f.key(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(f.focusName(), u"Text1_6"_s);
        QVERIFY(!inputMode(f));

        f.key(Qt::Key_Return);

        // The window takes it as the measurement key, the line as the way
        // out of a mode that was not on.
        QCOMPARE(readings(f), 1);
        QCOMPARE(stateWord(f), StateWord::Measuring);
        QVERIFY(f.screen().startsWith(u"対象等:,,,,\r\n 000 "_s));
        QCOMPARE(f.screenColor(), Colour::Yellow);
        QCOMPARE(f.focusName(), u"Text2"_s);
        QVERIFY(!inputMode(f));
    }

    void toggleLeavesTheFocusWhereItWas()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        f.key(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(f.focusName(), u"Text1_6"_s);

        click(f, ModeToggle);

        QVERIFY(inputMode(f));
        QCOMPARE(f.focusName(), u"Text1_6"_s);
        QCOMPARE(f.screen(), Shown::InputToggle);
        QTest::keyClicks(QApplication::focusWidget(), u"a b"_s);
        QCOMPARE(boxText(f, 6), u"a b"_s);
        QCOMPARE(readings(f), 0);
    }

    void saveClearBeforeAnyMeasurementOnlyMovesTheFocus()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        click(f, text1(2));
        const QString screen = f.screen();

        click(f, ComClear);

        QCOMPARE(f.focusName(), u"Text2"_s);
        QCOMPARE(f.screen(), screen);
        QCOMPARE(f.screenColor(), Colour::Red);
        QVERIFY(inputMode(f));
        QVERIFY(!f.find(Label4)->isVisibleTo(f.window.get()));
        QVERIFY(f.find(ComClear)->isEnabled());
        QVERIFY(dataFiles(f).isEmpty());
    }

    void optionButtonClickedItself_data()
    {
        QTest::addColumn<bool>("measuring");
        QTest::addColumn<WayOut>("wayOut");
        QTest::newRow("waiting, left by the toggle") << false << WayOut::Toggle;
        QTest::newRow("waiting, left by Enter in a line") << false << WayOut::EnterInBox;
        QTest::newRow("measuring, left by the toggle") << true << WayOut::Toggle;
        QTest::newRow("measuring, left by Enter in a line") << true << WayOut::EnterInBox;
    }

    void optionButtonClickedItself()
    {
        QFETCH(bool, measuring);
        QFETCH(WayOut, wayOut);
        MainWindowFixture f;
        QVERIFY(f.start());
        f.find<QLineEdit>(text1(4))->setText(u"48"_s);
        f.find<QLineEdit>(text1(5))->setText(u"-2"_s);
        if (measuring)
            f.key(Qt::Key_Return);
        const QString screen = f.screen();
        const QColor colour = f.screenColor();
        const QString target = boxText(f, 4);

        click(f, Option1);

        QVERIFY(inputMode(f));
        QCOMPARE(f.screen(), screen);
        QCOMPARE(f.screenColor(), colour);
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space, Qt::Key_Backspace, Qt::Key_Up,
                            Qt::Key_Down, Qt::Key_Left, Qt::Key_Right, Qt::Key_S})
            f.key(key);
        QCOMPARE(f.screen(), screen);
        QCOMPARE(boxText(f, 4), target);
        QCOMPARE(boxText(f, 5), u"-2"_s);
        QCOMPARE(dataFiles(f).size(), measuring ? 1 : 0);
        QVERIFY(inputMode(f));

        if (wayOut == WayOut::Toggle) {
            click(f, ModeToggle);
        } else {
            click(f, text1(0));
            QTest::keyClicks(QApplication::focusWidget(), u" "_s);
            QCOMPARE(readings(f), measuring ? 1 : 0);
            f.key(Qt::Key_Return);
        }
        QVERIFY(!inputMode(f));
        QCOMPARE(f.focusName(), u"Text2"_s);
        QCOMPARE(f.screenColor(), measuring ? Colour::Yellow : Colour::SkyBlue);
        f.key(Qt::Key_Return);
        QCOMPARE(readings(f), measuring ? 2 : 1);
    }

    void rejectionMarkLandsInColumn56_data()
    {
        // The target typed into its prompt before the measurement, or during
        // it, when it is the very next reading's target.
        QTest::addColumn<bool>("during");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("shown");  // the target on the reading's line
        QTest::addColumn<QString>("inFile"); // the target field of its row
        const struct {
            const char* name;
            QString answer, shown, inFile;
        } targets[] = {
            {"50", u"50"_s, u" 50"_s, u"50"_s},
            {"-2.5", u"-2.5"_s, u"-2.5"_s, u"-2.5"_s},
            {"0.1", u"0.1"_s, u" 0.1"_s, u"0.1"_s},
            {"-0.125", u"-0.125"_s, u"-0.125"_s, u"-0.125"_s},
            {"1000", u"1000"_s, u" 1000"_s, u"1000"_s},
            {"-1234.567", u"-1234.567"_s, u"-1234.567"_s, u"-1234.567"_s},
            {"nine digits", u"123456789"_s, u" 123456800"_s, u"123456800"_s},
        };
        for (bool during : {false, true}) {
            for (const auto& t : targets) {
                QTest::addRow("%s, %s", during ? "during" : "before", t.name)
                    << during << t.answer << t.shown << t.inFile;
            }
        }
    }

    void rejectionMarkLandsInColumn56()
    {
        QFETCH(bool, during);
        QFETCH(QString, answer);
        QFETCH(QString, shown);
        QFETCH(QString, inFile);
        MainWindowFixture f;
        QVERIFY(f.start());
        if (during)
            f.key(Qt::Key_Return); // reading 000, target 0
        f.dialogs->answers = {answer};
        click(f, text1(4));
        QVERIFY(backFromDialog(f));
        if (!during)
            click(f, ModeToggle);

        f.key(Qt::Key_Return);
        f.key(Qt::Key_Backspace);
        f.key(Qt::Key_Return);
        click(f, ComClear);

        const int number = during ? 1 : 0;
        auto numbered = [](int n) { return u" %1"_s.arg(n, 3, 10, QChar(u'0')); };
        const QStringList lines = f.screen().split(u"\r\n"_s);
        const QString line = lines.value(1 + number);
        QCOMPARE(line, numbered(number) + u"   15:27:36        0.00        0.00    "_s + shown +
                           u' ' + QString(11 - shown.size(), u'-') + u"NG"_s);
        QCOMPARE(line.indexOf(u"NG"_s), 55);
        QVERIFY(lines.value(2 + number).startsWith(numbered(number + 1) + u' '));
        const QStringList rows = readRows(dataFilePath(f, dataFiles(f).value(0)));
        QCOMPARE(rows.value(3 + number),
                 u"%1,\"15:27:36\",0,0,%2,\" --NG\""_s.arg(number).arg(inFile));
        QCOMPARE(rows.value(4 + number),
                 u"%1,\"15:27:36\",0,0,%2,\"\""_s.arg(number + 1).arg(inFile));
    }
};

QTEST_MAIN(ScreenStatesTest)
#include "tst_screen_states.moc"
