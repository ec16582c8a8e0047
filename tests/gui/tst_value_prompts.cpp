// The prompts behind the two orange boxes, answered the way a user answers
// them: typing into Qt's own input dialog and clicking its OK or Cancel
// button. Every answer in every state: what the box shows, where the number
// is kept, and the colour, mode and focus the window is left with.

#include "WindowDriving.h"

#include "measurement/MeasurementState.h"

#include <QDialogButtonBox>
#include <QInputDialog>
#include <QPushButton>

using namespace Qt::StringLiterals;
using namespace Drive;

namespace
{
const QString KeepDefault = u"<keep the default>"_s;
const QString Cancel = u"<cancel>"_s;

// Answers each prompt with `reply`: keeps its default, cancels, or selects
// the answer field, types over it and clicks OK.
class PromptUser : public QObject
{
public:
    explicit PromptUser(RecorderWindow& window)
    {
        connect(&window, &RecorderWindow::dialogAboutToOpen, this, [this](QDialog* dialog) {
            QTimer::singleShot(0, dialog, [this, dialog] { answer(dialog); });
        });
    }

    QString reply = Cancel;
    struct Seen {
        QString title, label, defaultAnswer;
        bool modal = false;
    };
    QList<Seen> seen;

private:
    void answer(QDialog* dialog)
    {
        auto* prompt = qobject_cast<QInputDialog*>(dialog);
        auto* field = dialog->findChild<QLineEdit*>();
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        QPushButton* ok = buttons ? buttons->button(QDialogButtonBox::Ok) : nullptr;
        QPushButton* cancel = buttons ? buttons->button(QDialogButtonBox::Cancel) : nullptr;
        if (!prompt || !field || !ok || !cancel) {
            dialog->reject(); // not the prompt expected: nothing is seen
            return;
        }
        seen.append({prompt->windowTitle(), prompt->labelText(), field->text(),
                     QApplication::activeModalWidget() == dialog});
        if (reply == Cancel) {
            QTest::mouseClick(cancel, Qt::LeftButton);
            return;
        }
        if (reply != KeepDefault) {
            field->selectAll();
            QTest::keyClick(field, Qt::Key_Delete);
            QTest::keyClicks(field, reply);
        }
        QTest::mouseClick(ok, Qt::LeftButton);
    }
};

enum class State { Waiting, MeasuringModeOff, MeasuringModeOn, Saved };
} // namespace

Q_DECLARE_METATYPE(State)

class ValuePromptsTest final : public QObject
{
    Q_OBJECT

private slots:
    void answerInEveryState_data()
    {
        QTest::addColumn<State>("state");
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("shown"); // empty: refused
        QTest::addColumn<double>("value");
        // Measuring with the mode off: the target on the next reading's line
        // and the target box after it.
        QTest::addColumn<QString>("lineTarget");
        QTest::addColumn<QString>("boxAfterReading");
        const struct {
            const char* name;
            int box;
            QString reply, shown;
            double value;
            QString lineTarget, boxAfterReading;
        } answers[] = {
            {"target default", 4, KeepDefault, u"20"_s, 20, u" 20"_s, u"17"_s},
            {"increment default", 5, KeepDefault, u"1"_s, 1, u" 45"_s, u"46"_s},
            {"blanks around 50", 4, u" 50 "_s, u"50"_s, 50, u" 50"_s, u"47"_s},
            {"increment -2", 5, u"-2"_s, u"-2"_s, -2, u" 45"_s, u"43"_s},
            {"nine digits", 4, u"123456789"_s, u"1.234568E+08"_s, 123456800, u" 123456800"_s,
             u"123456797"_s},
            {"increment 0.1", 5, u"0.1"_s, u"0.1"_s, 0.1, u" 45"_s, u"45.1"_s},
            {"target cancelled", 4, Cancel, {}, 0, {}, {}},
            {"increment empty", 5, QString(), {}, 0, {}, {}},
            {"target abc", 4, u"abc"_s, {}, 0, {}, {}},
            {"increment beyond single precision", 5, u"1e39"_s, {}, 0, {}, {}},
        };
        const std::pair<State, const char*> states[] = {
            {State::Waiting, "waiting"},
            {State::MeasuringModeOff, "measuring"},
            {State::MeasuringModeOn, "measuring, mode on"},
            {State::Saved, "saved"},
        };
        for (const auto& [state, stateName] : states) {
            for (const auto& a : answers) {
                QTest::addRow("%s, %s", stateName, a.name)
                    << state << a.box << a.reply << a.shown << a.value << a.lineTarget
                    << a.boxAfterReading;
            }
        }
    }

