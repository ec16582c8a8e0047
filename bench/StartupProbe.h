#pragma once

// Start-up as the user sees it, measured the same way for the program and for
// the smallest Qt Widgets program: from the moment the launcher starts the
// process (its steady-clock time arrives in BENCH_SPAWN_NS) until the first
// frame of the window is painted, then the resident memory after a second
// of idling. Prints one line of key=value pairs and ends the program.

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace Bench
{

class StartupProbe final : public QObject
{
public:
    StartupProbe(QWidget* window, qint64 mainEnteredNs)
        : m_window(window), m_mainEnteredNs(mainEnteredNs),
          m_spawnNs(qEnvironmentVariable("BENCH_SPAWN_NS").toLongLong())
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window && event->type() == QEvent::Paint && m_shownNs == 0) {
            // The frame is complete (children painted, back buffer flushed)
            // once the event loop comes round again.
            m_shownNs = -1;
            QTimer::singleShot(0, this, [this] {
                m_shownNs = steadyNs();
                QTimer::singleShot(StartupIdleMs, this, [this] { report(); });
            });
        }
        return false;
    }

private:
    void report()
    {
        std::printf("main_ms=%.2f shown_ms=%.2f idle_rss_kb=%lld\n",
                    double(m_mainEnteredNs - m_spawnNs) / 1e6, double(m_shownNs - m_spawnNs) / 1e6,
                    statusKb("VmRSS"));
        std::fflush(stdout);
        QCoreApplication::quit();
    }

    QWidget* m_window;
    qint64 m_mainEnteredNs;
    qint64 m_spawnNs;
    qint64 m_shownNs = 0;
};

} // namespace Bench
