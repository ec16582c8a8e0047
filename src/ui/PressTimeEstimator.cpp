#include "ui/PressTimeEstimator.h"

#include <algorithm>

namespace
{
constexpr qint64 NsPerMs = 1'000'000;
constexpr quint64 EventClockWrap = quint64(1) << 32;
} // namespace

std::optional<qint64> PressTimeEstimator::pressedAtNs(quint64 eventMs, qint64 nowNs)
{
    if (eventMs == 0)
        return std::nullopt;
    const qint64 eventNs = qint64(eventMs) * NsPerMs;

    if (m_clock == EventClock::OwnMs)
        return mappedNs(eventNs, nowNs);

    // X11 and Wayland stamp input with this very clock, in whole milliseconds
    // cut to 32 bits. When the stamp reads as a recent instant of our clock,
    // it is one: then even the first press of a measurement, queued behind a
    // busy handler, keeps its own instant without anything to learn first.
    const quint64 nowMs = quint64(nowNs / NsPerMs);
    const quint64 behindMs = (nowMs - eventMs) % EventClockWrap;
    if (behindMs * NsPerMs <= quint64(MaxAgeNs)) {
        const qint64 offset = nowNs - eventNs;
        m_offsetNs = std::min(m_offsetNs.value_or(offset), offset);
        // Half a millisecond for the part of it the stamp cuts off.
        return std::min(nowNs, (qint64(nowMs) - qint64(behindMs)) * NsPerMs + NsPerMs / 2);
    }
    return mappedNs(eventNs, nowNs);
}

std::optional<qint64> PressTimeEstimator::mappedNs(qint64 eventNs, qint64 nowNs)
{
    const qint64 offset = nowNs - eventNs;
    if (!m_offsetNs || offset < *m_offsetNs) {
        m_offsetNs = offset;
    } else if (offset - *m_offsetNs > MaxAgeNs) {
        // The event clock fell behind by more than any queue could: start over
        // from this event, and trust the next ones.
        m_offsetNs = offset;
        return std::nullopt;
    }
    // The kept offset is never larger than this event's own, so the mapped
    // time is never later than now.
    return eventNs + *m_offsetNs;
}
