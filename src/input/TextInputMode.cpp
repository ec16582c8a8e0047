#include "app/RecorderForm.h"

#include "app/ScreenTexts.h"
#include "measurement/MeasurementState.h"

namespace
{

bool isValueBox(int index)
{
    return index == 4 || index == 5;
}

// The subject lines form a ring in screen order: 6, 0, 1, 2, 3.
int subjectLineBelow(int index)
{
    switch (index) {
    case 6:
        return 0;
    case 0:
        return 1;
    case 1:
        return 2;
    case 2:
        return 3;
    case 3:
        return 6;
    default:
        return -1;
    }
}

int subjectLineAbove(int index)
{
    switch (index) {
    case 6:
        return 3;
    case 0:
        return 6;
    case 1:
        return 0;
    case 2:
        return 1;
    case 3:
        return 2;
    default:
        return -1;
    }
}

} // namespace

void RecorderForm::leaveInputMode()
{
    m_form.setOptionValue(false);
    m_form.setFocus(Text2);
    const bool measuring = isMeasuring(m_form);
    if (!measuring)
        m_form.setText(TxEventTime, ScreenTexts::Waiting);
    m_form.setBackColor(TxEventTime, measuring ? Colors::Yellow : Colors::SkyBlue);
}

void RecorderForm::Label6_Click()
{
    if (m_form.optionValue()) {
        leaveInputMode();
        return;
    }
    m_form.setOptionValue(true);
    if (!isMeasuring(m_form))
        m_form.setText(TxEventTime, ScreenTexts::InputToggle);
    m_form.setBackColor(TxEventTime, Colors::Red);
}

void RecorderForm::enterInputModeByClick(int index, bool& optionBefore)
{
    optionBefore = m_form.optionValue();
    m_form.setOptionValue(true);
    if (!isMeasuring(m_form) && !isSaved(m_form))
        m_form.setText(TxEventTime, isValueBox(index) ? ScreenTexts::InputValueBox
                                                      : ScreenTexts::InputSubjectBox);
    m_form.setBackColor(TxEventTime, Colors::Red);
}

void RecorderForm::Text1_Click(int index)
{
    bool optionBefore = false;
    enterInputModeByClick(index, optionBefore);
    if (isValueBox(index))
        valuePrompt(index, optionBefore);
}

void RecorderForm::Text1_KeyDown(int index, int keyCode, int /*shift*/)
{
    if (keyCode == KeyCode::Enter)
        leaveInputMode();
    int next = -1;
    if (keyCode == KeyCode::Down)
        next = subjectLineBelow(index);
    else if (keyCode == KeyCode::Up)
        next = subjectLineAbove(index);
    if (next >= 0)
        m_form.setFocus(text1(next));
}
