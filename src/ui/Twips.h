#pragma once

// The layout is kept in twips, the unit the window was designed in. Qt lays
// out in logical pixels: 15 twips each at 96 dots per inch, and Qt's high-DPI
// scaling takes care of larger screens.

#include <QRect>

namespace Twips
{

constexpr int PerPixel = 15;

constexpr int toPixels(int twips)
{
    // Round half away from zero so that 2500 twips (166.7 px) gives 167.
    return twips >= 0 ? (twips + PerPixel / 2) / PerPixel : -((-twips + PerPixel / 2) / PerPixel);
}

constexpr QRect rect(int left, int top, int width, int height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

} // namespace Twips
