#pragma once

#include <QFont>

// A family that has the Japanese glyphs and that the figure's SVG can name:
// the system's default "Sans Serif" is an alias no browser knows, and a
// Latin-only face splits every label into runs of two fonts.
QFont figureFont(const QFont& base);
