#include "app/RecorderForm.h"

#include "app/ScreenTexts.h"
#include "measurement/MeasurementState.h"

// The reading is still pending, so the mark reaches the file with it.
void RecorderForm::rejectLastReading()
{
    const bool changed = data.pendingRemark != ScreenTexts::RejectedMark;
    data.pendingRemark = ScreenTexts::RejectedMark;
    m_form.appendText(TxEventTime, data.remarkFiller + data.pendingRemark + ScreenTexts::CrLf);
    // Before the first reading there is no pending row to mark.
    if (changed && isMeasuring(m_form)) {
        m_writeFailed = m_writer.unwrittenRowCount() > 0;
        keepUnwrittenRows(true);
    }
}
