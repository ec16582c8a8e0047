#pragma once

#include <QIcon>

// The stopwatch icon of both windows, drawn in 16 colours at 32×32 and 16×16.
QIcon appIcon();
