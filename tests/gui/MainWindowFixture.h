#pragma once

// The real main window started as the program starts it: in a fresh working
// folder, on a clock the test moves, with its message boxes and prompts
// answered by the test instead of a person.

#include "support/FakeClock.h"
#include "ui/ControlNames.h"
#include "ui/RecorderWindow.h"

#include <QApplication>
#include <QDir>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

// Makes a fresh temporary folder the current directory for as long as it lives.
class WorkingFolder
{
public:
    WorkingFolder() : m_previous(QDir::currentPath()) { QDir::setCurrent(m_dir.path()); }
    ~WorkingFolder() { QDir::setCurrent(m_previous); }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    QDir dir() const { return QDir(m_dir.path()); }
    QString canonicalPath() const { return QFileInfo(m_dir.path()).canonicalFilePath(); }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

// What a dialog showed while it was open.
struct SeenDialog {
    QString title;
    QString text;
    QList<QMessageBox::StandardButton> buttons;
    bool iconShown = false;
    bool wasModal = false;
    bool mainWindowVisible = false;
    QString defaultAnswer; // input prompts only
};

// Answers every message box with OK and every prompt with the next of
// `answers` (Cancel when none is left), by clicking the dialog's own buttons
// while it runs modal.
class DialogAnswerer : public QObject
{
public:
    explicit DialogAnswerer(RecorderWindow& window) : m_window(window)
    {
        connect(&window, &RecorderWindow::dialogAboutToOpen, this, &DialogAnswerer::answer);
    }

    QStringList answers;
    QList<SeenDialog> seen;

private:
    void answer(QDialog* dialog)
    {
        QTimer::singleShot(0, dialog, [this, dialog] {
            SeenDialog shown;
            shown.title = dialog->windowTitle();
            shown.wasModal = QApplication::activeModalWidget() == dialog;
            shown.mainWindowVisible = m_window.QWidget::isVisible();
            if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
                shown.text = box->text();
                shown.iconShown = box->icon() != QMessageBox::NoIcon;
                for (QAbstractButton* button : box->buttons())
                    shown.buttons.append(box->standardButton(button));
                seen.append(shown);
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            } else if (auto* prompt = qobject_cast<QInputDialog*>(dialog)) {
                shown.text = prompt->labelText();
                shown.defaultAnswer = prompt->textValue();
                seen.append(shown);
                if (answers.isEmpty()) {
                    prompt->reject();
                } else {
                    prompt->setTextValue(answers.takeFirst());
                    prompt->accept();
                }
            } else {
                seen.append(shown);
                dialog->reject();
            }
        });
    }

    RecorderWindow& m_window;
};

struct MainWindowFixture {
    WorkingFolder folder;
    FakeClock clock;
    std::unique_ptr<RecorderWindow> window;
    std::unique_ptr<DialogAnswerer> dialogs;

    // Creates and shows the window and waits until it is active. False when
    // it never became active.
    bool start()
    {
        window = std::make_unique<RecorderWindow>(clock);
        dialogs = std::make_unique<DialogAnswerer>(*window);
        window->show();
        return QTest::qWaitForWindowActive(window.get());
    }

    template <class T = QWidget> T* find(ControlRef ref) const
    {
        return window->findChild<T*>(objectNameOf(ref));
    }

    // A key as the keyboard gives it: to the widget with the focus.
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target ? target : window.get(), key, modifiers);
    }

    QString focusName() const
    {
        QWidget* focus = window->focusWidget();
        return focus ? focus->objectName() : QString();
    }

    QString screen() const { return window->text({Control::TxEventTime}); }
    QColor screenColor() const
    {
        return find(ControlRef{Control::TxEventTime})->palette().color(QPalette::Base);
    }
};
