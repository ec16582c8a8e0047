#pragma once

// Key codes and shift states as the window-level key handling knows them
// (Enter 13, Space 32, arrows 37 to 40, letters by their capital's code),
// translated from Qt's keys.

#include <Qt>

namespace KeyCodes
{

// The key code of a Qt key, or 0 for a key the logic has no code for. Letters
// give their capital's code whether Shift or Caps Lock is on or not.
int fromQtKey(int qtKey, Qt::KeyboardModifiers modifiers);

// 1 Shift, 2 Ctrl, 4 Alt, added together.
int shiftState(Qt::KeyboardModifiers modifiers);

} // namespace KeyCodes
