#include "ui/PageTextInput.h"

#include <QtGlobal>

#ifdef Q_OS_WASM

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>

#include <emscripten.h>

#include <vector>

namespace
{

QPointer<QLineEdit> box;

// Boxes that take text; those that must get their keys raw (the measurement
// key's box) switch the input method off.
QLineEdit* takesText(QWidget* widget)
{
    auto* edit = qobject_cast<QLineEdit*>(widget);
    if (!edit || edit->isReadOnly() || !edit->testAttribute(Qt::WA_InputMethodEnabled))
        return nullptr;
    return edit;
}

EM_JS(void, showPageInput,
      (int x, int y, int width, int height, int fontPx, const char16_t* text, int cursor), {
          globalThis.quellmarkTextInput.show(x, y, width, height, fontPx, UTF16ToString(text),
                                             cursor);
      });
EM_JS(void, hidePageInput, (), { globalThis.quellmarkTextInput.hide(); });
EM_JS(int, pageInputLength, (), { return globalThis.quellmarkTextInput.text().length; });
EM_JS(void, copyPageInputText, (char16_t* to, int units),
      { stringToUTF16(globalThis.quellmarkTextInput.text(), to, (units + 1) * 2); });
EM_JS(void, setPageInputText, (const char16_t* text, int cursor),
      { globalThis.quellmarkTextInput.setText(UTF16ToString(text), cursor); });

void followFocus(QWidget* now)
{
    box = takesText(now);
    if (!box) {
        hidePageInput();
        return;
    }
    // The screen is the page's canvas; the page adds where the canvas lies.
    const QPoint at = box->mapToGlobal(QPoint(0, 0)) - box->screen()->geometry().topLeft();
    const QString text = box->text();
    showPageInput(at.x(), at.y(), box->width(), box->height(), QFontInfo(box->font()).pixelSize(),
                  reinterpret_cast<const char16_t*>(text.utf16()), box->cursorPosition());
}

Qt::Key qtKeyOf(int keyCode, bool shift)
{
    if (keyCode >= 112 && keyCode <= 123)
        return Qt::Key(Qt::Key_F1 + (keyCode - 112));
    switch (keyCode) {
    case 9:
        return shift ? Qt::Key_Backtab : Qt::Key_Tab;
    case 13:
        return Qt::Key_Return;
    case 27:
        return Qt::Key_Escape;
    case 33:
        return Qt::Key_PageUp;
    case 34:
        return Qt::Key_PageDown;
    case 38:
        return Qt::Key_Up;
    case 40:
        return Qt::Key_Down;
    default:
        return Qt::Key_unknown;
    }
}

} // namespace

// The page's input changed: its whole text and the cursor, as the box is to
// have them. Typed, not set, so that the box's limits and checks apply; what
// the box would not take is taken back out of the page's input.
extern "C" EMSCRIPTEN_KEEPALIVE void quellmarkPageTextTyped(int cursor)
{
    if (!box)
        return;
    const int units = pageInputLength();
    std::vector<char16_t> text(std::size_t(units) + 1);
    copyPageInputText(text.data(), units);
    const QString typed = QString::fromUtf16(text.data(), units);
    if (typed != box->text()) {
        box->selectAll();
        box->insert(typed);
    }
    box->setCursorPosition(cursor);
    if (box->text() != typed) {
        const QString kept = box->text();
        setPageInputText(reinterpret_cast<const char16_t*>(kept.utf16()), box->cursorPosition());
    }
}

// A key the page's input does not keep: to the box, as the keyboard would
// have sent it.
extern "C" EMSCRIPTEN_KEEPALIVE void quellmarkPageTextKey(int keyCode, int shift)
{
    const Qt::Key key = qtKeyOf(keyCode, shift != 0);
    if (!box || key == Qt::Key_unknown)
        return;
    const Qt::KeyboardModifiers modifiers = shift ? Qt::ShiftModifier : Qt::NoModifier;
    const QString text = key == Qt::Key_Return ? QStringLiteral("\r") : QString();
    QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyPress, key, modifiers, text));
    QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyRelease, key, modifiers, text));
}

namespace PageTextInput
{

void install(QApplication& app)
{
    QObject::connect(&app, &QApplication::focusChanged, &app,
                     [](QWidget*, QWidget* now) { followFocus(now); });
}

} // namespace PageTextInput

#else

namespace PageTextInput
{

// The system's input method reaches Qt's boxes by itself.
void install(QApplication&) {}

} // namespace PageTextInput

#endif
