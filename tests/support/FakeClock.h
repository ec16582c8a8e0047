#pragma once

#include "measurement/Clock.h"

// A clock the test moves by hand: no test ever sleeps.
class FakeClock final : public Clock
{
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2005, 7, 20), QTime(15, 27, 36)))
        : m_wallStart(start)
    {
    }
    qint64 monotonicNs() const override { return m_monoNs; }
    QDateTime wallTime() const override
    {
        return m_wallStart.addMSecs(m_wallOffsetMs + (m_monoNs - Origin) / 1'000'000);
    }

    void advanceMs(qint64 ms) { m_monoNs += ms * 1'000'000; }
    void advanceSeconds(double s)
    {
        m_monoNs += static_cast<qint64>(s * 1e9 + (s >= 0 ? 0.5 : -0.5));
    }
    // Sets the wall clock (a clock set back, a time-zone change) without
    // touching the monotonic time.
    void shiftWallClockMs(qint64 ms) { m_wallOffsetMs += ms; }

private:
    QDateTime m_wallStart;
    static constexpr qint64 Origin = 1'000'000'000'000; // far from zero, like a real clock
    qint64 m_monoNs = Origin;
    qint64 m_wallOffsetMs = 0;
};
