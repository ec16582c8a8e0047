#pragma once

#include <QDateTime>
#include <QtGlobal>

// Time as the measurement sees it. Laps come from the monotonic reading, the
// time-of-day columns from the wall clock, so setting the wall clock back or a
// change of time zone never changes an elapsed or lap value.
class Clock
{
public:
    virtual ~Clock() = default;
    // Nanoseconds on a steady clock with an arbitrary origin.
    virtual qint64 monotonicNs() const = 0;
    // Local date and time.
    virtual QDateTime wallTime() const = 0;
};

class SystemClock final : public Clock
{
public:
    qint64 monotonicNs() const override;
    QDateTime wallTime() const override;
};
