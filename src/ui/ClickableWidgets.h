#pragma once

// Controls that report a click the way the window's handlers expect it: a
// press and release of the left button on the same control, once per click
// (the second click of a double-click counts no more), and an option button
// that a click only ever selects.

#include "ui/DesignLabel.h"

#include <QLineEdit>
#include <QRadioButton>

class ClickTracker
{
public:
    void press(const QMouseEvent* event);
    void doubleClick(const QMouseEvent* event);
    // True when this release completes a click on `widget`.
    bool release(const QMouseEvent* event, const QWidget* widget);

private:
    bool m_pressed = false;
    bool m_secondOfDouble = false;
};

class ClickableLabel final : public DesignLabel
{
    Q_OBJECT
public:
    using DesignLabel::DesignLabel;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    ClickTracker m_click;
};

// The clicked line edit has the focus already when clicked() comes, as the
// handler expects.
class ClickableLineEdit final : public QLineEdit
{
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    ClickTracker m_click;
};

// A lone option button that the logic can switch off, but a click cannot.
class OptionButton final : public QRadioButton
{
    Q_OBJECT
public:
    explicit OptionButton(QWidget* parent = nullptr);

protected:
    void nextCheckState() override;
};
