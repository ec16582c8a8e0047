#include "app/RecorderForm.h"

#include "app/ScreenTexts.h"
#include "measurement/MeasurementState.h"

// The reading is still pending, so the mark reaches the file with it.
void RecorderForm::rejectLastReading()
{
    data.pendingRemark = ScreenTexts::RejectedMark;
    m_form.appendText(TxEventTime, data.remarkFiller + data.pendingRemark + ScreenTexts::CrLf);
}
