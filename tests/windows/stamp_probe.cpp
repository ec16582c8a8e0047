// What a key press can be stamped with on Windows, one line per press:
// Qt's event stamp (ms), the message time (GetMessageTime, ms) and the
// performance counter when the press is handled (QElapsedTimer, ns). The
// end-to-end check under Wine presses keys at uneven pauses and reports the
// smallest step of each. Escape ends it.

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QWidget>

#include <cstdio>
#include <qt_windows.h>

namespace
{

class Probe final : public QWidget
{
public:
    Probe()
    {
        setWindowTitle(QStringLiteral("stamp probe"));
        resize(300, 200);
        m_clock.start();
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Escape) {
            close();
            return;
        }
        std::printf("%llu %lu %lld\n", static_cast<unsigned long long>(event->timestamp()),
                    static_cast<unsigned long>(GetMessageTime()),
                    static_cast<long long>(m_clock.nsecsElapsed()));
        std::fflush(stdout);
    }

private:
    QElapsedTimer m_clock;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Probe probe;
    probe.show();
    return QApplication::exec();
}
