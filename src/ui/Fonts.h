#pragma once

#include <QFont>

// The window asks for the Japanese gothic fonts it was designed with and falls
// back to an installed font of the same kind, so that a machine without them
// still shows Japanese text, and the data screen's columns still line up.
namespace Fonts
{

// Fixed-pitch gothic ("ＭＳ ゴシック").
QFont gothic(qreal pointSize, bool bold = false);

// Proportional gothic ("ＭＳ Ｐゴシック").
QFont proportionalGothic(qreal pointSize);

// Makes the fonts that come with the program known, before any window.
void addBundled();

} // namespace Fonts
