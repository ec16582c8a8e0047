#pragma once

class QApplication;

// Text from the system's input method (Japanese composed from kana) in the
// program's boxes. A desktop system hands Qt the composed text itself. Qt 6.4
// in a browser reads raw keys only: there, while a box that takes text has
// the focus, the page lays an HTML input over the box, lets the input method
// compose in it, and the program takes each change of its text into the box;
// the keys that move on or answer (Return, Esc, Tab, the arrows up and down,
// the F-keys) go on to the box as keys.
namespace PageTextInput
{

void install(QApplication& app);

} // namespace PageTextInput
