// The guide window on a real X server, where the window manager (if any)
// draws the frame only after the window is mapped: the outer window must end
// up against the top right corner with its title bar on screen, the box must
// follow the outer size, and a window the user moved must stay where it is.
// Run once under openbox and once without a window manager; the environment
// variable QUELLMARK_X11_WM names the one the test command started.

#include "gui/MainWindowFixture.h"

#include "ui/GuideWindow.h"

#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace
{
// The box keeps 240 twips to the outer width and 510 twips to the outer height.
constexpr QSize BoxMargins(16, 34);

QString windowManager()
{
    const QString wm = qEnvironmentVariable("QUELLMARK_X11_WM");
    return wm == u"none"_s ? QString() : wm;
}

QMargins frameOf(const QWidget* window)
{
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                    outer.right() - inner.right(), outer.bottom() - inner.bottom());
}

bool inTopRightCorner(const QWidget* window, const QRect& screen)
{
    const QRect outer = window->frameGeometry();
    return outer.top() == screen.top() && outer.right() == screen.right();
}

// In the corner, and framed already when a window manager is there to frame it.
bool placed(const QWidget* window)
{
    return inTopRightCorner(window, window->screen()->geometry()) &&
           (windowManager().isEmpty() || frameOf(window).top() > 0);
}

bool xdotool(const QStringList& args)
{
    return QProcess::execute(u"xdotool"_s, args) == 0;
}

// Drags the window by its title bar, as a user does, or moves it through
// the X server when there is no window manager and hence no title bar.
bool userMoves(QWidget* window, QPoint by)
{
    const QMargins frame = frameOf(window);
    if (frame.top() == 0) {
        const QPoint to = window->frameGeometry().topLeft() + by;
        return xdotool({u"windowmove"_s, u"--sync"_s, QString::number(window->winId()),
                        QString::number(to.x()), QString::number(to.y())});
    }
    const QRect outer = window->frameGeometry();
    const QPoint grip(outer.center().x(), outer.top() + frame.top() / 2);
    const QPoint drop = grip + by;
    // At the pace of a hand: the window manager takes a press followed at once
    // by the release for a click.
    const QString pause = u"0.1"_s;
    return xdotool({u"mousemove"_s,
                    u"--sync"_s,
                    QString::number(grip.x()),
                    QString::number(grip.y()),
                    u"sleep"_s,
                    pause,
                    u"mousedown"_s,
                    u"1"_s,
                    u"sleep"_s,
                    pause,
                    u"mousemove"_s,
                    u"--sync"_s,
                    QString::number(grip.x() + 10),
                    QString::number(grip.y() + 10),
                    u"sleep"_s,
                    pause,
                    u"mousemove"_s,
                    u"--sync"_s,
                    QString::number(drop.x()),
                    QString::number(drop.y()),
                    u"sleep"_s,
                    pause,
                    u"mouseup"_s,
                    u"1"_s});
}
} // namespace

