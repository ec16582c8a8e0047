#include "support/FakeForm.h"

#include "measurement/MeasurementState.h"

FakeForm::FakeForm()
{
    setText(text1(7), QStringLiteral("温度 ℃"));
    setText(text1(4), QStringLiteral("0"));
    setText(text1(5), QStringLiteral("0"));
    setText(TxYMD, QStringLiteral("YMD"));
    setText(TxHMS, QStringLiteral("HMS"));
    setCaption(Label4, QStringLiteral("過程表示"));
    setBackColor(Label4, Colors::Yellow);
    setVisible(Label4, false);
    setEnabled(ComSave, false);
    setEnabled(Timer2, false);
    setBackColor(TxEventTime, 0x80000005);
}

quint64 FakeForm::key(ControlRef c)
{
    return (quint64(c.control) << 32) | quint32(c.index);
}

QString FakeForm::text(ControlRef c) const
{
    return m_texts.value(key(c));
}
void FakeForm::setText(ControlRef c, const QString& text)
{
    m_texts[key(c)] = text;
}
void FakeForm::appendText(ControlRef c, const QString& text)
{
    m_texts[key(c)] += text;
}
QString FakeForm::caption(ControlRef c) const
{
    return m_captions.value(key(c));
}
void FakeForm::setCaption(ControlRef c, const QString& caption)
{
    m_captions[key(c)] = caption;
}
BgrColor FakeForm::backColor(ControlRef c) const
{
    return m_colors.value(key(c));
}
void FakeForm::setBackColor(ControlRef c, BgrColor color)
{
    m_colors[key(c)] = color;
}
bool FakeForm::isEnabled(ControlRef c) const
{
    return m_enabled.value(key(c), true);
}
void FakeForm::setEnabled(ControlRef c, bool enabled)
{
    m_enabled[key(c)] = enabled;
}
bool FakeForm::isVisible(ControlRef c) const
{
    return m_visible.value(key(c), true);
}
void FakeForm::setVisible(ControlRef c, bool visible)
{
    m_visible[key(c)] = visible;
}

void FakeForm::messageBox(const QString& text, const QString& caption)
{
    messages.append({text, caption});
}

QString FakeForm::inputBox(const QString& prompt, const QString& title,
                           const QString& defaultAnswer)
{
    prompts.append({prompt, title, defaultAnswer});
    return answers.isEmpty() ? QString() : answers.takeFirst();
}

void FakeForm::showDataFileStatus(const DataFileStatus& status)
{
    fileStatuses.append(status);
}
