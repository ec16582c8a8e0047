// Up, Down, Left, Right and S pressed on the real window: they step the
// target value and the increment in the two orange boxes, only with no
// Shift, Ctrl or Alt held, and not in Saved or while text is being typed.

#include "WindowDriving.h"

#include "measurement/MeasurementState.h"

using namespace Qt::StringLiterals;
using namespace Drive;

namespace
{
const QList<Qt::Key> TargetKeys = {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right,
                                   Qt::Key_S};

void setBoxes(MainWindowFixture& f, const QString& target, const QString& increment)
{
    f.find<QLineEdit>(text1(4))->setText(target);
    f.find<QLineEdit>(text1(5))->setText(increment);
}
} // namespace

class TargetKeysGuiTest final : public QObject
{
    Q_OBJECT

private slots:
    void keysStepTheBoxes_data()
    {
        QTest::addColumn<bool>("measuring");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("increment");
        QTest::addColumn<QList<Qt::Key>>("keys");
        QTest::addColumn<QString>("targetAfter");
        QTest::addColumn<QString>("incrementAfter");
        using K = QList<Qt::Key>;
        const QString huge = u"1E+308"_s;
        for (bool measuring : {false, true}) {
            const char* state = measuring ? "measuring" : "waiting";
            auto row = [&](const char* name, const QString& target, const QString& increment,
                           const K& keys, const QString& targetAfter,
                           const QString& incrementAfter) {
                QTest::addRow("%s, %s", state, name)
                    << measuring << target << increment << keys << targetAfter << incrementAfter;
            };
            row("up", u"48"_s, u"-2"_s, {Qt::Key_Up}, u"50"_s, u"-2"_s);
            row("down", u"48"_s, u"-2"_s, {Qt::Key_Down}, u"46"_s, u"-2"_s);
            row("left", u"48"_s, u"-2"_s, {Qt::Key_Left}, u"48"_s, u"-1"_s);
            row("left twice", u"48"_s, u"-2"_s, {Qt::Key_Left, Qt::Key_Left}, u"48"_s, u"-0.5"_s);
            row("right", u"48"_s, u"-2"_s, {Qt::Key_Right}, u"48"_s, u"-4"_s);
            row("s", u"48"_s, u"-2"_s, {Qt::Key_S}, u"48"_s, u"2"_s);
            row("non-numeric increment, left", u"5"_s, u"abc"_s, {Qt::Key_Left}, u"5"_s, u"0"_s);
            row("non-numeric increment, right", u"5"_s, u"abc"_s, {Qt::Key_Right}, u"5"_s, u"0"_s);
            row("non-numeric increment, s", u"5"_s, u"abc"_s, {Qt::Key_S}, u"5"_s, u"0"_s);
            row("non-numeric increment, up", u"5"_s, u"abc"_s, {Qt::Key_Up}, u"5"_s, u"abc"_s);
            row("non-numeric target, down", u"abc"_s, u"2"_s, {Qt::Key_Down}, u"2"_s, u"2"_s);
            row("doubling beyond a double", u"5"_s, huge, {Qt::Key_Right}, u"5"_s, huge);
            row("stepping beyond a double", huge, huge, {Qt::Key_Down}, huge, huge);
            row("stepping below a double", u"-1E+308"_s, huge, {Qt::Key_Up}, u"-1E+308"_s, huge);
        }
    }

    void keysStepTheBoxes()
    {
        QFETCH(bool, measuring);
        QFETCH(QString, target);
        QFETCH(QString, increment);
        QFETCH(QList<Qt::Key>, keys);
        QFETCH(QString, targetAfter);
        QFETCH(QString, incrementAfter);
        MainWindowFixture f;
        QVERIFY(f.start());
        if (measuring)
            f.key(Qt::Key_Return);
        setBoxes(f, target, increment);
        const QString screen = f.screen();

        for (Qt::Key key : keys)
            f.key(key);

        QCOMPARE(boxText(f, 4), targetAfter);
        QCOMPARE(boxText(f, 5), incrementAfter);
        QCOMPARE(f.screen(), screen);
        QCOMPARE(f.focusName(), u"Text2"_s);
    }

