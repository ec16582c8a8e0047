#include "numbers/NumberText.h"
#include "support/FormHarness.h"

#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;

class TargetKeysTest final : public QObject
{
    Q_OBJECT
private slots:
    void keys_data();
    void keys();
    void modifiersDisableKeys();
    void nothingInSavedOrInputMode();
    void rangeOverflowLeavesBox();
    void upAfterReadingReturnsToRecordedTarget();
};

void TargetKeysTest::keys_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("increment");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QString>("targetAfter");
    QTest::addColumn<QString>("incrementAfter");
    using K = QList<int>;
    QTest::newRow("up") << u"48"_s << u"-2"_s << K{KeyCode::Up} << u"50"_s << u"-2"_s;
    QTest::newRow("down") << u"48"_s << u"-2"_s << K{KeyCode::Down} << u"46"_s << u"-2"_s;
    QTest::newRow("left") << u"48"_s << u"-2"_s << K{KeyCode::Left} << u"48"_s << u"-1"_s;
    QTest::newRow("left twice") << u"48"_s << u"-2"_s << K{KeyCode::Left, KeyCode::Left} << u"48"_s
                                << u"-0.5"_s;
    QTest::newRow("right") << u"48"_s << u"-2"_s << K{KeyCode::Right} << u"48"_s << u"-4"_s;
    QTest::newRow("s reverses") << u"48"_s << u"-2"_s << K{KeyCode::S} << u"48"_s << u"2"_s;
    QTest::newRow("non-numeric increment left")
        << u"5"_s << u"abc"_s << K{KeyCode::Left} << u"5"_s << u"0"_s;
    QTest::newRow("non-numeric increment right")
        << u"5"_s << u"abc"_s << K{KeyCode::Right} << u"5"_s << u"0"_s;
    QTest::newRow("non-numeric increment s")
        << u"5"_s << u"abc"_s << K{KeyCode::S} << u"5"_s << u"0"_s;
    QTest::newRow("other keys do nothing") << u"5"_s << u"1"_s << K{65, 9, 46} << u"5"_s << u"1"_s;
}

void TargetKeysTest::keys()
{
    QFETCH(QString, target);
    QFETCH(QString, increment);
    QFETCH(QList<int>, keys);
    QFETCH(QString, targetAfter);
    QFETCH(QString, incrementAfter);
    for (bool measuring : {false, true}) {
        FormHarness h;
        if (measuring)
            h.enter();
        h.setBox(4, target);
        h.setBox(5, increment);
        for (int key : keys)
            h.key(key);
        QCOMPARE(h.box(4), targetAfter);
        QCOMPARE(h.box(5), incrementAfter);
    }
}

void TargetKeysTest::modifiersDisableKeys()
{
    FormHarness h;
    h.setBox(4, u"48"_s);
    h.setBox(5, u"-2"_s);
    h.form.setText(Text2, u"s"_s);
    for (int shift : {ShiftState::Shift, ShiftState::Ctrl, ShiftState::Alt,
                      ShiftState::Shift | ShiftState::Ctrl}) {
        for (int key : {KeyCode::Up, KeyCode::Down, KeyCode::Left, KeyCode::Right, KeyCode::S})
            h.key(key, shift);
    }
    QCOMPARE(h.box(4), u"48"_s);
    QCOMPARE(h.box(5), u"-2"_s);
    QCOMPARE(h.form.text(Text2), u"s"_s);
    h.key(KeyCode::S);
    QCOMPARE(h.form.text(Text2), QString());
}

void TargetKeysTest::nothingInSavedOrInputMode()
{
    FormHarness h;
    h.setBox(4, u"48"_s);
    h.setBox(5, u"-2"_s);
    h.form.setOptionValue(true);
    for (int key : {KeyCode::Up, KeyCode::Down, KeyCode::Left, KeyCode::Right, KeyCode::S})
        h.key(key);
    QCOMPARE(h.box(4), u"48"_s);
    QCOMPARE(h.box(5), u"-2"_s);

    h.form.setOptionValue(false);
    h.enter();
    h.logic->ComClear_Click();
    const QString target = h.box(4);
    for (int key : {KeyCode::Up, KeyCode::Down, KeyCode::Left, KeyCode::Right, KeyCode::S})
        h.key(key);
    QCOMPARE(h.box(4), target);
    QCOMPARE(h.box(5), u"-2"_s);
}

void TargetKeysTest::rangeOverflowLeavesBox()
{
    FormHarness h;
    const QString huge = u"1E+308"_s;
    h.setBox(4, huge);
    h.setBox(5, huge);
    h.key(KeyCode::Right);
    QCOMPARE(h.box(5), huge);
    h.key(KeyCode::Down);
    QCOMPARE(h.box(4), huge);
    h.key(KeyCode::Left);
    QVERIFY(h.box(5) != huge);
}

void TargetKeysTest::upAfterReadingReturnsToRecordedTarget()
{
    FormHarness h;
    h.setBox(4, u"50"_s);
    h.setBox(5, u"-2"_s);
    h.enter();
    QCOMPARE(h.box(4), u"48"_s);
    h.key(KeyCode::Up);
    QCOMPARE(h.box(4), u"50"_s);
    h.key(KeyCode::Left);
    h.enter(); // prints 50, then advances by the halved increment
    QVERIFY(h.screenLines()[2].endsWith(u"     50"_s));
    QCOMPARE(h.box(4), u"49"_s);
}

QTEST_APPLESS_MAIN(TargetKeysTest)
#include "tst_targetkeys.moc"
