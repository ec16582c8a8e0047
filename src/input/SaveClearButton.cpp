#include "app/RecorderForm.h"

#include "app/ScreenTexts.h"
#include "datafile/RowKinds.h"
#include "measurement/MeasurementState.h"
#include "numbers/NumberText.h"

// First click ends the measurement, the second clears the window for the next.
void RecorderForm::ComClear_Click()
{
    if (m_form.isVisible(Label4)) {
        if (!m_form.isEnabled(Timer2) && isSaved(m_form))
            clearWindow();
        if (isMeasuring(m_form))
            endMeasurement();
    }
    m_form.setFocus(Text2);
}

void RecorderForm::endMeasurement()
{
    data.rowRemark = data.pendingRemark;
    if (data.rowRemark.isEmpty())
        data.remarkFiller.clear();
    data.pendingRemark.clear();
    m_form.appendText(TxEventTime, data.remarkFiller + data.rowRemark + ScreenTexts::CrLf);
    m_form.appendText(TxEventTime, subjectSummary());
    data.remarkFiller = data.rowRemark.isEmpty() ? QString() : QStringLiteral(" --");

    writeRows({pendingRow(), RowKinds::subjectRow(subjectLines())});
    data.subjectChangePending = false;
    // The rows are in the data file, or queued with the rest if the write
    // failed, and then still in the sidecar.
    keepUnwrittenRows(false);

    data.eventCount = 0;
    m_form.setEnabled(Timer2, false);
    data.elapsedCounter = 0.0;
    data.previousElapsed = 0.0;
    m_form.setCaption(Label4, StateWord::Saved);
    m_form.setBackColor(Label4, Colors::Green);
    m_form.setBackColor(TxEventTime, Colors::Green);
}

void RecorderForm::clearWindow()
{
    data.targetValue = data.initialTarget;
    data.increment = data.initialIncrement;
    // The initial values come from the prompts (or are the start-up 0), so
    // they are shown as the prompt showed them: "1.234568E+08", "1E-05".
    m_form.setText(text1(4), singlePrecisionText(static_cast<float>(data.targetValue)));
    m_form.setText(text1(5), singlePrecisionText(static_cast<float>(data.increment)));
    m_form.setText(TxStartTime, QString());
    m_form.setText(TxElapsed, QString());
    m_form.setText(TxEventTime, QString());
    m_form.setCaption(Label4, StateWord::WaitingToStart);
    m_form.setBackColor(Label4, Colors::SkyBlue);
    m_form.setEnabled(ComClear, false);
    m_form.setText(TxEventTime, ScreenTexts::AfterClear);
    m_form.setBackColor(TxEventTime, Colors::SkyBlue);
    m_form.setOptionValue(false);
    m_form.setEnabled(ComSave, false);
}