    void heldModifierDisablesTheKeys_data()
    {
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::newRow("shift") << Qt::KeyboardModifiers(Qt::ShiftModifier);
        QTest::newRow("ctrl") << Qt::KeyboardModifiers(Qt::ControlModifier);
        QTest::newRow("alt") << Qt::KeyboardModifiers(Qt::AltModifier);
        QTest::newRow("shift ctrl") << (Qt::ShiftModifier | Qt::ControlModifier);
        QTest::newRow("ctrl alt") << (Qt::ControlModifier | Qt::AltModifier);
    }

    void heldModifierDisablesTheKeys()
    {
        QFETCH(Qt::KeyboardModifiers, modifiers);
        MainWindowFixture f;
        QVERIFY(f.start());
        setBoxes(f, u"48"_s, u"-2"_s);
        for (Qt::Key key : TargetKeys)
            f.key(key, modifiers);
        QCOMPARE(boxText(f, 4), u"48"_s);
        QCOMPARE(boxText(f, 5), u"-2"_s);

        // The measurement key and BackSpace do not care what is held.
        f.find(Text2)->setFocus();
        f.key(Qt::Key_Return, modifiers);
        QCOMPARE(stateWord(f), StateWord::Measuring);
        f.key(Qt::Key_Backspace, modifiers);
        QVERIFY(f.screen().endsWith(u" --------NG\r\n"_s));
    }

    void sEmptiesTheFocusBoxBeforeItTakesTheKey()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        setBoxes(f, u"48"_s, u"-2"_s);
        QTest::keyClicks(QApplication::focusWidget(), u"ab"_s);
        QCOMPARE(f.window->text(Text2), u"ab"_s);
        f.key(Qt::Key_S);
        QCOMPARE(f.window->text(Text2), u"s"_s);
        QCOMPARE(boxText(f, 5), u"2"_s);
    }

    void nothingInSavedOrWithTheModeOn_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::newRow("saved") << u"saved"_s;
        QTest::newRow("saved, mode on") << u"saved, mode on"_s;
        QTest::newRow("waiting, mode on") << u"waiting, mode on"_s;
        QTest::newRow("measuring, mode on") << u"measuring, mode on"_s;
    }

    void nothingInSavedOrWithTheModeOn()
    {
        QFETCH(QString, situation);
        MainWindowFixture f;
        QVERIFY(f.start());
        if (!situation.startsWith(u"waiting"_s))
            f.key(Qt::Key_Return);
        if (situation.startsWith(u"saved"_s))
            click(f, ComClear);
        if (situation.endsWith(u"mode on"_s))
            click(f, ModeToggle);
        setBoxes(f, u"48"_s, u"-2"_s);
        const QString screen = f.screen();

        for (Qt::Key key : TargetKeys)
            f.key(key);

        QCOMPARE(boxText(f, 4), u"48"_s);
        QCOMPARE(boxText(f, 5), u"-2"_s);
        QCOMPARE(f.screen(), screen);
    }

    void keysBetweenReadingsSteerTheNextOnes()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        setBoxes(f, u"50"_s, u"-2"_s);
        f.key(Qt::Key_Return);
        QCOMPARE(boxText(f, 4), u"48"_s);
        f.key(Qt::Key_Up); // back to the target just recorded
        f.key(Qt::Key_Left);
        f.key(Qt::Key_Space);
        QCOMPARE(boxText(f, 4), u"49"_s);
        f.key(Qt::Key_Down); // skips one target
        f.key(Qt::Key_S);
        f.key(Qt::Key_Space);
        QCOMPARE(boxText(f, 4), u"49"_s);
        click(f, ComClear);

        const QStringList rows = readRows(dataFilePath(f, dataFiles(f).value(0)));
        QCOMPARE(rows.mid(3, 3),
                 (QStringList{uR"(0,"15:27:36",0,0,50,"")"_s, uR"(1,"15:27:36",0,0,50,"")"_s,
                              uR"(2,"15:27:36",0,0,48,"")"_s}));
    }
};

QTEST_MAIN(TargetKeysGuiTest)
#include "tst_target_keys_gui.moc"
