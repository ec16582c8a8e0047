// Which moves of the guide window are the window system settling its frame
// (put back into the top right corner) and which are the user's (left alone).

#include "ui/CornerPlacement.h"

#include <QTest>

#include <optional>

namespace
{
// What the window system reported, and what the placement should answer.
struct Seen {
    QPoint framePos;
    QMargins frame;
    bool exposed = false;
    bool settleFirst = false;
    std::optional<QPoint> moveTo;
};

constexpr QSize Client(340, 508);
const QMargins NoFrame;
const QMargins Openbox(1, 20, 1, 5);
const QMargins Thicker(4, 24, 4, 4);
const QRect Screen(0, 0, 1280, 1024);
} // namespace

Q_DECLARE_METATYPE(Seen)

class CornerPlacementTest final : public QObject
{
    Q_OBJECT

private slots:
    void followsTheFrameUntilTheUserMovesIt_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QList<Seen>>("steps");
        QTest::addColumn<bool>("followsAfter");
        const QPoint bare(940, 0);
        const QPoint framed(938, 0);
        const QPoint thicker(932, 0);
        const std::nullopt_t stay = std::nullopt;

        QTest::newRow("no window manager, in the corner from the start")
            << Screen << QList<Seen>{{bare, NoFrame, true, false, stay}} << true;
        QTest::newRow("frame drawn before it is on screen, client left at the top")
            << Screen
            << QList<Seen>{{bare, NoFrame, false, false, stay},
                           {{939, -20}, Openbox, false, false, stay},
                           {{939, -20}, Openbox, true, false, framed},
                           {framed, Openbox, true, false, stay}}
            << true;
        // Asking for the frameless corner here would be answered after the
        // window settled, and be taken for the user's move.
        QTest::newRow("placed by a good guess before the frame is known")
            << Screen
            << QList<Seen>{{framed, NoFrame, false, false, stay},
                           {framed, Openbox, false, false, stay},
                           {framed, Openbox, true, false, stay}}
            << true;
        QTest::newRow("a report from before the move was answered")
            << Screen
            << QList<Seen>{{{939, -20}, Openbox, true, false, framed},
                           {{939, -20}, Openbox, true, false, stay},
                           {framed, Openbox, true, false, stay}}
            << true;
        QTest::newRow("window manager's own placement while settling")
            << Screen
            << QList<Seen>{{{600, 300}, NoFrame, true, false, bare},
                           {bare, NoFrame, true, false, stay}}
            << true;
        QTest::newRow("user's move once settled")
            << Screen
            << QList<Seen>{{bare, NoFrame, true, false, stay},
                           {{100, 120}, NoFrame, true, false, stay},
                           {bare, NoFrame, true, false, stay},
                           {{100, 120}, NoFrame, true, false, stay}}
            << false;
        QTest::newRow("late frame after the user's move")
            << Screen
            << QList<Seen>{{framed, Openbox, true, false, stay},
                           {{100, 120}, Openbox, true, false, stay},
                           {{97, 116}, Thicker, true, false, stay}}
            << false;
        QTest::newRow("frame changed late while in the corner")
            << Screen
            << QList<Seen>{{framed, Openbox, true, false, stay},
                           {{935, -4}, Thicker, true, false, thicker},
                           {thicker, Thicker, true, false, stay},
                           {{500, 500}, Thicker, true, false, stay}}
            << false;
        QTest::newRow("frame arriving while the window is off screen")
            << Screen
            << QList<Seen>{{bare, NoFrame, true, false, stay},
                           {{939, -20}, Openbox, false, false, stay},
                           {{939, -20}, Openbox, true, false, framed},
                           {framed, Openbox, true, false, stay}}
            << true;
        QTest::newRow("window manager that never gives in")
            << Screen << QList<Seen>{{{10, 10}, NoFrame, true, false, bare},
                                     {{20, 20}, NoFrame, true, false, bare},
                                     {{30, 30}, NoFrame, true, false, bare},
                                     {{40, 40}, NoFrame, true, false, bare},
                                     {{50, 50}, NoFrame, true, false, stay},
                                     {{60, 60}, Openbox, true, false, stay}}
            << false;
        QTest::newRow("never on screen, then moved after the settling time")
            << Screen
            << QList<Seen>{{{600, 300}, NoFrame, false, false, stay},
                           {{600, 300}, NoFrame, true, true, stay}}
            << false;
        QTest::newRow("unanswered move, then the settling time ends")
            << Screen
            << QList<Seen>{{{939, -20}, Openbox, true, false, framed},
                           {{939, -20}, Openbox, true, true, stay}}
            << false;
        QTest::newRow("second screen to the right of the first")
            << QRect(1280, 0, 1920, 1080)
            << QList<Seen>{{{2860, 0}, NoFrame, true, false, stay},
                           {{2859, -20}, Openbox, true, false, QPoint(2858, 0)},
                           {{2858, 0}, Openbox, true, false, stay}}
            << true;
    }

    void followsTheFrameUntilTheUserMovesIt()
    {
        QFETCH(QRect, screen);
        QFETCH(QList<Seen>, steps);
        QFETCH(bool, followsAfter);

        CornerPlacement placement;
        for (int i = 0; i < steps.size(); ++i) {
            const Seen& step = steps[i];
            if (step.settleFirst)
                placement.settle();
            const QRect client(step.framePos + QPoint(step.frame.left(), step.frame.top()), Client);
            const QRect frame = client.marginsAdded(step.frame);
            QCOMPARE(frame.topLeft(), step.framePos);
            const std::optional<QPoint> answer =
                placement.observe(screen, frame, client, step.exposed);
            if (answer != step.moveTo)
                QFAIL(qPrintable(QStringLiteral("step %1: asked to move to %2, expected %3")
                                     .arg(i + 1)
                                     .arg(describe(answer), describe(step.moveTo))));
        }
        QCOMPARE(placement.followsCorner(), followsAfter);
    }

private:
    static QString describe(const std::optional<QPoint>& p)
    {
        return p ? QStringLiteral("(%1, %2)").arg(p->x()).arg(p->y()) : QStringLiteral("nowhere");
    }
};

QTEST_MAIN(CornerPlacementTest)
#include "tst_cornerplacement.moc"
