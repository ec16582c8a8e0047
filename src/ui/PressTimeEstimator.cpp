#include "ui/PressTimeEstimator.h"

std::optional<qint64> PressTimeEstimator::pressedAtNs(quint64 eventMs, qint64 nowNs)
{
    if (eventMs == 0)
        return std::nullopt;
    const qint64 eventNs = qint64(eventMs) * 1'000'000;
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
