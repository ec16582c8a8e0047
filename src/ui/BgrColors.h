#pragma once

#include "app/FormControls.h"

#include <QColor>

// The logic speaks in the platform's 0x00BBGGRR colour values; a value with
// the top bit set names a system colour instead (0x80000005: window
// background), which here means the palette's own colour for that widget.
namespace BgrColors
{

constexpr BgrColor SystemColorFlag = 0x80000000u;
constexpr BgrColor WindowBackground = SystemColorFlag | 5u;
constexpr BgrColor ButtonFace = SystemColorFlag | 15u;

constexpr bool isSystemColor(BgrColor color)
{
    return (color & SystemColorFlag) != 0;
}

inline QColor toQColor(BgrColor color)
{
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

inline BgrColor fromQColor(const QColor& color)
{
    return BgrColor(color.red()) | (BgrColor(color.green()) << 8) | (BgrColor(color.blue()) << 16);
}

} // namespace BgrColors