class GuideWindowX11Test final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), u"xcb"_s);
        QVERIFY2(!QStandardPaths::findExecutable(u"xdotool"_s).isEmpty(),
                 "xdotool is missing (./dev.sh installs it)");
    }

    void init()
    {
        m_f = std::make_unique<MainWindowFixture>();
        QVERIFY(m_f->start());
    }
    void cleanup()
    {
        m_f.reset();
        if (m_lateManager) {
            m_lateManager->terminate();
            m_lateManager->waitForFinished();
            m_lateManager.reset();
        }
    }

    void opensInTheCornerWithItsTitleBarOnScreen_data()
    {
        QTest::addColumn<QPoint>("mainWindowAt");
        QTest::addColumn<bool>("reopened");
        QTest::newRow("first opening") << QPoint(300, 200) << false;
        QTest::newRow("main window at the left top") << QPoint(0, 0) << false;
        QTest::newRow("reopened after being moved and closed") << QPoint(300, 200) << true;
    }

    void opensInTheCornerWithItsTitleBarOnScreen()
    {
        QFETCH(QPoint, mainWindowAt);
        QFETCH(bool, reopened);
        m_f->window->move(mainWindowAt);
        QTRY_COMPARE(m_f->window->frameGeometry().topLeft(), mainWindowAt);
        GuideWindow* guide = openGuide();
        QVERIFY(guide);
        const QRect screen = guide->screen()->geometry();
        if (reopened) {
            QTRY_VERIFY(placed(guide));
            QVERIFY(userMoves(guide, QPoint(-500, 300)));
            QTRY_VERIFY(!inTopRightCorner(guide, screen));
            guide->close();
            QTRY_VERIFY(!m_f->window->guideWindow());
            guide = openGuide();
            QVERIFY(guide);
        }

        QTRY_VERIFY2(placed(guide), qPrintable(describe(guide)));
        // Once the window stopped looking for late frames it is still there.
        QTRY_VERIFY_WITH_TIMEOUT(!guide->watchesFrame(), 10000);
        QVERIFY2(inTopRightCorner(guide, screen), qPrintable(describe(guide)));
        const QMargins frame = frameOf(guide);
        if (windowManager().isEmpty()) {
            QCOMPARE(frame, QMargins());
        } else {
            // The title bar, and with it the close box, is on screen.
            QVERIFY2(frame.top() > 0, qPrintable(describe(guide)));
            QVERIFY(guide->geometry().top() > screen.top());
        }
        QCOMPARE(guide->size(), QSize(340, 508));
        QCOMPARE(guide->texGuide()->size(), guide->frameGeometry().size() - BoxMargins);
        QCOMPARE(guide->texGuide()->pos(), QPoint(8, 4));
    }

    void boxFollowsTheOuterSize_data()
    {
        QTest::addColumn<QSize>("grownBy");
        QTest::newRow("1000 twips wider") << QSize(67, 0);
        QTest::newRow("500 twips higher") << QSize(0, 33);
        QTest::newRow("narrower and lower") << QSize(-100, -150);
    }

    void boxFollowsTheOuterSize()
    {
        QFETCH(QSize, grownBy);
        GuideWindow* guide = openGuide();
        QVERIFY(guide);
        QTRY_VERIFY(placed(guide));
        const QSize wanted = guide->size() + grownBy;

        // Through the window manager, as a drag on the border would.
        QVERIFY(xdotool({u"windowsize"_s, u"--sync"_s, QString::number(guide->winId()),
                         QString::number(wanted.width()), QString::number(wanted.height())}));

        QTRY_COMPARE(guide->size(), wanted);
        QTRY_COMPARE(guide->texGuide()->size(), guide->frameGeometry().size() - BoxMargins);
    }

    void userMoveSurvivesTheFrameWatchAndASecondClick()
    {
        GuideWindow* guide = openGuide();
        QVERIFY(guide);
        QTRY_VERIFY(placed(guide));
        // At once, while the window still watches for a late frame.
        QVERIFY(guide->watchesFrame());
        const QPoint from = guide->frameGeometry().topLeft();
        QVERIFY(userMoves(guide, QPoint(-400, 150)));
        QTRY_VERIFY(guide->frameGeometry().topLeft() != from);
        const QPoint movedTo = guide->frameGeometry().topLeft();

        QTRY_VERIFY_WITH_TIMEOUT(!guide->watchesFrame(), 10000);
        QCOMPARE(guide->frameGeometry().topLeft(), movedTo);
        m_f->window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_f->window.get()));
        QTest::mouseClick(m_f->find(ControlRef{Control::Label5}), Qt::LeftButton);
        QCOMPARE(m_f->window->guideWindow(), guide);
        QVERIFY(QTest::qWaitForWindowActive(guide));
        QCOMPARE(guide->frameGeometry().topLeft(), movedTo);
    }

    void frameArrivingLateGoesIntoTheCorner()
    {
        if (!windowManager().isEmpty())
            QSKIP("needs a screen without a window manager to start one on");
        GuideWindow* guide = openGuide();
        QVERIFY(guide);
        const QRect screen = guide->screen()->geometry();
        QTRY_VERIFY(inTopRightCorner(guide, screen));
        QTRY_VERIFY_WITH_TIMEOUT(!guide->watchesFrame(), 10000);
        QCOMPARE(frameOf(guide), QMargins());

        // A window manager that starts only now frames the open window.
        QVERIFY(m_home.isValid());
        m_lateManager = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_s, m_home.path());
        env.insert(u"XDG_CONFIG_HOME"_s, m_home.path() + u"/.config"_s);
        env.insert(u"XDG_CACHE_HOME"_s, m_home.path() + u"/.cache"_s);
        m_lateManager->setProcessEnvironment(env);
        m_lateManager->start(u"openbox"_s, {u"--sm-disable"_s});
        QVERIFY2(m_lateManager->waitForStarted(), "openbox is missing (./dev.sh installs it)");

        QTRY_VERIFY_WITH_TIMEOUT(frameOf(guide).top() > 0, 10000);
        QTRY_VERIFY2(inTopRightCorner(guide, screen), qPrintable(describe(guide)));
        QVERIFY(guide->geometry().top() > screen.top());
        QTRY_COMPARE(guide->texGuide()->size(), guide->frameGeometry().size() - BoxMargins);
    }

private:
    GuideWindow* openGuide()
    {
        QTest::mouseClick(m_f->find(ControlRef{Control::Label5}), Qt::LeftButton);
        GuideWindow* guide = m_f->window->guideWindow();
        if (guide && !QTest::qWaitForWindowExposed(guide))
            return nullptr;
        return guide;
    }

    static QString describe(const QWidget* window)
    {
        const QRect outer = window->frameGeometry();
        const QRect inner = window->geometry();
        return QStringLiteral("frame %1,%2 %3x%4, client %5,%6 %7x%8")
            .arg(outer.x())
            .arg(outer.y())
            .arg(outer.width())
            .arg(outer.height())
            .arg(inner.x())
            .arg(inner.y())
            .arg(inner.width())
            .arg(inner.height());
    }

    std::unique_ptr<MainWindowFixture> m_f;
    std::unique_ptr<QProcess> m_lateManager;
    QTemporaryDir m_home;
};

QTEST_MAIN(GuideWindowX11Test)
#include "tst_guidewindow_x11.moc"
