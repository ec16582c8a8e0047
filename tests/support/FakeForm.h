#pragma once

#include "app/FormControls.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// An in-memory main window with the designed values of every control the
// logic touches.
class FakeForm final : public FormControls
{
public:
    FakeForm();

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
    bool optionValue() const override { return m_option; }
    void setOptionValue(bool value) override { m_option = value; }
    void setFocus(ControlRef c) override { m_focus = c; }
    void messageBox(const QString& text, const QString& caption) override;
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultAnswer) override;
    void showDataFileStatus(const DataFileStatus& status) override;

    ControlRef focus() const { return m_focus; }

    struct Message {
        QString text, caption;
    };
    QList<Message> messages;

    struct Prompt {
        QString prompt, title, defaultAnswer;
    };
    QList<Prompt> prompts;
    // Answers for the next prompts, in order; a missing one cancels.
    QStringList answers;

    QList<DataFileStatus> fileStatuses;

private:
    static quint64 key(ControlRef c);
    QHash<quint64, QString> m_texts;
    QHash<quint64, QString> m_captions;
    QHash<quint64, BgrColor> m_colors;
    QHash<quint64, bool> m_enabled;
    QHash<quint64, bool> m_visible;
    bool m_option = false;
    ControlRef m_focus{Control::Text2};
};
