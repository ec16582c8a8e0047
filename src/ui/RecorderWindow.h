#pragma once

// The main window. It holds the controls in their designed places and hands
// every event to the logic (RecorderForm), which reads and writes the
// controls back through FormControls:
//
//   key press anywhere in the window -> Form_KeyDown, then Text1_KeyDown when
//       a subject box has the focus, then the focused control as usual
//   first activation, coming back from the guide -> Form_Activate
//   clicks on Label6, Text1, ComClear, ComSave -> their handlers
//   Timer1, Timer2 ticks -> Timer1_Timer, Timer2_Timer
//   close request -> Form_Unload, which may refuse it
//
// Label5 opens the guide window; that is the only thing handled here alone.

#include "app/FormControls.h"
#include "app/RecorderForm.h"
#include "ui/PressTimeEstimator.h"

#include <QDir>
#include <QHash>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class Clock;
class GuideWindow;
class OptionButton;
class QDialog;
class QKeyEvent;
class QLabel;
class QPlainTextEdit;
class QTimer;
class QWindow;

class RecorderWindow final : public QWidget, public FormControls
{
    Q_OBJECT
public:
    explicit RecorderWindow(const Clock& clock, QDir workingDir = QDir::current());
    ~RecorderWindow() override;

    // The load step runs before the window first appears, with its message
    // box, if any, in front of nothing.
    void setVisible(bool visible) override;

    using QWidget::isEnabled;
    using QWidget::isVisible;
    using QWidget::setEnabled;
    using QWidget::setFocus;

    RecorderForm& form() { return *m_form; }

    // The guide window while it is open, else null.
    GuideWindow* guideWindow() const;

    QString text(ControlRef c) const override;
    void setText(ControlRef c, const QString& text) override;
    void appendText(ControlRef c, const QString& text) override;
    QString caption(ControlRef c) const override;
    void setCaption(ControlRef c, const QString& caption) override;
    BgrColor backColor(ControlRef c) const override;
    void setBackColor(ControlRef c, BgrColor color) override;
    bool isEnabled(ControlRef c) const override;
    void setEnabled(ControlRef c, bool enabled) override;
    bool isVisible(ControlRef c) const override;
    void setVisible(ControlRef c, bool visible) override;
    bool optionValue() const override;
    void setOptionValue(bool value) override;
    void setFocus(ControlRef c) override;
    void messageBox(const QString& text, const QString& caption) override;
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultAnswer) override;
    void showDataFileStatus(const DataFileStatus& status) override;

signals:
    // Each message box and input prompt, just before it runs modal: the
    // dialogs are Qt's own, and this lets a test answer them.
    void dialogAboutToOpen(QDialog* dialog);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void chainTabOrder();
    void add(ControlRef ref, QWidget* widget, int tabIndex = -1);
    QWidget* widget(ControlRef ref) const;
    QTimer* timer(ControlRef ref) const;
    static quint64 key(ControlRef ref);
    int text1Index(const QWidget* widget) const;

    bool isFirstDelivery(const QKeyEvent* event, QWidget* receiver);
    void keyPreview(QWidget* receiver, const QKeyEvent* event, bool autoRepeat,
                    std::optional<qint64> browserNs);
    void focusWindowChanged(QWindow* window);

    void openGuide();
    void closeGuide();

    void showLabel7();
    QWidget* dialogParent();

    const Clock& m_clock;
    QHash<quint64, QWidget*> m_controls;
    QHash<quint64, int> m_tabIndex;
    QHash<quint64, BgrColor> m_backColors;
    QList<QLabel*> m_autoSizeLabels;
    QTimer* m_timer1 = nullptr;
    QTimer* m_timer2 = nullptr;
    QPlainTextEdit* m_txEventTime = nullptr;
    QLabel* m_label7 = nullptr;
    OptionButton* m_option1 = nullptr;

    // Label7 shows the file name the logic last set, or a failed write.
    QString m_label7Caption;
    std::optional<DataFileStatus> m_failedWrite;

    QPointer<GuideWindow> m_guide;

    // A key event travels up to the parents that ignore it; it is previewed
    // (and stamped) at its first receiver only. Compared, never dereferenced.
    const QKeyEvent* m_keyInFlight = nullptr;
    QPointer<QWidget> m_keyReceiver;
    // The last key that went down in any of the program's windows, and where.
    int m_lastPressKey = 0;
    QPointer<QWidget> m_lastPressWindow;
    PressTimeEstimator m_pressTimes;

    bool m_loaded = false;
    bool m_activatedOnce = false;
    bool m_lastFocusWasGuide = false;

    std::unique_ptr<RecorderForm> m_form;
};
