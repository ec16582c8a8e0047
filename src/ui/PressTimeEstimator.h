#pragma once

// When did a key go down? Key events carry the time of the press in
// milliseconds; they reach the window late whenever the user-interface thread
// is busy, so the event time is the better reading of a press that waited.
// On X11 and Wayland it is our own monotonic clock cut to 32 bits, and is
// taken as it is. A stamp on some other clock is mapped onto ours by the
// smallest offset (now - event time) seen so far: the event that came through
// fastest tells best how the two clocks relate.
//
// On Windows Qt stamps a key with its own elapsed timer (the performance
// counter, whole milliseconds since the application started) when the key's
// message is dispatched, not with the message time, which follows the
// system tick in steps of 10 to 16 ms. That stamp is never our clock, even
// when a program started just after boot makes it look like one, and is
// always mapped: it resolves a millisecond. Qt 6.4 for WebAssembly does the
// same with its own elapsed timer.

#include <QtGlobal>

#include <optional>

class PressTimeEstimator
{
public:
    enum class EventClock {
        MonotonicMs, // our monotonic clock in whole milliseconds, cut to 32 bits
        OwnMs,       // a clock of its own in whole milliseconds
    };
#if defined(Q_OS_WIN) || defined(Q_OS_WASM)
    static constexpr EventClock PlatformEventClock = EventClock::OwnMs;
#else
    static constexpr EventClock PlatformEventClock = EventClock::MonotonicMs;
#endif

    // A reading older than this is not trusted: the event clock has jumped
    // (wrapped, or another server), and the caller's own clock is better.
    static constexpr qint64 MaxAgeNs = 10'000'000'000;

    explicit PressTimeEstimator(EventClock clock = PlatformEventClock) : m_clock(clock) {}

    // `eventMs` is the event's timestamp, `nowNs` the monotonic clock when the
    // event is handled. Empty when the event has no usable time (0, as
    // synthetic events carry) or when the mapped time is not credible.
    std::optional<qint64> pressedAtNs(quint64 eventMs, qint64 nowNs);

private:
    std::optional<qint64> mappedNs(qint64 eventNs, qint64 nowNs);

    EventClock m_clock;
    std::optional<qint64> m_offsetNs;
};
