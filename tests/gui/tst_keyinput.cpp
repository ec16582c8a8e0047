// Translating Qt's keys into the logic's key codes, and key event times into
// press instants on the monotonic clock.

#include "app/KeyPress.h"
#include "ui/KeyCodes.h"
#include "ui/PressTimeEstimator.h"

#include <QTest>

class KeyInputTest final : public QObject
{
    Q_OBJECT

private slots:
    void keyCodes_data()
    {
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<int>("code");

        const Qt::KeyboardModifiers none = Qt::NoModifier;
        QTest::newRow("Return") << int(Qt::Key_Return) << none << KeyCode::Enter;
        QTest::newRow("keypad Enter")
            << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << KeyCode::Enter;
        QTest::newRow("Space") << int(Qt::Key_Space) << none << KeyCode::Space;
        QTest::newRow("Shift+Space")
            << int(Qt::Key_Space) << Qt::KeyboardModifiers(Qt::ShiftModifier) << KeyCode::Space;
        QTest::newRow("BackSpace") << int(Qt::Key_Backspace) << none << KeyCode::BackSpace;
        QTest::newRow("Left") << int(Qt::Key_Left) << none << KeyCode::Left;
        QTest::newRow("Up") << int(Qt::Key_Up) << none << KeyCode::Up;
        QTest::newRow("Right") << int(Qt::Key_Right) << none << KeyCode::Right;
        QTest::newRow("Down") << int(Qt::Key_Down) << none << KeyCode::Down;
        QTest::newRow("s") << int(Qt::Key_S) << none << KeyCode::S;
        QTest::newRow("S with Shift")
            << int(Qt::Key_S) << Qt::KeyboardModifiers(Qt::ShiftModifier) << KeyCode::S;
        QTest::newRow("A") << int(Qt::Key_A) << none << 65;
        QTest::newRow("7") << int(Qt::Key_7) << none << 55;
        QTest::newRow("keypad 7") << int(Qt::Key_7) << Qt::KeyboardModifiers(Qt::KeypadModifier)
                                  << 103;
        QTest::newRow("F1") << int(Qt::Key_F1) << none << 112;
        // Qt names shifted symbols by their character; "(" would read as the
        // Down arrow's 40 if passed on as it is.
        QTest::newRow("(") << int(Qt::Key_ParenLeft) << Qt::KeyboardModifiers(Qt::ShiftModifier)
                           << 0;
        QTest::newRow("&") << int(Qt::Key_Ampersand) << Qt::KeyboardModifiers(Qt::ShiftModifier)
                           << 0;
        QTest::newRow("kana key") << int(Qt::Key_Kana_Lock) << none << 0;
    }

    void keyCodes()
    {
        QFETCH(int, qtKey);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(int, code);
        QCOMPARE(KeyCodes::fromQtKey(qtKey, modifiers), code);
    }

    void shiftStates_data()
    {
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<int>("shift");
        QTest::newRow("none") << Qt::KeyboardModifiers() << 0;
        QTest::newRow("Shift") << Qt::KeyboardModifiers(Qt::ShiftModifier) << 1;
        QTest::newRow("Ctrl") << Qt::KeyboardModifiers(Qt::ControlModifier) << 2;
        QTest::newRow("Alt") << Qt::KeyboardModifiers(Qt::AltModifier) << 4;
        QTest::newRow("Shift+Ctrl+Alt")
            << (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier) << 7;
        QTest::newRow("keypad alone") << Qt::KeyboardModifiers(Qt::KeypadModifier) << 0;
    }

    void shiftStates()
    {
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(int, shift);
        QCOMPARE(KeyCodes::shiftState(modifiers), shift);
    }

