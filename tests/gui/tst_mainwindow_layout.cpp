// The main window as designed: its size, the places and fonts of its
// controls, the focus order, and what the data screen and the file name box
// show.

#include "MainWindowFixture.h"

#include "measurement/MeasurementState.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>

using namespace Qt::StringLiterals;

namespace
{
// Positions are designed in twips, 15 to the pixel.
QRect fromTwips(int left, int top, int width, int height)
{
    auto px = [](int twips) { return qRound(twips / 15.0); };
    return QRect(px(left), px(top), px(width), px(height));
}

const QStringList FixedPitchFallbacks = {u"Noto Sans Mono CJK JP"_s, u"IPAGothic"_s, u"VL Gothic"_s,
                                         u"TakaoGothic"_s};
const QStringList ProportionalFallbacks = {u"Noto Sans CJK JP"_s, u"IPAPGothic"_s, u"VL PGothic"_s,
                                           u"TakaoPGothic"_s};
} // namespace

class MainWindowLayoutTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_f = std::make_unique<MainWindowFixture>();
        QVERIFY(m_f->start());
    }
    void cleanup() { m_f.reset(); }

    void windowIsFixedAtItsDesignedSize()
    {
        RecorderWindow& window = *m_f->window;
        QCOMPARE(window.windowTitle(), u"QMK"_s);
        QCOMPARE(window.size(), QSize(506, 577));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        const Qt::WindowFlags flags = window.windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        const QList<QSize> iconSizes = window.windowIcon().availableSizes();
        QVERIFY(iconSizes.contains(QSize(16, 16)));
        QVERIFY(iconSizes.contains(QSize(32, 32)));
    }

    void controlsSitInTheirDesignedBoxes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("box");
        QTest::newRow("Text2") << u"Text2"_s << fromTwips(180, 360, 105, 285);
        QTest::newRow("Label3(4)") << u"Label3_4"_s << fromTwips(360, 360, 1890, 345);
        QTest::newRow("TxYMD") << u"TxYMD"_s << fromTwips(1200, 900, 1335, 330);
        QTest::newRow("TxElapsed") << u"TxElapsed"_s << fromTwips(1200, 1980, 1335, 330);
        QTest::newRow("Label7") << u"Label7"_s << fromTwips(120, 2460, 2835, 315);
        QTest::newRow("Shape1") << u"Shape1"_s << fromTwips(2700, 660, 2655, 1695);
        QTest::newRow("Option1") << u"Option1"_s << fromTwips(2760, 540, 255, 255);
        QTest::newRow("ComSave") << u"ComSave"_s << fromTwips(4740, 540, 495, 255);
        QTest::newRow("Text1(6)") << u"Text1_6"_s << fromTwips(2760, 840, 2500, 330);
        QTest::newRow("Text1(3)") << u"Text1_3"_s << fromTwips(2760, 1965, 2500, 330);
        QTest::newRow("Text1(7)") << u"Text1_7"_s << fromTwips(5520, 1320, 1935, 285);
        QTest::newRow("Label3(9)") << u"Label3_9"_s << fromTwips(5640, 1740, 1815, 345);
        QTest::newRow("Text1(5)") << u"Text1_5"_s << fromTwips(5700, 2415, 1035, 285);
        QTest::newRow("ComClear") << u"ComClear"_s << fromTwips(5280, 0, 1215, 495);
        QTest::newRow("Label3(8)") << u"Label3_8"_s << fromTwips(5820, 540, 1695, 345);
        QTest::newRow("TxEventTime") << u"TxEventTime"_s << fromTwips(120, 3060, 7335, 5490);
        QTest::newRow("Line1") << u"Line1"_s << fromTwips(5400, 2730, 1365, 15);
        QTest::newRow("Line3") << u"Line3"_s << fromTwips(7500, 0, 15, 180);
    }

    void controlsSitInTheirDesignedBoxes()
    {
        QFETCH(QString, name);
        QFETCH(QRect, box);
        auto* control = m_f->window->findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), box);
    }

    // Auto-size labels fit their caption; their top left corner and their
    // one-em height stay as designed, so no heading runs under its neighbours.
    void autoSizeLabelsKeepTheirCornerAndHeight_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("designed");
        QTest::newRow("Label1") << u"Label1"_s << fromTwips(120, 60, 3225, 240);
        QTest::newRow("Label3(0)") << u"Label3_0"_s << fromTwips(120, 900, 960, 225);
        QTest::newRow("Label6") << u"Label6"_s << fromTwips(3000, 600, 1815, 165);
        QTest::newRow("Label8") << u"Label8"_s << fromTwips(3000, 2580, 1620, 165);
        QTest::newRow("Label3(5)") << u"Label3_5"_s << fromTwips(5520, 2415, 150, 285);
        QTest::newRow("Label5") << u"Label5"_s << fromTwips(6600, 0, 900, 180);
        QTest::newRow("Label2(4)") << u"Label2_4"_s << fromTwips(120, 2820, 720, 225);
        QTest::newRow("Label3(10)") << u"Label3_10"_s << fromTwips(5460, 2820, 1440, 225);
    }

    void autoSizeLabelsKeepTheirCornerAndHeight()
    {
        QFETCH(QString, name);
        QFETCH(QRect, designed);
        auto* label = m_f->window->findChild<QLabel*>(name);
        QVERIFY(label);
        QCOMPARE(label->pos(), designed.topLeft());
        QCOMPARE(label->height(), designed.height());
        const qreal captionWidth = QFontMetricsF(label->font()).horizontalAdvance(label->text());
        QVERIFY2(label->width() >= captionWidth, qPrintable(QString::number(captionWidth)));
        QVERIFY(label->width() <= captionWidth + 2);
    }

    void headingsEndAboveTheDataScreen()
    {
        const int screenTop = m_f->find(ControlRef{Control::TxEventTime})->y();
        for (ControlRef heading : {ControlRef{Control::Label2, 4}, ControlRef{Control::Label2, 5},
                                   ControlRef{Control::Label2, 2}, ControlRef{Control::Label2, 3},
                                   ControlRef{Control::Label3, 10}})
            QVERIFY(m_f->find(heading)->geometry().bottom() < screenTop);
    }

    void fontsAreTheDesignedOnesOrTheirFallbacks_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("fixedPitch");
        QTest::addColumn<qreal>("points");
        QTest::addColumn<bool>("bold");
        QTest::newRow("Label1") << u"Label1"_s << true << 12.0 << true;
        QTest::newRow("Text2") << u"Text2"_s << true << 8.25 << false;
        QTest::newRow("Label6") << u"Label6"_s << false << 8.25 << false;
        QTest::newRow("ComSave") << u"ComSave"_s << false << 8.25 << false;
        QTest::newRow("ComClear") << u"ComClear"_s << true << 9.0 << false;
        QTest::newRow("Label3(5)") << u"Label3_5"_s << true << 14.25 << false;
        QTest::newRow("Text1(0)") << u"Text1_0"_s << true << 11.25 << false;
        QTest::newRow("TxEventTime") << u"TxEventTime"_s << true << 11.25 << false;
    }

    void fontsAreTheDesignedOnesOrTheirFallbacks()
    {
        QFETCH(QString, name);
        QFETCH(bool, fixedPitch);
        QFETCH(qreal, points);
        QFETCH(bool, bold);
        auto* control = m_f->window->findChild<QWidget*>(name);
        QVERIFY(control);
        const QFont font = control->font();
        QCOMPARE(font.families().value(0), fixedPitch ? u"ＭＳ ゴシック"_s : u"ＭＳ Ｐゴシック"_s);
        QVERIFY(font.families().contains(fixedPitch ? FixedPitchFallbacks.first()
                                                    : ProportionalFallbacks.first()));
        QCOMPARE(font.pointSizeF(), points);
        QCOMPARE(font.bold(), bold);

        // What the machine actually draws with is Japanese and of the right kind.
        const QFontInfo drawn(font);
        const QStringList kind = fixedPitch ? FixedPitchFallbacks : ProportionalFallbacks;
        QVERIFY2(kind.contains(drawn.family()) || drawn.family().startsWith(u"MS "_s) ||
                     drawn.family().startsWith(u"ＭＳ"_s),
                 qPrintable(drawn.family()));
        QVERIFY(QFontMetrics(font).inFont(u'測'));
    }

    void dataScreenColumnsLineUp()
    {
        const QFontMetricsF metrics(m_f->find(ControlRef{Control::TxEventTime})->font());
        const qreal digit = metrics.horizontalAdvance(u"0"_s);
        for (const QString& character : {u" "_s, u"1"_s, u":"_s, u"."_s, u"-"_s, u"N"_s, u"G"_s})
            QCOMPARE(metrics.horizontalAdvance(character), digit);
        QCOMPARE(metrics.horizontalAdvance(u"測"_s), 2 * digit);
    }

    void tabVisitsTheControlsInTabIndexOrder()
    {
        m_f->find(ControlRef{Control::TxEventTime})->setFocus();
        QStringList visited{m_f->focusName()};
        for (int i = 0; i < 12; ++i) {
            m_f->key(Qt::Key_Tab);
            visited.append(m_f->focusName());
        }
        const QStringList expected = {u"TxEventTime"_s, u"ComClear"_s, u"Text1_4"_s, u"Text1_5"_s,
                                      u"Text1_7"_s,     u"Text1_3"_s,  u"Text1_2"_s, u"Text1_1"_s,
                                      u"Text1_0"_s,     u"Text1_6"_s,  u"Text2"_s,   u"Option1"_s,
                                      u"TxEventTime"_s};
        QCOMPARE(visited, expected);
    }

    void enabledChangeButtonJoinsTheTabOrder()
    {
        m_f->window->setEnabled({Control::ComSave}, true);
        m_f->find(ControlRef{Control::TxEventTime})->setFocus();
        m_f->key(Qt::Key_Tab);
        QCOMPARE(m_f->focusName(), u"ComClear"_s);
        m_f->key(Qt::Key_Tab);
        QCOMPARE(m_f->focusName(), u"ComSave"_s);
        m_f->key(Qt::Key_Tab);
        QCOMPARE(m_f->focusName(), u"Text1_4"_s);
    }

    void stateWordResizesItsLabelButNotTheFileNameBox()
    {
        QWidget* label4 = m_f->find(ControlRef{Control::Label4});
        QWidget* label7 = m_f->find(ControlRef{Control::Label7});
        const QRect label4Before = label4->geometry();
        const QRect label7Before = label7->geometry();

        m_f->window->setCaption({Control::Label4}, StateWord::Measuring);
        m_f->window->setCaption({Control::Label7}, u"QMK05_7_20_152736.csv"_s);

        QVERIFY(label4->width() < label4Before.width());
        QCOMPARE(label4->pos(), label4Before.topLeft());
        QCOMPARE(label4->height(), label4Before.height());
        QCOMPARE(label7->geometry(), label7Before);
        QVERIFY(qobject_cast<QLabel*>(label7)->alignment().testFlag(Qt::AlignHCenter));
    }

    void dataScreenTextUsesCrLfAndAppendsInPlace()
    {
        RecorderWindow& window = *m_f->window;
        auto* screen = m_f->find<QPlainTextEdit>(ControlRef{Control::TxEventTime});
        window.setText({Control::TxEventTime}, u"first\r\nsecond"_s);
        QCOMPARE(screen->blockCount(), 2);
        // Appending must not rebuild what is there: the first line keeps
        // whatever the box knows about it.
        screen->document()->firstBlock().setUserState(42);

        window.appendText({Control::TxEventTime}, u"\r\nthird"_s);
        window.appendText({Control::TxEventTime}, u" and more"_s);

        QCOMPARE(window.text({Control::TxEventTime}), u"first\r\nsecond\r\nthird and more"_s);
        QCOMPARE(screen->blockCount(), 3);
        QCOMPARE(screen->document()->firstBlock().userState(), 42);
    }

    void dataScreenFollowsTheNewestLine()
    {
        RecorderWindow& window = *m_f->window;
        auto* screen = m_f->find<QPlainTextEdit>(ControlRef{Control::TxEventTime});
        window.setText({Control::TxEventTime}, u"rows"_s);
        for (int i = 0; i < 200; ++i)
            window.appendText({Control::TxEventTime}, u"\r\n %1"_s.arg(i, 3, 10, QChar(u'0')));
        QCoreApplication::processEvents();
        QScrollBar* bar = screen->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
    }

    void failedWriteShowsOnTheFileNameBoxUntilAWriteSucceeds()
    {
        RecorderWindow& window = *m_f->window;
        auto* label7 = m_f->find<QLabel>(ControlRef{Control::Label7});
        const QColor normalBackground = label7->palette().color(QPalette::Window);
        window.setCaption({Control::Label7}, u"QMK05_7_20_152736.csv"_s);
        QWidget* focusBefore = window.focusWidget();

        window.showDataFileStatus(
            {false, u"/data/DATA/QMK05_7_20_152736.csv"_s, u"No space left on device"_s, 3});

        QVERIFY(label7->text().contains(u"書込失敗"_s));
        QCOMPARE(label7->palette().color(QPalette::Window), QColor(255, 0, 0));
        QVERIFY(label7->toolTip().contains(
            QDir::toNativeSeparators(u"/data/DATA/QMK05_7_20_152736.csv"_s)));
        QVERIFY(label7->toolTip().contains(u"No space left on device"_s));
        QVERIFY(QFontMetricsF(label7->font()).horizontalAdvance(label7->text()) <=
                label7->contentsRect().width());
        QCOMPARE(window.focusWidget(), focusBefore);
        QVERIFY(!QApplication::activeModalWidget());
        // The logic reads back the name it set, not the warning.
        QCOMPARE(window.caption({Control::Label7}), u"QMK05_7_20_152736.csv"_s);

        window.showDataFileStatus({true, u"/data/DATA/QMK05_7_20_152736.csv"_s, QString(), 0});

        QCOMPARE(label7->text(), u"QMK05_7_20_152736.csv"_s);
        QCOMPARE(label7->palette().color(QPalette::Window), normalBackground);
        QVERIFY(label7->toolTip().isEmpty());
    }

private:
    std::unique_ptr<MainWindowFixture> m_f;
};

QTEST_MAIN(MainWindowLayoutTest)
#include "tst_mainwindow_layout.moc"
