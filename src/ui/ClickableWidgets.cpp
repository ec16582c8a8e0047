#include "ui/ClickableWidgets.h"

#include <QMouseEvent>

void ClickTracker::press(const QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        m_secondOfDouble = false;
    }
}

void ClickTracker::doubleClick(const QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        m_secondOfDouble = true;
    }
}

bool ClickTracker::release(const QMouseEvent* event, const QWidget* widget)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return false;
    m_pressed = false;
    return !m_secondOfDouble && widget->rect().contains(event->position().toPoint());
}

void ClickableLabel::mousePressEvent(QMouseEvent* event)
{
    m_click.press(event);
    DesignLabel::mousePressEvent(event);
}

void ClickableLabel::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Qt's default treats a double-click as another press; mark it after.
    DesignLabel::mouseDoubleClickEvent(event);
    m_click.doubleClick(event);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event)
{
    DesignLabel::mouseReleaseEvent(event);
    if (m_click.release(event, this))
        emit clicked();
}

void ClickableLineEdit::mousePressEvent(QMouseEvent* event)
{
    m_click.press(event);
    QLineEdit::mousePressEvent(event);
}

void ClickableLineEdit::mouseDoubleClickEvent(QMouseEvent* event)
{
    QLineEdit::mouseDoubleClickEvent(event);
    m_click.doubleClick(event);
}

void ClickableLineEdit::mouseReleaseEvent(QMouseEvent* event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (m_click.release(event, this))
        emit clicked();
}

OptionButton::OptionButton(QWidget* parent) : QRadioButton(parent)
{
    // Alone in its group, an exclusive button could never be switched off.
    setAutoExclusive(false);
}

void OptionButton::nextCheckState()
{
    if (!isChecked())
        setChecked(true);
}
