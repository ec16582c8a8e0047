// The operation guide: its text, where it opens, how its box follows the
// window, and that a second click only brings it to the front.

#include "MainWindowFixture.h"

#include "ui/GuideText.h"
#include "ui/GuideWindow.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScreen>

using namespace Qt::StringLiterals;

class GuideWindowTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_f = std::make_unique<MainWindowFixture>();
        QVERIFY(m_f->start());
    }
    void cleanup() { m_f.reset(); }

    void guideTextHas57LinesLaidOutAsPrinted()
    {
        const QString folder = u"C:\\Users\\先生\\Documents\\Quellmark\\DATA"_s;
        const QString text = guideText(folder);
        QVERIFY(!text.endsWith(u"\r\n"_s));
        QVERIFY(!text.contains(QRegularExpression(u"\r(?!\n)|(?<!\r)\n"_s)));
        const QStringList lines = text.split(u"\r\n"_s);
        QCOMPARE(lines.size(), 57);

        QList<int> emptyLines;
        for (int i = 0; i < lines.size(); ++i) {
            if (lines[i].isEmpty())
                emptyLines.append(i + 1);
        }
        QCOMPARE(emptyLines, (QList<int>{1, 3, 7, 15, 26, 44, 51, 56}));

        QCOMPARE(lines[1], u"　　　<< クエルマーク QMK v_0.757i >>"_s);
        QCOMPARE(lines[56], u"以上 2005.7.19"_s);
        QCOMPARE(lines[4], u"●起動 開始 終了"_s);
        QCOMPARE(lines[44], u"●矢印キーの機能"_s);
        QCOMPARE(lines[51], u"●グラフ化するには"_s);
        // The credit line: twelve ideographic spaces, then the signature.
        QVERIFY(lines[3].startsWith(QString(12, QChar(0x3000))));
        QVERIFY(lines[3].size() > 12 && lines[3].at(12) != QChar(0x3000));
        QVERIFY(lines[8].startsWith(u"  測定キーを打つと"_s));
        QVERIFY(lines[54].startsWith(u"　★"_s) && lines[54].size() > 20);
        // The companion by the names its menu entry and its command carry.
        QVERIFY(lines[54].contains(u"「クエルマーク グラフ」"_s));
        QVERIFY(lines[54].contains(u"quellmark-graph"_s));
        // Where the files really are, not where the program was installed.
        QVERIFY(text.contains(u"DATA というフォルダ("_s + folder + u')'));
        // Pieces of one line are joined with nothing between them.
        QVERIFY(lines[5].contains(u"を打ちます。測定終了は"_s));
        QVERIFY(lines[42].contains(u"測定キーを打つ毎に 待受け値は１づつ"_s));
        QVERIFY(lines[41].startsWith(u"　次ぎに[増分]"_s));
    }

    void firstClickOpensItAtTheTopRightWithTheText()
    {
        QVERIFY(!m_f->window->guideWindow());
        QTest::mouseClick(m_f->find(ControlRef{Control::Label5}), Qt::LeftButton);

        GuideWindow* guide = m_f->window->guideWindow();
        QVERIFY(guide);
        QVERIFY(QTest::qWaitForWindowActive(guide));
        QCOMPARE(guide->windowTitle(), u"QMKguide"_s);
        QVERIFY(!guide->parentWidget());
        const QRect screen = m_f->window->screen()->geometry();
        QTRY_COMPARE(guide->frameGeometry().right(), screen.right());
        QCOMPARE(guide->frameGeometry().top(), screen.top());
        QCOMPARE(guide->size(), QSize(340, 508));
        QVERIFY(!guide->windowIcon().isNull());
        QCOMPARE(guide->windowIcon().availableSizes(), m_f->window->windowIcon().availableSizes());

        QPlainTextEdit* box = guide->texGuide();
        QCOMPARE(box->objectName(), u"TexGuide"_s);
        QCOMPARE(box->toPlainText(),
                 guideText(QDir::toNativeSeparators(QDir::current().absoluteFilePath(u"DATA"_s)))
                     .replace(u"\r\n"_s, u"\n"_s));
        QCOMPARE(box->document()->blockCount(), 57);
        QVERIFY(!box->isReadOnly());
        QCOMPARE(box->textCursor().position(), 0);
        QCOMPARE(guide->focusWidget(), box);
        QCOMPARE(box->font().families().value(0), u"ＭＳ Ｐゴシック"_s);
        QCOMPARE(box->font().pointSizeF(), 11.25);
    }

    void textBoxFollowsTheWindowSize()
    {
        QTest::mouseClick(m_f->find(ControlRef{Control::Label5}), Qt::LeftButton);
        GuideWindow* guide = m_f->window->guideWindow();
        QVERIFY(QTest::qWaitForWindowExposed(guide));
        QPlainTextEdit* box = guide->texGuide();
        const QSize before = box->size();

        // 1000 twips wider, 500 twips higher.
        guide->resize(guide->width() + 67, guide->height() + 33);

        QTRY_COMPARE(box->width(), before.width() + 67);
        QCOMPARE(box->height(), before.height() + 33);
        QCOMPARE(box->width(), guide->frameGeometry().width() - 16);
        QCOMPARE(box->height(), guide->frameGeometry().height() - 34);
        QCOMPARE(box->pos(), QPoint(8, 4));
    }

    void tinyWindowLeavesNoNegativeBox()
    {
        QTest::mouseClick(m_f->find(ControlRef{Control::Label5}), Qt::LeftButton);
        GuideWindow* guide = m_f->window->guideWindow();
        QVERIFY(QTest::qWaitForWindowExposed(guide));
        guide->resize(4, 4);
        QTRY_COMPARE(guide->width(), 4);
        QCOMPARE(guide->texGuide()->width(), std::max(0, guide->frameGeometry().width() - 16));
        QCOMPARE(guide->texGuide()->height(), std::max(0, guide->frameGeometry().height() - 34));
        QVERIFY(guide->frameGeometry().height() < 34);
    }

    void secondClickOnlyBringsItToTheFront()
    {
        QWidget* label5 = m_f->find(ControlRef{Control::Label5});
        QTest::mouseClick(label5, Qt::LeftButton);
        QPointer<GuideWindow> guide = m_f->window->guideWindow();
        QVERIFY(QTest::qWaitForWindowActive(guide));
        guide->texGuide()->appendPlainText(u"my note"_s);
        guide->move(100, 120);
        QTRY_COMPARE(guide->frameGeometry().topLeft(), QPoint(100, 120));
        m_f->window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_f->window.get()));

        QTest::mouseClick(label5, Qt::LeftButton);

        QCOMPARE(m_f->window->guideWindow(), guide.data());
        QVERIFY(QTest::qWaitForWindowActive(guide));
        QVERIFY(guide->texGuide()->toPlainText().endsWith(u"my note"_s));
        QCOMPARE(guide->frameGeometry().topLeft(), QPoint(100, 120));
        QCOMPARE(countGuideWindows(), 1);
    }

    void reopeningAfterCloseStartsAfresh()
    {
        QWidget* label5 = m_f->find(ControlRef{Control::Label5});
        QTest::mouseClick(label5, Qt::LeftButton);
        QPointer<GuideWindow> first = m_f->window->guideWindow();
        QVERIFY(QTest::qWaitForWindowExposed(first));
        first->texGuide()->setPlainText(u"scribbled over"_s);
        first->move(50, 60);
        first->close();
        QVERIFY(!m_f->window->guideWindow());
        QTRY_VERIFY(first.isNull());

        QTest::mouseClick(label5, Qt::LeftButton);

        GuideWindow* second = m_f->window->guideWindow();
        QVERIFY(second);
        QVERIFY(QTest::qWaitForWindowExposed(second));
        QCOMPARE(second->texGuide()->document()->blockCount(), 57);
        const QRect screen = m_f->window->screen()->geometry();
        QTRY_COMPARE(second->frameGeometry().right(), screen.right());
        QCOMPARE(second->frameGeometry().top(), screen.top());
        QCOMPARE(countGuideWindows(), 1);
    }

private:
    static int countGuideWindows()
    {
        int count = 0;
        for (QWidget* window : QApplication::topLevelWidgets())
            count += qobject_cast<GuideWindow*>(window) && !window->isHidden();
        return count;
    }

    std::unique_ptr<MainWindowFixture> m_f;
};

QTEST_MAIN(GuideWindowTest)
#include "tst_guidewindow.moc"
