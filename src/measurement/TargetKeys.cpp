#include "app/RecorderForm.h"

#include "measurement/MeasurementState.h"
#include "numbers/NumberText.h"

#include <cmath>

// Stepping the target or the increment. A result beyond the range of a double
// leaves the box as it was rather than showing a meaningless number.
void RecorderForm::targetKey(int keyCode)
{
    const double target = numericValue(m_form.text(text1(4)));
    const double step = numericValue(m_form.text(text1(5)));
    switch (keyCode) {
    case KeyCode::Up:
    case KeyCode::Down: {
        const double value = keyCode == KeyCode::Up ? target - step : target + step;
        if (!std::isfinite(value))
            return;
        data.targetValue = value;
        m_form.setText(text1(4), generalNumber(value));
        return;
    }
    case KeyCode::Left:
    case KeyCode::Right: {
        const double value = keyCode == KeyCode::Left ? step * 0.5 : step * 2;
        if (!std::isfinite(value))
            return;
        data.increment = value;
        m_form.setText(text1(5), generalNumber(value));
        return;
    }
    case KeyCode::S:
        data.increment = step;
        m_form.setText(text1(5), generalNumber(-step));
        m_form.setText(Text2, QString());
        return;
    default:
        return;
    }
}