    void eventWithoutTimeHasNoPressTime()
    {
        PressTimeEstimator estimator(X11);
        QVERIFY(!estimator.pressedAtNs(0, 5'000 * Ms));
    }

    void pressTimeFollowsTheFastestDeliveredEvent()
    {
        PressTimeEstimator estimator(X11);
        // The event clock runs 1000 ms ahead of ours; the first event arrives
        // 30 ms late and is all there is to go by.
        QCOMPARE(msOf(estimator.pressedAtNs(2'000, 1'030 * Ms)), 1'030);
        // The next arrives 2 ms late: a better reading of the offset.
        QCOMPARE(msOf(estimator.pressedAtNs(3'000, 2'002 * Ms)), 2'002);
        // One held up 400 ms behind a busy handler keeps its own instant.
        QCOMPARE(msOf(estimator.pressedAtNs(4'000, 3'402 * Ms)), 3'002);
    }

    void stampOnOurClockNeedsNoLearning()
    {
        PressTimeEstimator estimator(X11);
        // The very first press, held up 400 ms behind a busy handler.
        QCOMPARE(msOf(estimator.pressedAtNs(5'000, 5'400 * Ms)), 5'000);
        QCOMPARE(msOf(estimator.pressedAtNs(6'000, 6'050 * Ms)), 6'000);
        // Within the millisecond the stamp gives, never after now.
        QCOMPARE(*estimator.pressedAtNs(7'000, 7'000 * Ms + 100), 7'000 * Ms + 100);
        QCOMPARE(*estimator.pressedAtNs(8'000, 8'003 * Ms), 8'000 * Ms + Ms / 2);
    }

    void stampCutTo32BitsStillReadsAsOurClock()
    {
        PressTimeEstimator estimator(X11);
        const qint64 wrap = qint64(1) << 32;
        // 49.7 days after boot the stamp has wrapped; our clock has not.
        QCOMPARE(msOf(estimator.pressedAtNs(4'600, (wrap + 5'000) * Ms)), wrap + 4'600);
        // A stamp from just before the wrap, handled just after it.
        QCOMPARE(msOf(estimator.pressedAtNs(quint64(wrap - 100), (wrap + 200) * Ms)), wrap - 100);
    }

    void staleEventTimeIsDistrustedAndTheClockStartsOver()
    {
        PressTimeEstimator estimator(X11);
        QCOMPARE(msOf(estimator.pressedAtNs(10'000, 10'000 * Ms)), 10'000);
        // The event clock fell back by a minute (wrapped, or another server):
        // mapped with the old offset the press would lie 60 s in the past.
        QVERIFY(!estimator.pressedAtNs(11'000, 71'000 * Ms));
        // From then on the new relation holds.
        QCOMPARE(msOf(estimator.pressedAtNs(12'000, 72'005 * Ms)), 72'000);
    }

    void delayUpToTenSecondsIsStillTrusted()
    {
        PressTimeEstimator estimator(X11);
        QCOMPARE(msOf(estimator.pressedAtNs(1'000, 1'000 * Ms)), 1'000);
        QCOMPARE(msOf(estimator.pressedAtNs(2'000, 12'000 * Ms)), 2'000);
        QVERIFY(!estimator.pressedAtNs(3'000, 13'001 * Ms));
    }

    void stampOnAClockOfItsOwnIsAlwaysMapped_data()
    {
        QTest::addColumn<QList<qint64>>("stampsMs");
        QTest::addColumn<QList<qint64>>("handledMs");
        QTest::addColumn<QList<qint64>>("expectedMs");
        // Counted from the program's start, which came 6 s after our clock's
        // origin (a program started just after boot): the stamps look like
        // recent instants of our clock, yet they are not.
        QTest::newRow("started just after boot")
            << QList<qint64>{1'000, 2'000, 3'000} << QList<qint64>{7'003, 8'001, 9'401}
            << QList<qint64>{7'003, 8'001, 9'001};
        QTest::newRow("the clock jumped: no usable stamp")
            << QList<qint64>{1'000, 2'000} << QList<qint64>{7'000, 67'000}
            << QList<qint64>{7'000, -1};
    }

    void stampOnAClockOfItsOwnIsAlwaysMapped()
    {
        QFETCH(QList<qint64>, stampsMs);
        QFETCH(QList<qint64>, handledMs);
        QFETCH(QList<qint64>, expectedMs);
        PressTimeEstimator estimator(PressTimeEstimator::EventClock::OwnMs);
        for (qsizetype i = 0; i < stampsMs.size(); ++i)
            QCOMPARE(msOf(estimator.pressedAtNs(quint64(stampsMs[i]), handledMs[i] * Ms)),
                     expectedMs[i]);
    }

private:
    static constexpr auto X11 = PressTimeEstimator::EventClock::MonotonicMs;
    static constexpr qint64 Ms = 1'000'000;
    static qint64 msOf(std::optional<qint64> ns) { return ns ? *ns / Ms : -1; }
};

QTEST_APPLESS_MAIN(KeyInputTest)
#include "tst_keyinput.moc"
