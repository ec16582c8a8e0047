#include "app/RecorderForm.h"

#include "measurement/MeasurementState.h"
#include "numbers/NumberText.h"
#include "measurement/TimeTexts.h"

void RecorderForm::Timer1_Timer()
{
    const QDateTime now = m_clock.wallTime();
    m_form.setText(TxYMD, shortDateText(now));
    m_form.setText(TxHMS, timeOfDayText(now));
}

// The tick only refreshes the display: the elapsed time is read from the
// monotonic clock, so a late or lost tick costs nothing.
void RecorderForm::Timer2_Timer()
{
    if (data.eventCount == 0)
        return;
    data.elapsedCounter = double(m_clock.monotonicNs() - data.measurementStartNs) / 1e9;
    m_form.setText(TxElapsed, fixedTwoDecimals(data.elapsedCounter));
}