    void answerInEveryState()
    {
        QFETCH(State, state);
        QFETCH(int, box);
        QFETCH(QString, reply);
        QFETCH(QString, shown);
        QFETCH(double, value);
        QFETCH(QString, lineTarget);
        QFETCH(QString, boxAfterReading);
        MainWindowFixture f;
        QVERIFY(f.start());
        f.dialogs.reset(); // the prompts are answered here, by typing
        PromptUser user(*f.window);
        user.reply = reply;
        f.find<QLineEdit>(text1(4))->setText(u"48"_s);
        f.find<QLineEdit>(text1(5))->setText(u"-3"_s);
        if (state != State::Waiting)
            f.key(Qt::Key_Return);
        if (state == State::Saved)
            click(f, ComClear);
        if (state == State::MeasuringModeOn)
            click(f, ModeToggle);
        const bool measuring = state == State::MeasuringModeOff || state == State::MeasuringModeOn;
        const MeasurementData before = f.window->form().data;
        const QString boxBefore = boxText(f, box);
        const QString screenBefore = f.screen();

        click(f, text1(box));
        QVERIFY(backFromDialog(f));

        QCOMPARE(user.seen.size(), 1);
        const PromptUser::Seen& prompt = user.seen.first();
        QVERIFY(prompt.modal);
        if (box == 4) {
            QCOMPARE(prompt.title, u"測定待受け値の初期値"_s);
            QCOMPARE(prompt.label, u"待受値の初期値(測定を開始する始めの値)を入力下さい。"_s);
            QCOMPARE(prompt.defaultAnswer, u"20"_s);
        } else {
            QCOMPARE(prompt.title, u"測定待受け値に対する増分"_s);
            QCOMPARE(prompt.label,
                     u"待受値に対する増分を入力下さい。マイナスで待受け値が減少します。"_s);
            QCOMPARE(prompt.defaultAnswer, u"1"_s);
        }
        QCOMPARE(f.screen(), state == State::Waiting ? Shown::InputValueBox : screenBefore);
        const MeasurementData& after = f.window->form().data;

        if (shown.isEmpty()) {
            QCOMPARE(boxText(f, box), boxBefore);
            QCOMPARE(after.targetValue, before.targetValue);
            QCOMPARE(after.increment, before.increment);
            QCOMPARE(after.initialTarget, before.initialTarget);
            QCOMPARE(after.initialIncrement, before.initialIncrement);
            QCOMPARE(f.screenColor(), Colour::Red);
            QVERIFY(inputMode(f));
            QCOMPARE(f.focusName(), objectNameOf(text1(box)));
            // Where the focus was left, Enter leaves the mode.
            f.key(Qt::Key_Return);
            QVERIFY(!inputMode(f));
            QCOMPARE(f.focusName(), u"Text2"_s);
            QCOMPARE(f.screenColor(), measuring ? Colour::Yellow : Colour::SkyBlue);
            QCOMPARE(f.screen(), measuring ? screenBefore : Shown::Waiting);
            return;
        }

        QCOMPARE(boxText(f, box), shown);
        QCOMPARE(f.focusName(), u"Text2"_s);
        if (measuring) {
            QCOMPARE(box == 4 ? after.targetValue : after.increment, value);
            QCOMPARE(after.initialTarget, before.initialTarget);
            QCOMPARE(after.initialIncrement, before.initialIncrement);
            QCOMPARE(f.screenColor(), Colour::Yellow);
            QCOMPARE(inputMode(f), state == State::MeasuringModeOn);
        } else {
            QCOMPARE(box == 4 ? after.initialTarget : after.initialIncrement, value);
            QVERIFY(inputMode(f));
            QCOMPARE(f.screenColor(), state == State::Saved ? Colour::Green : Colour::Red);
        }
        QCOMPARE(stateWord(f), state == State::Waiting ? u"過程表示"_s
                               : measuring             ? StateWord::Measuring
                                                       : StateWord::Saved);

        // Enter in Text2: a reading at once only where the mode went back off.
        const QString screen = f.screen();
        f.key(Qt::Key_Return);
        if (state != State::MeasuringModeOff) {
            QCOMPARE(f.screen(), screen);
            QVERIFY(inputMode(f));
            return;
        }
        const QStringList lines = f.screen().split(u"\r\n"_s);
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[2].startsWith(u" 001 "_s) && lines[2].endsWith(u"    "_s + lineTarget),
                 qPrintable(lines[2]));
        QCOMPARE(boxText(f, 4), boxAfterReading);
    }

    void clearingPutsBackWhatThePromptShowed_data()
    {
        QTest::addColumn<bool>("inSaved"); // else before the measurement
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("reply");
        for (bool inSaved : {false, true}) {
            const char* when = inSaved ? "saved" : "waiting";
            QTest::addRow("%s, target 0.1", when) << inSaved << 4 << u"0.1"_s;
            QTest::addRow("%s, increment -2.5", when) << inSaved << 5 << u"-2.5"_s;
            QTest::addRow("%s, target nine digits", when) << inSaved << 4 << u"123456789"_s;
            QTest::addRow("%s, increment 0.00001", when) << inSaved << 5 << u"0.00001"_s;
        }
    }

    void clearingPutsBackWhatThePromptShowed()
    {
        // The initial value comes back after the measurement exactly as its
        // prompt showed it, whatever the readings and keys did meanwhile.
        QFETCH(bool, inSaved);
        QFETCH(int, box);
        QFETCH(QString, reply);
        MainWindowFixture f;
        QVERIFY(f.start());
        f.dialogs.reset();
        PromptUser user(*f.window);
        user.reply = reply;
        if (inSaved) {
            f.key(Qt::Key_Return);
            click(f, ComClear);
        }
        click(f, text1(box));
        QVERIFY(backFromDialog(f));
        const QString shown = boxText(f, box);
        QVERIFY(shown != u"0"_s);
        if (!inSaved) {
            click(f, ModeToggle);
            f.key(Qt::Key_Return);
            f.key(Qt::Key_Right);
            f.key(Qt::Key_Down);
            f.key(Qt::Key_Return);
            click(f, ComClear);
        }
        click(f, ComClear);

        QCOMPARE(stateWord(f), StateWord::WaitingToStart);
        QCOMPARE(boxText(f, box), shown);
        QVERIFY(!inputMode(f));
    }
};

QTEST_MAIN(ValuePromptsTest)
#include "tst_value_prompts.moc"
