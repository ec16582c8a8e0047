#include "app/RecorderForm.h"

#include "app/ScreenTexts.h"
#include "input/PromptNumber.h"
#include "measurement/MeasurementState.h"
#include "numbers/NumberText.h"

void RecorderForm::valuePrompt(int index, bool optionBefore)
{
    const bool targetBox = index == 4;
    const QString answer =
        targetBox ? m_form.inputBox(ScreenTexts::TargetPromptText, ScreenTexts::TargetPromptTitle,
                                    QStringLiteral("20"))
                  : m_form.inputBox(ScreenTexts::IncrementPromptText,
                                    ScreenTexts::IncrementPromptTitle, QStringLiteral("1"));
    // Cancel, an empty or a wrong answer change nothing; the user is left in
    // the box, in input mode, where Enter leaves it.
    const std::optional<float> number = parsePromptAnswer(answer);
    if (!number)
        return;
    data.promptValue = *number;
    const QString shown = singlePrecisionText(*number);
    m_form.setText(text1(index), shown);

    // Kept as the number the box shows, so that a typed 0.1 is 0.1 on screen
    // and in the file, not the nearest single-precision value.
    const double value = numericValue(shown);
    const bool measuring = isMeasuring(m_form);
    if (measuring)
        (targetBox ? data.targetValue : data.increment) = value;
    else
        (targetBox ? data.initialTarget : data.initialIncrement) = value;

    if (measuring) {
        m_form.setBackColor(TxEventTime, Colors::Yellow);
        m_form.setOptionValue(optionBefore);
    }
    if (isSaved(m_form))
        m_form.setBackColor(TxEventTime, Colors::Green);
    m_form.setFocus(Text2);
}
