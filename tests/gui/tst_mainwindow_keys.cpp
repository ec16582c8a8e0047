// Keys and clicks on the real main window: the window-level handling sees
// every key first, a subject box's own handling second, and the focused
// control still gets the key.

#include "MainWindowFixture.h"

#include "measurement/MeasurementState.h"

#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace
{
// A key event with the details QTest leaves out.
void sendKey(QWidget* target, Qt::Key key, const QString& text, bool autoRepeat,
             quint64 timestamp = 0)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text, autoRepeat);
    press.setTimestamp(timestamp);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text, autoRepeat);
    release.setTimestamp(timestamp);
    QApplication::sendEvent(target, &release);
}

// The reading lines of the data screen: " 000   15:27:36 ...".
QStringList readingLines(const QString& screen)
{
    static const QRegularExpression reading(u"^ \\d{3} "_s);
    return screen.split(u"\r\n"_s).filter(reading);
}
} // namespace

class MainWindowKeysTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_f = std::make_unique<MainWindowFixture>();
        QVERIFY(m_f->start());
    }
    void cleanup() { m_f.reset(); }

    void spaceRecordsEveryPressWithItsLap()
    {
        m_f->key(Qt::Key_Space);
        m_f->clock.advanceMs(1250);
        m_f->key(Qt::Key_Space);
        m_f->clock.advanceMs(500);
        m_f->key(Qt::Key_Return);

        const QStringList readings = readingLines(m_f->screen());
        QCOMPARE(readings.size(), 3);
        QVERIFY(readings[1].startsWith(u" 001 "_s));
        QVERIFY(readings[1].contains(u" 1.25 "_s));
        QVERIFY(readings[2].contains(u" 1.75 "_s));
        QVERIFY(readings[2].contains(u" 0.50 "_s));
    }

    void heldDownKeyIsOnePress()
    {
        QWidget* text2 = m_f->find(ControlRef{Control::Text2});
        sendKey(text2, Qt::Key_Return, u"\r"_s, false);
        sendKey(QApplication::focusWidget(), Qt::Key_Return, u"\r"_s, true);
        sendKey(QApplication::focusWidget(), Qt::Key_Return, u"\r"_s, true);
        QCOMPARE(readingLines(m_f->screen()).size(), 1);
    }

    void repeatFlagOfAKeyThatWentDownElsewhereIsAPress()
    {
        // Return closed a message box, which took the key down but was gone
        // before it came up: the system may flag the next Return a repeat.
        QWidget box;
        box.show();
        sendKey(&box, Qt::Key_Return, u"\r"_s, false);
        box.hide();
        sendKey(m_f->find(ControlRef{Control::Text2}), Qt::Key_Return, u"\r"_s, true);
        QCOMPARE(readingLines(m_f->screen()).size(), 1);
        // Held down here, it repeats.
        sendKey(QApplication::focusWidget(), Qt::Key_Return, u"\r"_s, true);
        QCOMPARE(readingLines(m_f->screen()).size(), 1);
    }

    void keyEventTimeDatesTheReading()
    {
        // The event clock's relation to ours is learnt from the first press;
        // the second press waited 500 ms in the queue before it was handled.
        QWidget* text2 = m_f->find(ControlRef{Control::Text2});
        sendKey(text2, Qt::Key_Return, u"\r"_s, false, 100'000);
        m_f->clock.advanceMs(2000);
        sendKey(QApplication::focusWidget(), Qt::Key_Return, u"\r"_s, false, 101'500);

        const QStringList readings = readingLines(m_f->screen());
        QCOMPARE(readings.size(), 2);
        QVERIFY2(readings[1].contains(u" 1.50 "_s), qPrintable(readings[1]));
    }

    void keyInASubjectBoxReachesTheWindowFirstThenTheBox()
    {
        // With the input mode off, Up in a subject line steps the target value
        // back (window level) and moves up a line (the box's own handling).
        m_f->window->setText(text1(4), u"50"_s);
        m_f->window->setText(text1(5), u"-2"_s);
        m_f->find(text1(0))->setFocus();

        m_f->key(Qt::Key_Up);

        QCOMPARE(m_f->window->text(text1(4)), u"52"_s);
        QCOMPARE(m_f->focusName(), u"Text1_6"_s);
    }

    void keysAreNotConsumed()
    {
        QTest::mouseClick(m_f->find(text1(6)), Qt::LeftButton);
        QCOMPARE(m_f->focusName(), u"Text1_6"_s);
        QTest::keyClicks(QApplication::focusWidget(), u"Lap 1"_s);
        QCOMPARE(m_f->window->text(text1(6)), u"Lap 1"_s);
        QVERIFY(readingLines(m_f->screen()).isEmpty());
    }

    void typingInASubjectLineHoldsTheMeasurementKeyOff()
    {
        m_f->key(Qt::Key_Return);
        QCOMPARE(m_f->window->caption({Control::Label4}), StateWord::Measuring);

        QTest::mouseClick(m_f->find(text1(6)), Qt::LeftButton);
        QCOMPARE(m_f->screenColor(), QColor(255, 0, 0));
        QTest::keyClicks(QApplication::focusWidget(), u"runner B"_s);
        QCOMPARE(readingLines(m_f->screen()).size(), 1);

        // Enter in the box ends the input: yellow again, focus back in Text2.
        m_f->key(Qt::Key_Return);
        QCOMPARE(m_f->screenColor(), QColor(255, 255, 0));
        QCOMPARE(m_f->focusName(), u"Text2"_s);
        QCOMPARE(readingLines(m_f->screen()).size(), 1);
        m_f->key(Qt::Key_Space);
        QCOMPARE(readingLines(m_f->screen()).size(), 2);
    }

    void label6TogglesTheInputMode()
    {
        QWidget* label6 = m_f->find(ControlRef{Control::Label6});
        auto* option = m_f->find<QRadioButton>(ControlRef{Control::Option1});
        QTest::mouseClick(label6, Qt::LeftButton);
        QVERIFY(option->isChecked());
        QCOMPARE(m_f->screenColor(), QColor(255, 0, 0));
        QTest::mouseClick(label6, Qt::LeftButton);
        QVERIFY(!option->isChecked());
        QCOMPARE(m_f->screenColor(), QColor(128, 255, 255));
        QCOMPARE(m_f->focusName(), u"Text2"_s);
    }

    void doubleClickOnLabel6IsOneClick()
    {
        // A double-click is a click and a double-click, not two clicks that
        // would switch the mode on and straight off again. As the window
        // system delivers it: press, release, double-click, release.
        QWidget* label6 = m_f->find(ControlRef{Control::Label6});
        QTest::mousePress(label6, Qt::LeftButton);
        QTest::mouseRelease(label6, Qt::LeftButton);
        QTest::mouseDClick(label6, Qt::LeftButton);
        QTest::mouseRelease(label6, Qt::LeftButton);
        QVERIFY(m_f->find<QRadioButton>(ControlRef{Control::Option1})->isChecked());
    }

    void optionButtonIsSelectedButNeverClearedByAClick()
    {
        auto* option = m_f->find<QRadioButton>(ControlRef{Control::Option1});
        QTest::mouseClick(option, Qt::LeftButton);
        QVERIFY(option->isChecked());
        QTest::mouseClick(option, Qt::LeftButton);
        QVERIFY(option->isChecked());
        m_f->window->setOptionValue(false);
        QVERIFY(!option->isChecked());
    }

    void saveClearEndsThenClears()
    {
        m_f->key(Qt::Key_Return);
        QWidget* comClear = m_f->find(ControlRef{Control::ComClear});
        QTest::mouseClick(comClear, Qt::LeftButton);
        QCOMPARE(m_f->window->caption({Control::Label4}), StateWord::Saved);
        QCOMPARE(m_f->screenColor(), QColor(0, 255, 0));
        QVERIFY(!m_f->window->findChild<QTimer*>(u"Timer2"_s)->isActive());
        QTest::mouseClick(comClear, Qt::LeftButton);
        QCOMPARE(m_f->window->caption({Control::Label4}), StateWord::WaitingToStart);
        QVERIFY(!comClear->isEnabled());
    }

    void changeButtonAddsTheSubjectBlockToTheScreen()
    {
        m_f->key(Qt::Key_Return);
        m_f->window->setText(text1(6), u"runner B"_s);
        QTest::mouseClick(m_f->find(ControlRef{Control::ComSave}), Qt::LeftButton);
        QVERIFY(m_f->screen().contains(u"runner B"_s));
        QCOMPARE(m_f->focusName(), u"Text2"_s);
    }

private:
    std::unique_ptr<MainWindowFixture> m_f;
};

// Writing into a "DATA" that is a plain file fails; the window says so
// without a dialog and keeps measuring.
class DataFileFailureTest final : public QObject
{
    Q_OBJECT

private slots:
    void failedWriteTurnsTheFileNameBoxRed()
    {
        MainWindowFixture f;
        QFile blocker(f.folder.dir().filePath(u"DATA"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(f.start());

        f.key(Qt::Key_Return);

        auto* label7 = f.find<QLabel>(ControlRef{Control::Label7});
        QCOMPARE(label7->palette().color(QPalette::Window), QColor(255, 0, 0));
        QVERIFY(label7->text().contains(u"書込失敗"_s));
        QVERIFY(!label7->toolTip().isEmpty());
        QVERIFY(f.dialogs->seen.isEmpty());
        QCOMPARE(f.window->caption({Control::Label4}), StateWord::Measuring);
        QCOMPARE(f.focusName(), u"Text2"_s);
        f.key(Qt::Key_Return);
        QCOMPARE(readingLines(f.screen()).size(), 2);
    }
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    int status = 0;
    {
        MainWindowKeysTest keys;
        status |= QTest::qExec(&keys, argc, argv);
    }
    {
        DataFileFailureTest failure;
        status |= QTest::qExec(&failure, argc, argv);
    }
    return status;
}

#include "tst_mainwindow_keys.moc"
