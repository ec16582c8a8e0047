#pragma once

#include <QtGlobal>

#include <optional>

namespace KeyCode
{
constexpr int BackSpace = 8;
constexpr int Enter = 13;
constexpr int Space = 32;
constexpr int Left = 37;
constexpr int Up = 38;
constexpr int Right = 39;
constexpr int Down = 40;
constexpr int S = 83;
} // namespace KeyCode

namespace ShiftState
{
constexpr int Shift = 1;
constexpr int Ctrl = 2;
constexpr int Alt = 4;
} // namespace ShiftState

struct KeyPress {
    int keyCode = 0;
    int shift = 0;
    // A key-down produced by the keyboard's auto-repeat while the key is held.
    bool autoRepeat = false;
    // When the key went down, on the monotonic clock, if the event said so.
    std::optional<qint64> pressedAtNs;
};
