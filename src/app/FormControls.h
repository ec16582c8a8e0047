#pragma once

// The only way the measurement logic reaches the main window. Controls are
// addressed by their names and control-array indices; the logic reads its
// state back from them (the state word, the input mode, colours), so the
// window is the single place where that state lives. The Qt window and the
// test fake both implement this.

#include <QString>
#include <QtGlobal>

enum class Control {
    Label1,
    Label2, // array
    Label3, // array
    Label4, // the state word
    Label5,
    Label6,
    Label7, // data file name
    Label8,
    Text1, // array: 0-3 and 6 subject lines, 4 target, 5 increment, 7 value name
    Text2, // key catcher
    TxYMD,
    TxHMS,
    TxStartTime,
    TxElapsed,
    TxEventTime, // the data screen
    ComClear,
    ComSave,
    Option1, // holds the text input mode
    Timer1,
    Timer2,
};

struct ControlRef {
    Control control;
    int index = -1;
    friend bool operator==(const ControlRef&, const ControlRef&) = default;
};

inline ControlRef text1(int index)
{
    return {Control::Text1, index};
}

// Colours as the platform's 0x00BBGGRR values.
using BgrColor = quint32;

// What the window shows about the data file after each writing event.
struct DataFileStatus {
    bool ok = true;
    QString path;   // the file as opened on this system
    QString reason; // the system's reason when !ok
    int unwrittenRows = 0;
};

class FormControls
{
public:
    virtual ~FormControls() = default;

    // Text of a text box (multi-line text uses CR LF between lines).
    virtual QString text(ControlRef c) const = 0;
    virtual void setText(ControlRef c, const QString& text) = 0;
    // Adds to the end of a text box without rebuilding what is there.
    virtual void appendText(ControlRef c, const QString& text) = 0;

    // Caption of a label or button.
    virtual QString caption(ControlRef c) const = 0;
    virtual void setCaption(ControlRef c, const QString& caption) = 0;

    virtual BgrColor backColor(ControlRef c) const = 0;
    virtual void setBackColor(ControlRef c, BgrColor color) = 0;

    // Enabled flag of controls and timers.
    virtual bool isEnabled(ControlRef c) const = 0;
    virtual void setEnabled(ControlRef c, bool enabled) = 0;

    virtual bool isVisible(ControlRef c) const = 0;
    virtual void setVisible(ControlRef c, bool visible) = 0;

    // Value of the option button Option1.
    virtual bool optionValue() const = 0;
    virtual void setOptionValue(bool value) = 0;

    virtual void setFocus(ControlRef c) = 0;

    // Modal message box with one OK button.
    virtual void messageBox(const QString& text, const QString& caption) = 0;
    // Modal input prompt; the answer, or an empty text on Cancel.
    virtual QString inputBox(const QString& prompt, const QString& title,
                             const QString& defaultAnswer) = 0;

    // Shown without taking the focus and without a dialog, so that a
    // measurement key is never swallowed by it.
    virtual void showDataFileStatus(const DataFileStatus& status) = 0;
};
