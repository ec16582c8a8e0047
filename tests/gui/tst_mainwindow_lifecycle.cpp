// The main window's life: the first and later starts in a working folder, the
// state it opens in, when it counts as activated, and closing it.

#include "MainWindowFixture.h"

#include "measurement/MeasurementState.h"
#include "ui/GuideWindow.h"

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace
{
const QString Greeting = u" 測定対象/条件、待受値/増分など入力下さい。"_s;
const QString FolderCreated =
    u" の下にフォルダー DATA を作成しました。データファイル .csv はここに保存されます。"_s;
} // namespace

class MainWindowLifecycleTest final : public QObject
{
    Q_OBJECT

private slots:
    void firstStartCreatesTheDataFolderAndSaysWhere()
    {
        MainWindowFixture f;
        QVERIFY(f.start());

        QVERIFY(f.folder.dir().exists(u"DATA"_s));
        QCOMPARE(f.dialogs->seen.size(), 1);
        const SeenDialog& message = f.dialogs->seen.first();
        QCOMPARE(message.text, QDir::toNativeSeparators(f.folder.canonicalPath()) + FolderCreated);
        QCOMPARE(message.title, u"Quellmark"_s);
        QCOMPARE(message.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
        QVERIFY(!message.iconShown);
        QVERIFY(message.wasModal);
        // The message comes before the window appears.
        QVERIFY(!message.mainWindowVisible);
        QVERIFY(f.window->QWidget::isVisible());
    }

    void laterStartIsSilent()
    {
        MainWindowFixture f;
        QVERIFY(f.folder.dir().mkdir(u"DATA"_s));
        QVERIFY(f.start());
        QVERIFY(f.dialogs->seen.isEmpty());
        QCOMPARE(f.screen(), Greeting);
    }

    void plainFileNamedDataIsNoObstacle()
    {
        MainWindowFixture f;
        QFile file(f.folder.dir().filePath(u"DATA"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        QVERIFY(f.start());
        QVERIFY(f.dialogs->seen.isEmpty());
        QVERIFY(QFileInfo(file.fileName()).isFile());
        QCOMPARE(f.screen(), Greeting);
        QCOMPARE(f.focusName(), u"Text2"_s);
    }

    void opensReadyToStartAMeasurement()
    {
        MainWindowFixture f;
        QVERIFY(f.start());

        QCOMPARE(f.screen(), Greeting);
        QCOMPARE(f.focusName(), u"Text2"_s);
        auto* label4 = f.find(ControlRef{Control::Label4});
        QVERIFY(!label4->isVisibleTo(f.window.get()));
        QVERIFY(!f.find(ControlRef{Control::ComSave})->isEnabled());
        QVERIFY(f.find(ControlRef{Control::ComClear})->isEnabled());
        QVERIFY(!f.find<QRadioButton>(ControlRef{Control::Option1})->isChecked());
        QCOMPARE(f.find<QLineEdit>(text1(7))->text(), u"温度 ℃"_s);
        const QColor lightOrange(255, 224, 192);
        for (int index : {4, 5}) {
            QCOMPARE(f.find<QLineEdit>(text1(index))->text(), u"0"_s);
            QCOMPARE(f.find(text1(index))->palette().color(QPalette::Base), lightOrange);
        }
        QVERIFY(f.window->findChild<QTimer*>(u"Timer1"_s)->isActive());
        QVERIFY(!f.window->findChild<QTimer*>(u"Timer2"_s)->isActive());
        // The clock replaces its placeholders at the first tick.
        QTRY_COMPARE(f.find<QLineEdit>(ControlRef{Control::TxHMS})->text(), u"15:27:36"_s);
    }

    void displayBoxesTakeNeitherFocusNorKeys()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        for (Control box :
             {Control::TxYMD, Control::TxHMS, Control::TxStartTime, Control::TxElapsed}) {
            auto* edit = f.find<QLineEdit>(ControlRef{box});
            QVERIFY(!edit->isEnabled());
            const QString before = edit->text();
            QTest::mouseClick(edit, Qt::LeftButton);
            QVERIFY(f.window->focusWidget() != edit);
            edit->setFocus();
            QVERIFY(f.window->focusWidget() != edit);
            QTest::keyClicks(edit, u"12"_s);
            QCOMPARE(edit->text(), before);
        }
    }

    void enterInText2StartsAMeasurementOnYellow()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        QCOMPARE(f.focusName(), u"Text2"_s);

        f.key(Qt::Key_Return);

        QCOMPARE(f.screenColor(), QColor(255, 255, 0));
        QCOMPARE(f.window->caption({Control::Label4}), StateWord::Measuring);
        QVERIFY(f.find(ControlRef{Control::Label4})->isVisible());
        QVERIFY(f.window->findChild<QTimer*>(u"Timer2"_s)->isActive());
        QVERIFY(f.find(ControlRef{Control::ComSave})->isEnabled());
        QCOMPARE(
            QDir(f.folder.dir().filePath(u"DATA"_s)).entryList({u"*.csv"_s}, QDir::Files).size(),
            1);
        QVERIFY(f.screen().contains(u"\r\n 000 "_s));
        QCOMPARE(f.focusName(), u"Text2"_s);
    }

    void comingBackFromTheGuideGreetsAgainWhileWaiting()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        f.window->setText({Control::TxEventTime}, u"something typed"_s);
        f.find(ControlRef{Control::TxEventTime})->setFocus();

        QTest::mouseClick(f.find(ControlRef{Control::Label5}), Qt::LeftButton);
        QVERIFY(f.window->guideWindow());
        QVERIFY(QTest::qWaitForWindowActive(f.window->guideWindow()));
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));

        QCOMPARE(f.screen(), Greeting);
        QCOMPARE(f.focusName(), u"Text2"_s);
    }

    void comingBackFromTheGuideKeepsTheRowsOfAMeasurement()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        f.key(Qt::Key_Return);
        f.clock.advanceMs(1500);
        f.key(Qt::Key_Return);
        const QString rows = f.screen();
        QVERIFY(rows.contains(u"\r\n 001 "_s));

        QTest::mouseClick(f.find(ControlRef{Control::Label5}), Qt::LeftButton);
        QVERIFY(QTest::qWaitForWindowActive(f.window->guideWindow()));
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));

        QCOMPARE(f.screen(), rows);
        QCOMPARE(f.focusName(), u"Text2"_s);
        f.key(Qt::Key_Return);
        QVERIFY(f.screen().startsWith(rows + u"\r\n 002 "_s));
    }

    void closingAPromptIsNoActivation()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        f.dialogs->seen.clear(); // the new folder's message
        f.dialogs->answers = {u"50"_s};

        QTest::mouseClick(f.find(text1(4)), Qt::LeftButton);

        QCOMPARE(f.dialogs->seen.size(), 1);
        QCOMPARE(f.dialogs->seen.first().title, u"測定待受け値の初期値"_s);
        QCOMPARE(f.dialogs->seen.first().defaultAnswer, u"20"_s);
        QVERIFY(f.dialogs->seen.first().wasModal);
        QCOMPARE(f.find<QLineEdit>(text1(4))->text(), u"50"_s);
        // The window system hands the focus back to the main window.
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        // Still the input instructions and the red screen of the input mode.
        QVERIFY(f.screen() != Greeting);
        QCOMPARE(f.screenColor(), QColor(255, 0, 0));
    }

    void closingIsRefusedWhileMeasuringButTheGuideCloses()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        f.key(Qt::Key_Space);
        QCOMPARE(f.window->caption({Control::Label4}), StateWord::Measuring);
        QTest::mouseClick(f.find(ControlRef{Control::Label5}), Qt::LeftButton);
        QPointer<GuideWindow> guide = f.window->guideWindow();
        QVERIFY(guide);
        const qsizetype dialogsBefore = f.dialogs->seen.size();

        QVERIFY(!f.window->close());

        QVERIFY(f.window->QWidget::isVisible());
        QVERIFY(f.window->findChild<QTimer*>(u"Timer2"_s)->isActive());
        QCOMPARE(f.window->caption({Control::Label4}), StateWord::Measuring);
        QVERIFY(!f.window->guideWindow());
        QTRY_VERIFY(guide.isNull());
        QCOMPARE(f.dialogs->seen.size(), dialogsBefore);
    }

    void closingIsAllowedWhenNotMeasuringAndTakesTheGuideAlong()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        QTest::mouseClick(f.find(ControlRef{Control::Label5}), Qt::LeftButton);
        QPointer<GuideWindow> guide = f.window->guideWindow();
        QVERIFY(guide);

        QVERIFY(f.window->close());

        QVERIFY(!f.window->QWidget::isVisible());
        QTRY_VERIFY(guide.isNull());
    }

    void closingAfterTheEndOfAMeasurementIsAllowed()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        f.key(Qt::Key_Return);
        QTest::mouseClick(f.find(ControlRef{Control::ComClear}), Qt::LeftButton);
        QCOMPARE(f.window->caption({Control::Label4}), StateWord::Saved);

        QVERIFY(f.window->close());
    }
};

QTEST_MAIN(MainWindowLifecycleTest)
#include "tst_mainwindow_lifecycle.moc"
