#include "ui/KeyCodes.h"

#include "app/KeyPress.h"

namespace KeyCodes
{

int fromQtKey(int qtKey, Qt::KeyboardModifiers modifiers)
{
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return 'A' + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        // The number pad has codes of its own.
        const int digit = qtKey - Qt::Key_0;
        return modifiers.testFlag(Qt::KeypadModifier) ? 96 + digit : '0' + digit;
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12)
        return 112 + (qtKey - Qt::Key_F1);

    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter: // the number pad's Enter
        return KeyCode::Enter;
    case Qt::Key_Space:
        return KeyCode::Space;
    case Qt::Key_Backspace:
        return KeyCode::BackSpace;
    case Qt::Key_Left:
        return KeyCode::Left;
    case Qt::Key_Up:
        return KeyCode::Up;
    case Qt::Key_Right:
        return KeyCode::Right;
    case Qt::Key_Down:
        return KeyCode::Down;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    default:
        // Shifted symbols and the rest: nothing in the logic reacts to them, and
        // Qt's code for them (the character) would collide with real codes.
        return 0;
    }
}

int shiftState(Qt::KeyboardModifiers modifiers)
{
    int shift = 0;
    if (modifiers.testFlag(Qt::ShiftModifier))
        shift |= ShiftState::Shift;
    if (modifiers.testFlag(Qt::ControlModifier))
        shift |= ShiftState::Ctrl;
    if (modifiers.testFlag(Qt::AltModifier))
        shift |= ShiftState::Alt;
    return shift;
}

} // namespace KeyCodes
