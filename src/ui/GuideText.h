#pragma once

#include <QString>

// The operation guide: 57 lines joined by CR LF, with no line break after the
// last line, telling where the data files are (`dataFolder`, as the system
// writes paths). Built anew for every opening of the guide window.
QString guideText(const QString& dataFolder);
